// Submenus open as frameless pop-up windows beside the row that opened them, turned back at the
// monitor's edge, scrolled when taller than the monitor, and closed with their parents.
#include "TTKFakeSettings.h"
#include "toolbars/items/TTKItems.h"
#include "toolbars/items/TTKPopupAnimation.h"
#include "toolbars/items/TTKPopupSeam.h"
#include "toolbars/items/TTKPopupWindow.h"

#include <QCursor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include "TTKTestItems.h"

namespace quarn {
namespace {

using test::ScopedFakeSettings;

using test::SubmenuItem;

class WindowFactory : public ITTKPopupFactory {
public:
    WindowFactory() { SetPopupFactory(this); }
    ~WindowFactory() { SetPopupFactory(nullptr); }
    QWidget* CreateSubmenu(TTKCustomItem& item, const TTKSubmenuRequest& request) override {
        return ShowSubmenuWindow(item, request);
    }
    TTKMenuOutcome RunPopupMenu(TTKCustomItem&, const QPoint&, bool, TTKPopupAlignment) override {
        return {};
    }
};

// Every shown pop-up window painted where it stands on the monitor.
QImage Screen(const std::vector<QWidget*>& windows) {
    QImage image(1024, 768, QImage::Format_ARGB32);
    image.fill(QColor(0x3a, 0x6e, 0xa5));
    QPainter painter(&image);
    for (QWidget* window : windows)
        if (window && window->isVisible())
            painter.drawPixmap(window->pos(), window->grab());
    return image;
}

void Save(const QImage& image, const char* name) {
    ASSERT_TRUE(QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots"));
    EXPECT_TRUE(image.save(QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/") + QLatin1String(name)));
}

class PopupWindow : public ::testing::Test {
protected:
    void SetUp() override {
        root.AddNew<TTKItem>(QStringLiteral("&Öffnen"));
        root.AddNew<TTKItem>(QStringLiteral("&Speichern"))->SetEnabled(false);
        root.AddNew<TTKSeparatorItem>();
        view = root.AddNew<SubmenuItem>(QStringLiteral("&Ansicht"));
        size = view->AddNew<SubmenuItem>(QStringLiteral("&Größe"));
        size->AddNew<TTKItem>(QStringLiteral("&Groß"));
        size->AddNew<TTKItem>(QStringLiteral("&Klein"));
        view->AddNew<TTKItem>(QStringLiteral("&Text"));
        view->AddNew<TTKItem>(QStringLiteral("&Tabelle"));
    }

    // The menu's own pop-up at a point, with `item` selected and its submenu opened.
    std::unique_ptr<TTKPopupWindow> OpenMenuAt(QPoint at) {
        TTKSubmenuRequest request;
        request.point = at;
        std::unique_ptr<TTKPopupWindow> menu(ShowSubmenuWindow(root, request));
        menu->View().SetSelection(menu->View().FindViewer(view));
        return menu;
    }

    ScopedFakeSettings settings;
    WindowFactory factory;
    TTKRootItem root;
    SubmenuItem* view = nullptr;
    SubmenuItem* size = nullptr;
};

TEST_F(PopupWindow, ASubmenuOpensBesideItsRowWithoutTakingTheKeyboard) {
    const auto menu = OpenMenuAt(QPoint(100, 100));
    EXPECT_EQ(menu->pos(), QPoint(100, 100));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(menu->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(menu->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(menu->size(), menu->View().TotalSize() + QSize(6, 6));

    ASSERT_TRUE(menu->View().OpenSelectedSubmenu(true));
    QPointer<QWidget> submenu = menu->View().OpenSubmenuWindow();
    const auto* popup = qobject_cast<TTKPopupWindow*>(submenu.data());
    ASSERT_NE(popup, nullptr);
    const QRect row = menu->View().Selected()->BoundsRect().translated(menu->Content().mapToGlobal(QPoint()));
    EXPECT_EQ(popup->x(), row.right() + 1 - TTKPopupWindow::kFrame);
    EXPECT_EQ(popup->y(), row.top() - TTKPopupWindow::kFrame);
    EXPECT_EQ(&popup->View().Selected()->Item(), size);
    EXPECT_FALSE(popup->View().OpensSubmenusLeft());

    // Its own submenu, then closing the first closes both.
    ASSERT_TRUE(popup->View().OpenSelectedSubmenu(false));
    QPointer<QWidget> inner = popup->View().OpenSubmenuWindow();
    Save(Screen({menu.get(), submenu.data(), inner.data()}), "kit-popup-base.png");
    menu->View().CloseSubmenus();
    EXPECT_TRUE(submenu.isNull());
    EXPECT_TRUE(inner.isNull());
}

TEST_F(PopupWindow, AtTheMonitorsRightEdgeSubmenusOpenLeftAndTheirsToo) {
    const auto menu = OpenMenuAt(QPoint(900, 100));
    ASSERT_TRUE(menu->View().OpenSelectedSubmenu(true));
    auto* popup = qobject_cast<TTKPopupWindow*>(menu->View().OpenSubmenuWindow());
    ASSERT_NE(popup, nullptr);
    // Its frame overlaps the row by the frame's width, as on the right.
    EXPECT_EQ(popup->x() + popup->width(), menu->x() + 2 * TTKPopupWindow::kFrame);
    EXPECT_TRUE(popup->View().OpensSubmenusLeft());

    ASSERT_TRUE(popup->View().OpenSelectedSubmenu(false));
    QWidget* inner = popup->View().OpenSubmenuWindow();
    EXPECT_LT(inner->x(), popup->x());
}

TEST_F(PopupWindow, ASubmenuFadesInAndMovingIntoItShowsItFullyAtOnce) {
    settings->animation = true;
    settings->fade = true;
    QCursor::setPos(10, 10);
    const auto menu = OpenMenuAt(QPoint(100, 100));
    ASSERT_TRUE(menu->View().OpenSelectedSubmenu(false));
    QWidget* popup = menu->View().OpenSubmenuWindow();
    TTKPopupAnimation& animation = TTKPopupAnimation::Instance();
    EXPECT_TRUE(animation.Running());
    EXPECT_EQ(animation.Window(), popup);
    QCursor::setPos(popup->geometry().center());
    QTest::qWait(60);
    EXPECT_FALSE(animation.Running());
    EXPECT_TRUE(popup->isVisible());
    EXPECT_DOUBLE_EQ(popup->windowOpacity(), 1.0);

    // Opened from the keyboard, with its first item selected, it shows at once.
    menu->View().CloseSubmenus();
    menu->View().SetSelection(menu->View().FindViewer(view));
    ASSERT_TRUE(menu->View().OpenSelectedSubmenu(true));
    EXPECT_FALSE(animation.Running());
    EXPECT_TRUE(menu->View().OpenSubmenuWindow()->isVisible());
    EXPECT_FALSE(animation.WorkerAlive());
}

TEST_F(PopupWindow, AMenuTallerThanTheMonitorScrolls) {
    TTKRootItem tall;
    for (int i = 0; i < 60; ++i)
        tall.AddNew<TTKItem>(QStringLiteral("Eintrag &%1").arg(i));
    TTKSubmenuRequest request;
    request.point = QPoint(200, 0);
    request.selectFirst = true;
    std::unique_ptr<TTKPopupWindow> menu(ShowSubmenuWindow(tall, request));
    EXPECT_EQ(menu->height(), 768);
    EXPECT_TRUE(menu->View().BottomArrowShown());
    menu->View().ScrollStep(true);
    menu->View().ScrollStep(true);
    EXPECT_TRUE(menu->View().TopArrowShown());
    EXPECT_TRUE(menu->View().BottomArrowShown());
    Save(Screen({menu.get()}), "kit-popup-scroll.png");
}

} // namespace
} // namespace quarn
