// The 97-style button under the mouse on Qt's offscreen platform: clicks, repeat, groups, drop-downs,
// the removal of clicks made while a drop-down menu is open, and the one hot button.
#include "Button97Fixture.h"

#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

namespace quarn {
namespace {

using test::FakeButtonTimer;
using State = TButton97::State;

class Button97Mouse : public test::Button97Form {};

constexpr QPoint kInside(11, 11);
constexpr QPoint kOutside(60, 11);

TEST_F(Button97Mouse, AReleaseInsideClicksOnceAndOneOutsideDoesNot) {
    TButton97* button = Make({10, 10});
    const int& clicks = Clicks(*button);
    QTest::mousePress(button, Qt::LeftButton, {}, kInside);
    EXPECT_EQ(button->ButtonState(), State::bsDown);
    EXPECT_EQ(clicks, 0) << "a plain button clicks on release";
    QTest::mouseRelease(button, Qt::LeftButton, {}, kInside);
    EXPECT_EQ(clicks, 1);

    QTest::mousePress(button, Qt::LeftButton, {}, kInside);
    QTest::mouseMove(button, kOutside);
    EXPECT_EQ(button->ButtonState(), State::bsUp) << "shown up while the mouse is off it";
    QTest::mouseMove(button, kInside);
    EXPECT_EQ(button->ButtonState(), State::bsDown) << "and down again when it comes back";
    QTest::mouseMove(button, kOutside);
    QTest::mouseRelease(button, Qt::LeftButton, {}, kOutside);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->ButtonState(), State::bsUp);
}

TEST_F(Button97Mouse, ARepeatingButtonClicksAtThePressThenEveryIntervalAndNotAtTheRelease) {
    TButton97* button = Make({10, 10});
    auto timer = std::make_unique<FakeButtonTimer>();
    FakeButtonTimer& fake = *timer;
    button->SetRepeatTimer(std::move(timer));
    button->SetRepeating(true);
    const int& clicks = Clicks(*button);

    QTest::mousePress(button, Qt::LeftButton, {}, kInside);
    EXPECT_EQ(clicks, 1) << "at once";
    EXPECT_TRUE(fake.active);
    EXPECT_EQ(fake.interval, 400) << "the first repeat waits RepeatDelay";
    fake.Fire();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(fake.interval, 100) << "then RepeatInterval";
    fake.Fire();
    EXPECT_EQ(clicks, 3);

    // Held off the button it does not repeat, and the timer stops until the mouse is back.
    QTest::mouseMove(button, kOutside);
    fake.Fire();
    EXPECT_EQ(clicks, 3);
    EXPECT_FALSE(fake.active);
    QTest::mouseMove(button, kInside);
    EXPECT_TRUE(fake.active);
    fake.Fire();
    EXPECT_EQ(clicks, 4);

    QTest::mouseRelease(button, Qt::LeftButton, {}, kInside);
    EXPECT_EQ(clicks, 4) << "no click at the release";
    EXPECT_FALSE(fake.active);
}

TEST_F(Button97Mouse, GroupedButtonsAreExclusiveAndWithoutAllowAllUpOneStaysDown) {
    TButton97* a = Make({10, 10});
    TButton97* b = Make({40, 10});
    TButton97* other = Make({70, 10});
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    other->SetGroupIndex(2);
    other->SetDown(true);

    QTest::mouseClick(a, Qt::LeftButton, {}, kInside);
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->ButtonState(), State::bsExclusive);
    QTest::mouseClick(b, Qt::LeftButton, {}, kInside);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    EXPECT_EQ(a->ButtonState(), State::bsUp);
    EXPECT_TRUE(other->Down()) << "another group is left alone";

    QTest::mouseClick(b, Qt::LeftButton, {}, kInside);
    EXPECT_TRUE(b->Down()) << "the down button of a group without AllowAllUp stays down";
    b->SetDown(false);
    EXPECT_TRUE(b->Down());

    b->SetAllowAllUp(true);
    EXPECT_TRUE(a->AllowAllUp()) << "the group shares the setting";
    QTest::mouseClick(b, Qt::LeftButton, {}, kInside);
    EXPECT_FALSE(b->Down());
    EXPECT_FALSE(a->Down());
}

TEST_F(Button97Mouse, AComboClicksOnItsMainPartAndShowsTheMenuFromItsArrowPart) {
    TButton97* combo = Make({10, 10});
    QMenu menu(&form_);
    menu.addAction("Eins");
    combo->SetDropdownMenu(&menu);
    combo->SetDropdownCombo(true);
    ASSERT_EQ(combo->width(), 22 + 11);
    int shown = 0;
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] {
        ++shown;
        QTimer::singleShot(0, &menu, &QMenu::hide);
    });
    int dropdowns = 0;
    combo->onDropdown = [&](TButton97&, bool& showMenu, bool& removeClicks) {
        ++dropdowns;
        EXPECT_TRUE(showMenu);
        EXPECT_TRUE(removeClicks);
    };
    const int& clicks = Clicks(*combo);

    QTest::mouseClick(combo, Qt::LeftButton, {}, {5, 11});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(shown, 0) << "the main part is a plain button";
    EXPECT_EQ(dropdowns, 0);

    QTest::mousePress(combo, Qt::LeftButton, {}, {28, 11});
    EXPECT_EQ(shown, 1) << "the arrow part drops the menu at the press";
    EXPECT_EQ(dropdowns, 1);
    EXPECT_EQ(clicks, 1) << "and is no click of the main part";
    QTest::mouseRelease(combo, Qt::LeftButton, {}, {28, 11});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(combo->ButtonState(), State::bsUp);
    // The clicks on the button that ended the menu are dropped for one more turn of the event loop.
    QCoreApplication::processEvents();

    // A plain drop-down button clicks, then drops its menu; OnDropdown may keep the menu shut.
    combo->SetDropdownCombo(false);
    combo->onDropdown = [&](TButton97&, bool& showMenu, bool&) { showMenu = false; };
    QTest::mousePress(combo, Qt::LeftButton, {}, {5, 11});
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(shown, 1);
}

void PostClick(QWidget* target) {
    const QPoint at(5, 5);
    const QPoint global = target->mapToGlobal(at);
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

TEST_F(Button97Mouse, ClicksMadeWhileTheMenuIsOpenReachOthersAfterwardsButNeverReopenIt) {
    TButton97* dropper = Make({10, 10});
    TButton97* neighbour = Make({60, 10});
    QMenu menu(&form_);
    menu.addAction("Eins");
    dropper->SetDropdownMenu(&menu);
    const int& neighbourClicks = Clicks(*neighbour);
    int shown = 0;
    int neighbourClicksWhileOpen = -1;
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] {
        ++shown;
        QTimer::singleShot(0, &menu, [&] {
            // The click on the neighbour that ends the menu, and one on the button itself.
            PostClick(neighbour);
            PostClick(dropper);
            QCoreApplication::sendPostedEvents();
            neighbourClicksWhileOpen = neighbourClicks;
            menu.hide();
        });
    });
    // One more arrives just after the menu has gone.
    QObject::connect(&menu, &QMenu::aboutToHide, &menu, [&] { PostClick(dropper); });

    QTest::mousePress(dropper, Qt::LeftButton, {}, kInside);
    QTest::mouseRelease(dropper, Qt::LeftButton, {}, kInside);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(neighbourClicksWhileOpen, 0) << "held while the menu is open";
    for (int turn = 0; turn < 5; ++turn) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(neighbourClicks, 1) << "handed on once the menu closed";
    EXPECT_EQ(shown, 1) << "the clicks on the button itself were dropped";

    // The filter is gone: the next click on the button opens the menu again.
    QTest::mousePress(dropper, Qt::LeftButton, {}, kInside);
    QTest::mouseRelease(dropper, Qt::LeftButton, {}, kInside);
    EXPECT_EQ(shown, 2);
}

TEST_F(Button97Mouse, WithoutRemoveClicksAClickOnTheButtonMadeWhileOpenReopensTheMenu) {
    TButton97* dropper = Make({10, 10});
    QMenu menu(&form_);
    menu.addAction("Eins");
    dropper->SetDropdownMenu(&menu);
    dropper->onDropdown = [](TButton97&, bool&, bool& removeClicks) { removeClicks = false; };
    int shown = 0;
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] {
        ++shown;
        QTimer::singleShot(0, &menu, &QMenu::hide);
    });
    // The click that ended the menu reaches the button after it closed.
    QObject::connect(&menu, &QMenu::aboutToHide, &menu, [&] {
        if (shown == 1) {
            PostClick(dropper);
        }
    });
    QTest::mousePress(dropper, Qt::LeftButton, {}, kInside);
    for (int turn = 0; turn < 5; ++turn) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(shown, 2);
}

TEST_F(Button97Mouse, OneButtonIsHotAtATimeAndItLeavesWhenTheApplicationIsDeactivated) {
    TButton97* a = Make({10, 10});
    TButton97* b = Make({60, 10});
    QTest::mouseMove(a, kInside);
    EXPECT_EQ(TButton97::HotButton(), a);
    EXPECT_EQ(a->ButtonState(), State::bsMouseIn);

    QTest::mouseMove(b, kInside);
    EXPECT_EQ(TButton97::HotButton(), b);
    EXPECT_FALSE(a->IsMouseIn());
    EXPECT_EQ(a->ButtonState(), State::bsUp);

    // Moving over the form, not a button, leaves it too.
    QTest::mouseMove(&form_, {200, 100});
    EXPECT_EQ(TButton97::HotButton(), nullptr);
    EXPECT_EQ(b->ButtonState(), State::bsUp);

    QTest::mouseMove(b, kInside);
    ASSERT_EQ(TButton97::HotButton(), b);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(TButton97::HotButton(), nullptr);
    EXPECT_FALSE(b->IsMouseIn());
    EXPECT_EQ(b->ButtonState(), State::bsUp);

    // One that shows its border while inactive stays hot.
    b->SetShowBorderWhenInactive(true);
    QTest::mouseMove(&form_, {200, 100});
    QTest::mouseMove(b, kInside);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(TButton97::HotButton(), b);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
}

TEST_F(Button97Mouse, WithoutAnActiveWindowOnlyAButtonThatShowsItsBorderWhenInactiveBecomesHot) {
    TButton97* a = Make({10, 10});
    TButton97* b = Make({60, 10});
    b->SetShowBorderWhenInactive(true);
    QApplication::setActiveWindow(nullptr);
    QTest::mouseMove(a, kInside);
    EXPECT_EQ(TButton97::HotButton(), nullptr);
    EXPECT_FALSE(a->IsMouseIn());
    QTest::mouseMove(b, kInside);
    EXPECT_EQ(TButton97::HotButton(), b);
}

TEST_F(Button97Mouse, DisablingTheHotButtonEndsItsHoverAndItsPress) {
    TButton97* button = Make({10, 10});
    QTest::mouseMove(button, kInside);
    ASSERT_EQ(TButton97::HotButton(), button);
    QTest::mousePress(button, Qt::LeftButton, {}, kInside);
    button->setEnabled(false);
    EXPECT_EQ(TButton97::HotButton(), nullptr);
    EXPECT_EQ(button->ButtonState(), State::bsDisabled);
    const int& clicks = Clicks(*button);
    QTest::mouseRelease(button, Qt::LeftButton, {}, kInside);
    EXPECT_EQ(clicks, 0);
    button->setEnabled(true);
    EXPECT_EQ(button->ButtonState(), State::bsUp);
}

} // namespace
} // namespace quarn
