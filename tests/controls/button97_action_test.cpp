// The 97-style button with an action, with keys, and with its drop-down menu's item hints.
#include "Button97Fixture.h"
#include "controls/Button97ActionLink.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QStatusTipEvent>
#include <QTimer>

namespace quarn {
namespace {

class Button97Action : public test::Button97Form {};

TEST_F(Button97Action, TheButtonTakesTheActionsValuesAndAClickTriggersIt) {
    QAction action("&Gerätestatus");
    action.setCheckable(true);
    action.setToolTip("Status der Geräte");
    action.setProperty("ImageIndex", 3);
    action.setProperty("HelpContext", 17);
    TButton97* button = Make({10, 10});
    button->SetGroupIndex(1);
    button->SetAllowAllUp(true);
    button->SetAction(&action);
    EXPECT_EQ(button->Caption(), "&Gerätestatus");
    EXPECT_EQ(button->toolTip(), "Status der Geräte");
    EXPECT_EQ(button->ImageIndex(), 3);
    EXPECT_EQ(button->HelpContext(), 17);

    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    QTest::mouseClick(button, Qt::LeftButton, {}, {11, 11});
    EXPECT_EQ(triggered, 1);
    EXPECT_TRUE(action.isChecked());
    EXPECT_TRUE(button->Down()) << "checked and down go together";

    action.setChecked(false);
    EXPECT_FALSE(button->Down());
    action.setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->ButtonState(), TButton97::State::bsDisabled);
}

TEST_F(Button97Action, AValueTheButtonWasGivenItselfNoLongerFollowsTheAction) {
    QAction action("Eins");
    action.setProperty("ImageIndex", 2);
    TButton97* button = Make({10, 10});
    button->SetAction(&action);
    action.setProperty("ImageIndex", 4);
    EXPECT_EQ(button->ImageIndex(), 4) << "linked while equal";

    button->SetImageIndex(7);
    action.setProperty("ImageIndex", 5);
    EXPECT_EQ(button->ImageIndex(), 7);
    button->SetHint("Eigener Hinweis|");
    action.setToolTip("Anderer");
    EXPECT_EQ(button->toolTip(), "Eigener Hinweis");
    action.setText("Zwei");
    EXPECT_EQ(button->Caption(), "Zwei") << "the caption is still linked";
}

TEST_F(Button97Action, EnterEscapeAndTheAcceleratorClickButNotAGlyphOnlyButtonsAccelerator) {
    QDialog dialog;
    dialog.resize(200, 80);
    auto* ok = new TButton97(&dialog);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(QDialog::Accepted);
    auto* cancel = new TButton97(&dialog);
    cancel->move(30, 0);
    cancel->SetCaption("Abbruch");
    cancel->SetCancel(true);
    auto* knopf = new TButton97(&dialog);
    knopf->move(60, 0);
    knopf->SetCaption("&Knopf");
    auto* light = new TButton97(&dialog);
    light->move(90, 0);
    light->SetCaption("&Licht");
    light->SetDisplayMode(TButtonDisplayMode::dmGlyphOnly);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const int& okClicks = Clicks(*ok);
    const int& cancelClicks = Clicks(*cancel);
    const int& knopfClicks = Clicks(*knopf);
    const int& lightClicks = Clicks(*light);

    QTest::keyClick(&dialog, Qt::Key_K, Qt::AltModifier);
    EXPECT_EQ(knopfClicks, 1);
    QTest::keyClick(&dialog, Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(lightClicks, 0) << "a caption that is not shown has no accelerator";
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(cancelClicks, 1);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << "the modal result goes to the form";
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(Button97Action, AMenuItemsHintIsTheStatusTextWhileItIsSelected) {
    std::vector<QString> texts;
    struct StatusWatch : QObject {
        std::vector<QString>* texts;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::StatusTip) {
                texts->push_back(static_cast<QStatusTipEvent*>(event)->tip());
            }
            return false;
        }
    } watch;
    watch.texts = &texts;
    form_.installEventFilter(&watch);

    TButton97* button = Make({10, 10});
    QMenu menu(&form_);
    QAction* item = menu.addAction("Eins");
    item->setStatusTip("Der erste Eintrag");
    button->SetDropdownMenu(&menu);
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] {
        QTimer::singleShot(0, &menu, [&] {
            menu.setActiveAction(item);
            menu.hide();
        });
    });
    QTest::mousePress(button, Qt::LeftButton, {}, {11, 11});
    const auto shown = std::find(texts.begin(), texts.end(), "Der erste Eintrag");
    ASSERT_NE(shown, texts.end());
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "") << "cleared when the menu closes";
}

} // namespace
} // namespace quarn
