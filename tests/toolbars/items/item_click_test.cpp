// Clicks: AutoCheck, OnClick and the linked QAction; the click posted after a menu loop; the pop-up
// seam's outcome; the image lists items watch.
#include "TTKFakeSettings.h"
#include "support/RunEvents.h"
#include "toolbars/items/TTKItems.h"
#include "toolbars/items/TTKPopupMenu.h"
#include "toolbars/items/TTKPopupSeam.h"

#include "foundation/UnhandledExceptionU.h"

#include <QAction>
#include <QCoreApplication>
#include <QPainter>
#include <gtest/gtest.h>
#include <stdexcept>

namespace quarn {
namespace {

using test::ScopedFakeSettings;

void RunPosted() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

TEST(ItemClick, AutoCheckTogglesAndOnClickRuns) {
    TTKItem item("Umbruch");
    int clicks = 0;
    item.OnClick = [&](TTKCustomItem*) { ++clicks; };
    item.Click();
    EXPECT_FALSE(item.Checked());
    item.SetAutoCheck(true);
    item.Click();
    EXPECT_TRUE(item.Checked());
    item.Click();
    EXPECT_FALSE(item.Checked());
    EXPECT_EQ(clicks, 3);
}

TEST(ItemAction, TheItemTakesTheActionsValuesAndFollowsThemWhileLinked) {
    QAction action("&Speichern");
    action.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    action.setToolTip("Speichert|Speichert die Datei");
    action.setCheckable(true);
    action.setProperty("ImageIndex", 4);
    action.setProperty("HelpContext", 7);
    TTKItem item;
    item.SetAction(&action);
    EXPECT_EQ(item.Caption(), "&Speichern");
    EXPECT_EQ(item.ShortCut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(item.Hint(), "Speichert|Speichert die Datei");
    EXPECT_EQ(item.HintWithShortCut(), "Speichert");
    EXPECT_TRUE(item.AutoCheck());
    EXPECT_EQ(item.ImageIndex(), 4);
    EXPECT_EQ(item.HelpContext(), 7);

    action.setEnabled(false);
    action.setProperty("ImageIndex", 5);
    EXPECT_FALSE(item.Enabled());
    EXPECT_EQ(item.ImageIndex(), 5);

    // A value the item was given itself is no longer the action's to change.
    item.SetCaption("Eigener Text");
    action.setText("&Sichern");
    EXPECT_EQ(item.Caption(), "Eigener Text");
    action.setVisible(false);
    EXPECT_FALSE(item.Visible());
}

TEST(ItemAction, AClickTriggersTheActionUnlessTheItemHasItsOwnHandler) {
    QAction action("Umbruch");
    action.setCheckable(true);
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    TTKItem item;
    item.SetAction(&action);
    item.Click();
    EXPECT_EQ(triggered, 1);
    EXPECT_TRUE(action.isChecked());
    EXPECT_TRUE(item.Checked()) << "the action's toggle reaches the item, and only once";

    int own = 0;
    item.OnClick = [&](TTKCustomItem*) { ++own; };
    item.Click();
    EXPECT_EQ(own, 1);
    EXPECT_EQ(triggered, 1);
}

TEST(ItemAction, AFreedActionLeavesTheItemUnlinked) {
    auto action = std::make_unique<QAction>("Weg");
    TTKItem item;
    item.SetAction(action.get());
    action.reset();
    EXPECT_EQ(item.Action(), nullptr);
    item.Click();
    EXPECT_EQ(item.Caption(), "Weg");
}

TEST(PostedClick, RunsAfterTheCallerReturnedAndNotForAFreedItem) {
    auto item = std::make_unique<TTKItem>("&Klein");
    int clicks = 0;
    item->OnClick = [&](TTKCustomItem*) { ++clicks; };
    PostItemClick(item.get());
    EXPECT_EQ(clicks, 0);
    RunPosted();
    EXPECT_EQ(clicks, 1);

    PostItemClick(item.get());
    item.reset();
    RunPosted();
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(ClickObjectExists()) << "the hidden click object goes with the last item";
}

TEST(PostedClick, AClickThatRaisesIsReported) {
    std::vector<std::string> reports;
    const TReportPresenter previous = SetReportPresenter(
        [&](const std::string&, const std::string& message) { reports.push_back(message); });
    TTKItem item;
    item.OnClick = [](TTKCustomItem*) { throw std::runtime_error("Klick kaputt"); };
    PostItemClick(&item);
    RunPosted();
    SetReportPresenter(previous);
    EXPECT_EQ(reports, std::vector<std::string>{"Klick kaputt"});
}

// The menu loop as the item model sees it: it opens, decides and closes.
class ScriptedLoop : public ITTKPopupFactory {
public:
    ScriptedLoop() { SetPopupFactory(this); }
    ~ScriptedLoop() { SetPopupFactory(nullptr); }

    TTKMenuOutcome outcome;
    QPoint point;
    bool trackRight = false;
    int submenus = 0;

    QWidget* CreateSubmenu(TTKCustomItem&, const TTKSubmenuRequest&) override {
        ++submenus;
        return nullptr;
    }
    TTKMenuOutcome RunPopupMenu(TTKCustomItem&, const QPoint& at, bool trackRightButton,
                                TTKPopupAlignment) override {
        point = at;
        trackRight = trackRightButton;
        return outcome;
    }
};

TEST(MenuOutcome, AChosenItemIsClickedAfterTheLoopWithTheCommandSound) {
    ScopedFakeSettings settings;
    settings->Store().WriteString(
        Hive::CurrentUser, "AppEvents\\Schemes\\Apps\\.Default\\MenuCommand\\.Current", "", "/klick.wav");
    ScriptedLoop loop;
    TTKPopupMenu menu;
    menu.SetTrackButton(TTKPopupMenu::TrackButton::Right);
    auto* item = menu.Items()->AddNew<TTKItem>("&Klein");
    int clicks = 0;
    item->OnClick = [&](TTKCustomItem*) { ++clicks; };
    loop.outcome = {TTKMenuOutcome::Kind::Click, item, true};

    menu.Popup(120, 80);
    EXPECT_EQ(loop.point, QPoint(120, 80));
    EXPECT_TRUE(loop.trackRight);
    EXPECT_EQ(clicks, 0) << "the click waits until the loop has returned";
    EXPECT_EQ(settings->played, std::vector<std::string>{"/klick.wav"});
    RunPosted();
    EXPECT_EQ(clicks, 1);
}

TEST(MenuOutcome, HelpGoesToTheApplicationsHookWithTheItemsContext) {
    ScriptedLoop loop;
    TTKRootItem root;
    auto* item = root.AddNew<TTKItem>("&Text");
    item->SetHelpContext(7);
    int asked = 0;
    SetMenuHelpHook([&](int context) { asked = context; });
    loop.outcome = {TTKMenuOutcome::Kind::Help, item, false};
    EXPECT_TRUE(root.ShowAsPopup(QPoint(0, 0), false, TTKPopupAlignment::Left));
    SetMenuHelpHook({});
    EXPECT_EQ(asked, 7);

    loop.outcome = {TTKMenuOutcome::Kind::SystemMenu, item, false};
    EXPECT_TRUE(root.ShowAsPopup(QPoint(0, 0), false, TTKPopupAlignment::Left));
}

TEST(MenuOutcome, WithoutAMenuLoopNothingOpens) {
    TTKRootItem root;
    EXPECT_FALSE(root.ShowAsPopup(QPoint(0, 0), false, TTKPopupAlignment::Left));
}

TEST(Submenu, TheLinkedListAndTheItemHearOfTheOpeningFirst) {
    ScriptedLoop loop;
    std::vector<std::string> heard;
    TTKItem shared;
    shared.OnPopup = [&](TTKCustomItem*, bool fromLink) {
        heard.push_back(fromLink ? "shared link" : "shared");
    };
    TTKItem window("&Fenster");
    window.SetLinkSubitems(&shared);
    window.OnPopup = [&](TTKCustomItem*, bool fromLink) { heard.push_back(fromLink ? "own link" : "own"); };
    window.ShowSubmenu({});
    EXPECT_EQ(heard, (std::vector<std::string>{"shared link", "own"}));
    EXPECT_EQ(loop.submenus, 1);
}

TEST(ImageList, AStripIsCutWithFuchsiaTransparentAndItemsHearOfNewSizes) {
    QImage strip(48, 16, QImage::Format_RGB32);
    strip.fill(QColor(0xFF, 0x00, 0xFF));
    QPainter(&strip).fillRect(20, 4, 4, 4, Qt::blue);
    TTKCustomImageList images(16, 16);
    images.SetImagesBitmap(strip);
    ASSERT_EQ(images.Count(), 3);
    const QImage second = images.Image(1).toImage();
    EXPECT_EQ(qAlpha(second.pixel(0, 0)), 0);
    EXPECT_EQ(second.pixel(5, 5), qRgb(0, 0, 255));

    TTKRootItem root;
    auto* item = root.AddNew<TTKItem>("Bild");
    struct Count : ITTKItemChangeListener {
        int resize = 0;
        int plain = 0;
        void ItemNotification(TTKItemChangeKind kind, TTKCustomItem*, bool, TTKCustomItem*, int) override {
            resize += kind == TTKItemChangeKind::InvalidateAndResize;
            plain += kind == TTKItemChangeKind::Invalidate;
        }
    } view;
    item->SetImages(&images);
    root.AddViewListener(&view);
    images.Add(QPixmap(16, 16));
    EXPECT_EQ(view.plain, 1);
    images.SetSize(24, 24);
    EXPECT_EQ(view.resize, 1);

    auto going = std::make_unique<TTKCustomImageList>(24, 24);
    item->SetImages(going.get());
    view.resize = 0;
    going.reset();
    EXPECT_EQ(item->Images(), nullptr);
    EXPECT_EQ(view.resize, 1);
    root.RemoveViewListener(&view);
}

} // namespace
} // namespace quarn
