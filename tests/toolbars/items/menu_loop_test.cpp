// The menu loop driven by real key and mouse events on offscreen pop-up windows: each script is queued
// before the loop starts and runs inside it.
#include "TTKFakeSettings.h"
#include "toolbars/items/TTKItems.h"
#include "toolbars/items/TTKMenuLoop.h"
#include "toolbars/items/TTKPopupWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "TTKTestItems.h"

namespace quarn {
namespace {

using test::ScopedFakeSettings;

using test::SubmenuItem;

// The open pop-up windows, the menu's own first.
std::vector<TTKPopupWindow*> OpenPopups() {
    std::vector<TTKPopupWindow*> popups;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* popup = qobject_cast<TTKPopupWindow*>(widget); popup && popup->isVisible())
            popups.push_back(popup);
    std::sort(popups.begin(), popups.end(), [](TTKPopupWindow* a, TTKPopupWindow* b) {
        int depthA = 0;
        int depthB = 0;
        for (TTKView* v = a->View().ParentView(); v; v = v->ParentView())
            ++depthA;
        for (TTKView* v = b->View().ParentView(); v; v = v->ParentView())
            ++depthB;
        return depthA < depthB;
    });
    return popups;
}

QString SelectedIn(std::size_t level) {
    const auto popups = OpenPopups();
    if (level >= popups.size() || !popups[level]->View().Selected())
        return {};
    return popups[level]->View().Selected()->Item().Caption();
}

void Key(Qt::Key key, const QString& text = {}) {
    QWidget& target = OpenPopups().front()->Content();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&target, &press);
}

void Type(const QString& text) {
    for (const QChar c : text)
        Key(Qt::Key_unknown, QString(c));
}

void Mouse(QEvent::Type type, const QPoint& global, Qt::MouseButton button = Qt::NoButton) {
    QWidget* target = QApplication::widgetAt(global);
    if (!target)
        target = &OpenPopups().front()->Content();
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// The centre of an item's row on the screen.
QPoint RowCentre(std::size_t level, const TTKCustomItem* item) {
    TTKPopupWindow* popup = OpenPopups().at(level);
    const QRect r = popup->View().FindViewer(item)->BoundsRect();
    return popup->Content().mapToGlobal(r.center());
}

class MenuLoop : public ::testing::Test {
protected:
    void SetUp() override {
        SetPopupFactory(&KitPopupFactory());
        open = root.AddNew<TTKItem>(QStringLiteral("&Öffnen"));
        save = root.AddNew<TTKItem>(QStringLiteral("&Speichern"));
        save->SetEnabled(false);
        root.AddNew<TTKSeparatorItem>();
        view = root.AddNew<SubmenuItem>(QStringLiteral("&Ansicht"));
        view->AddNew<TTKItem>(QStringLiteral("&Groß"));
        small = view->AddNew<TTKItem>(QStringLiteral("&Klein"));
        text = root.AddNew<TTKItem>(QStringLiteral("&Text"));
        table = root.AddNew<TTKItem>(QStringLiteral("&Tabelle"));
        for (TTKItem* item : {open, small, text, table})
            item->OnClick = [this](TTKCustomItem* sender) { clicked.push_back(sender->Caption()); };
    }
    void TearDown() override {
        SetPopupFactory(nullptr);
        EXPECT_TRUE(OpenPopups().empty());
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
        EXPECT_EQ(LoopCaptureDepth(), 0);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // Opens the menu and runs the loop with `script` queued; the loop's decision is carried out.
    void Run(std::function<void()> script) {
        QTimer::singleShot(0, [script] {
            script();
            // A script that left the loop running ends it.
            for (int i = 0; i < 5 && !OpenPopups().empty(); ++i)
                Key(Qt::Key_Escape);
        });
        ASSERT_TRUE(root.ShowAsPopup(QPoint(100, 100), false, TTKPopupAlignment::Left));
    }

    ScopedFakeSettings settings;
    TTKRootItem root;
    TTKItem* open = nullptr;
    TTKItem* save = nullptr;
    SubmenuItem* view = nullptr;
    TTKItem* small = nullptr;
    TTKItem* text = nullptr;
    TTKItem* table = nullptr;
    std::vector<QString> clicked;
};

TEST_F(MenuLoop, KeysMoveTheSelectionAndOpenAndCloseSubmenus) {
    Run([] {
        Key(Qt::Key_Home);
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        EXPECT_EQ(SelectedIn(0), QStringLiteral("&Ansicht"));
        Key(Qt::Key_Right);
        EXPECT_EQ(OpenPopups().size(), 2u);
        EXPECT_EQ(SelectedIn(1), QStringLiteral("&Groß"));
        Key(Qt::Key_Left);
        EXPECT_EQ(OpenPopups().size(), 1u);
        Key(Qt::Key_End);
        Key(Qt::Key_Tab);
        EXPECT_EQ(SelectedIn(0), QStringLiteral("&Öffnen"));
        Type(QStringLiteral("t"));
        EXPECT_EQ(SelectedIn(0), QStringLiteral("&Text"));
        Type(QStringLiteral("t"));
        EXPECT_EQ(SelectedIn(0), QStringLiteral("&Tabelle"));
        // Escape in a submenu closes only it.
        Type(QStringLiteral("a"));
        ASSERT_EQ(OpenPopups().size(), 2u);
        Key(Qt::Key_Escape);
        EXPECT_EQ(OpenPopups().size(), 1u);
        Key(Qt::Key_Escape);
        EXPECT_TRUE(OpenPopups().empty());
    });
    EXPECT_TRUE(clicked.empty());
}

TEST_F(MenuLoop, AUniqueAcceleratorClicksAfterTheLoopHasReturned) {
    Run([] { Type(QStringLiteral("ak")); });
    EXPECT_TRUE(clicked.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(clicked, std::vector<QString>{QStringLiteral("&Klein")});

    // Freed before the posted click arrives, it is not clicked.
    clicked.clear();
    Run([] { Type(QStringLiteral("ak")); });
    delete view->Items(1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(clicked.empty());
}

TEST_F(MenuLoop, TheAcceleratorOfADisabledItemSelectsItAndEndsTheLoop) {
    QString selectedAtEnd;
    save->OnSelect = [&](TTKCustomItem*, QObject*, bool selecting) {
        if (selecting)
            selectedAtEnd = QStringLiteral("&Speichern");
    };
    Run([] {
        Type(QStringLiteral("s"));
        EXPECT_TRUE(OpenPopups().empty());
    });
    EXPECT_EQ(selectedAtEnd, QStringLiteral("&Speichern"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(clicked.empty());
}

TEST_F(MenuLoop, F1GivesTheHelpOfTheSelectedItem) {
    text->SetHelpContext(7);
    int help = 0;
    SetMenuHelpHook([&help](int context) { help = context; });
    Run([] {
        Type(QStringLiteral("t"));
        Key(Qt::Key_F1);
        EXPECT_TRUE(OpenPopups().empty());
    });
    SetMenuHelpHook(nullptr);
    EXPECT_EQ(help, 7);
}

TEST_F(MenuLoop, RestingOnASubmenuOpensItAfterTheDelayAndAClickChooses) {
    Run([this] {
        Mouse(QEvent::MouseMove, RowCentre(0, view));
        QTest::qWait(200);
        EXPECT_EQ(OpenPopups().size(), 1u);
        QTest::qWait(400);
        ASSERT_EQ(OpenPopups().size(), 2u);
        const QPoint row = RowCentre(1, small);
        Mouse(QEvent::MouseMove, row);
        Mouse(QEvent::MouseButtonPress, row, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, row, Qt::LeftButton);
        EXPECT_TRUE(OpenPopups().empty());
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(clicked, std::vector<QString>{QStringLiteral("&Klein")});
}

TEST_F(MenuLoop, APressOutsideEndsTheLoopAndReachesItsWidget) {
    QWidget other;
    other.setGeometry(600, 500, 100, 100);
    other.show();
    struct PressRecorder : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            presses += e->type() == QEvent::MouseButtonPress ? 1 : 0;
            return false;
        }
    } recorder;
    other.installEventFilter(&recorder);
    Run([] {
        Mouse(QEvent::MouseButtonPress, QPoint(650, 550), Qt::LeftButton);
        EXPECT_TRUE(OpenPopups().empty());
    });
    EXPECT_EQ(recorder.presses, 1);
    EXPECT_TRUE(clicked.empty());
}

TEST_F(MenuLoop, TheReleaseThatOpenedTheMenuKeepsItOpenALaterOneOutsideClosesIt) {
    Run([] {
        Mouse(QEvent::MouseButtonRelease, QPoint(650, 550), Qt::RightButton);
        EXPECT_EQ(OpenPopups().size(), 1u);
        Mouse(QEvent::MouseButtonRelease, QPoint(650, 550), Qt::LeftButton);
        EXPECT_TRUE(OpenPopups().empty());
    });
    EXPECT_TRUE(clicked.empty());
}

TEST_F(MenuLoop, LosingTheGrabEndsTheLoop) {
    QWidget other;
    other.show();
    Run([&other] {
        other.grabMouse();
        Key(Qt::Key_Down);
        EXPECT_TRUE(OpenPopups().empty());
        other.releaseMouse();
    });
    EXPECT_TRUE(clicked.empty());
}

TEST_F(MenuLoop, LoopCapturesNestAndTheLastEndReleasesTheGrab) {
    QWidget window;
    window.show();
    BeginLoopCapture(window);
    BeginLoopCapture(window);
    EXPECT_EQ(QWidget::mouseGrabber(), &window);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    EndLoopCapture();
    EXPECT_EQ(QWidget::mouseGrabber(), &window);
    EndLoopCapture();
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    // One end too many changes nothing.
    EndLoopCapture();
    EXPECT_EQ(LoopCaptureDepth(), 0);
}

TEST_F(MenuLoop, RestingOnAScrollArrowScrollsEvery100Ms) {
    TTKRootItem tall;
    for (int i = 0; i < 80; ++i)
        tall.AddNew<TTKItem>(QStringLiteral("Eintrag %1").arg(i));
    QTimer::singleShot(0, [] {
        TTKPopupWindow* popup = OpenPopups().front();
        ASSERT_TRUE(popup->View().BottomArrowShown());
        const QPoint arrow = popup->Content().mapToGlobal(
            QPoint(20, popup->View().TotalSize().height() - kScrollArrowHeight / 2));
        Mouse(QEvent::MouseMove, arrow);
        EXPECT_EQ(popup->View().ScrollOffset(), 0);
        QTest::qWait(350);
        const int offset = popup->View().ScrollOffset();
        EXPECT_GT(offset, 0);
        QTest::qWait(200);
        EXPECT_GT(popup->View().ScrollOffset(), offset);
        Key(Qt::Key_Escape);
    });
    ASSERT_TRUE(tall.ShowAsPopup(QPoint(100, 0), false, TTKPopupAlignment::Left));
}

} // namespace
} // namespace quarn
