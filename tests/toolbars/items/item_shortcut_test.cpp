// The shortcut search: depth, links, disabled branches, menus rebuilt by their handlers and handlers
// that raise.
#include "toolbars/items/TTKItems.h"
#include "toolbars/items/TTKPopupMenu.h"

#include "foundation/UnhandledExceptionU.h"

#include <QKeyEvent>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace quarn {
namespace {

const QKeyCombination kCtrlK(Qt::ControlModifier, Qt::Key_K);

// Records what each item was told, in order.
struct Journal {
    std::vector<std::string> lines;
    void Watch(TTKCustomItem* item, const std::string& name) {
        item->OnClick = [this, name](TTKCustomItem*) { lines.push_back("click " + name); };
        item->OnPopup = [this, name](TTKCustomItem*, bool fromLink) {
            lines.push_back("popup " + name + (fromLink ? " link" : ""));
        };
    }
};

class ReportCatcher {
public:
    ReportCatcher() {
        previous_ = SetReportPresenter(
            [this](const std::string&, const std::string& message) { messages.push_back(message); });
    }
    ~ReportCatcher() { SetReportPresenter(previous_); }
    std::vector<std::string> messages;

private:
    TReportPresenter previous_;
};

TEST(ShortCut, ClicksTheItemDeepDownAfterTellingEveryLevelOnTheWay) {
    TTKRootItem root;
    Journal journal;
    auto* file = root.AddNew<TTKItem>("&Datei");
    auto* recent = file->AddNew<TTKItem>("&Zuletzt");
    auto* target = recent->AddNew<TTKItem>("&Klein");
    root.AddNew<TTKItem>("&Ansicht")->SetShortCut(QKeySequence(Qt::CTRL | Qt::Key_A));
    target->SetShortCut(QKeySequence(kCtrlK));
    journal.Watch(file, "Datei");
    journal.Watch(recent, "Zuletzt");
    journal.Watch(target, "Klein");

    EXPECT_FALSE(root.HandleShortCut(QKeyCombination(Qt::ControlModifier, Qt::Key_L)));
    EXPECT_TRUE(journal.lines.empty());
    EXPECT_TRUE(root.HandleShortCut(kCtrlK));
    EXPECT_EQ(journal.lines, (std::vector<std::string>{"popup Datei", "click Datei", "popup Zuletzt",
                                                       "click Zuletzt", "click Klein"}));

    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(root.HandleShortCut(press));
}

TEST(ShortCut, IsFoundBehindTwentyFiveLinksButNotBehindTwentySix) {
    for (const int links : {25, 26}) {
        // A chain of lists, each shown through the one before it by a link.
        std::vector<std::unique_ptr<TTKItem>> lists;
        for (int i = 0; i < links; ++i) {
            lists.push_back(std::make_unique<TTKItem>());
        }
        TTKRootItem root;
        root.AddNew<TTKItem>("Anfang")->SetLinkSubitems(lists[0].get());
        for (int i = 0; i + 1 < links; ++i) {
            lists[static_cast<std::size_t>(i)]->AddNew<TTKItem>()->SetLinkSubitems(
                lists[static_cast<std::size_t>(i) + 1].get());
        }
        bool clicked = false;
        auto* target = lists.back()->AddNew<TTKItem>("Ziel");
        target->SetShortCut(QKeySequence(kCtrlK));
        target->OnClick = [&](TTKCustomItem*) { clicked = true; };
        EXPECT_EQ(root.HandleShortCut(kCtrlK), links == 25) << links << " links";
        EXPECT_EQ(clicked, links == 25);
    }
}

TEST(ShortCut, ADisabledItemOnTheWayOrAtTheEndGivesFalse) {
    TTKRootItem root;
    auto* branch = root.AddNew<TTKItem>("Zweig");
    auto* target = branch->AddNew<TTKItem>("Ziel");
    target->SetShortCut(QKeySequence(kCtrlK));
    bool clicked = false;
    target->OnClick = [&](TTKCustomItem*) { clicked = true; };

    branch->SetEnabled(false);
    EXPECT_FALSE(root.HandleShortCut(kCtrlK));
    branch->SetEnabled(true);
    target->SetEnabled(false);
    EXPECT_FALSE(root.HandleShortCut(kCtrlK));
    EXPECT_FALSE(clicked);
    target->SetEnabled(true);
    EXPECT_TRUE(root.HandleShortCut(kCtrlK));
    EXPECT_TRUE(clicked);
}

TEST(ShortCut, ASubmenuRebuiltByItsPopupHandlerClicksTheNewItem) {
    TTKRootItem root;
    auto* dynamic = root.AddNew<TTKItem>("Fenster");
    dynamic->AddNew<TTKItem>("Alt")->SetShortCut(QKeySequence(kCtrlK));
    std::string clicked;
    dynamic->OnPopup = [&](TTKCustomItem* sender, bool) {
        while (sender->Count() > 0) {
            delete sender->Items(0);
        }
        auto* fresh = sender->AddNew<TTKItem>("Neu");
        fresh->SetShortCut(QKeySequence(kCtrlK));
        fresh->OnClick = [&](TTKCustomItem* item) { clicked = item->Caption().toStdString(); };
    };
    EXPECT_TRUE(root.HandleShortCut(kCtrlK));
    EXPECT_EQ(clicked, "Neu");
}

TEST(ShortCut, AHandlerThatRaisesIsReportedAndTheWalkGoesOn) {
    ReportCatcher reports;
    TTKRootItem root;
    auto* branch = root.AddNew<TTKItem>("Zweig");
    branch->OnPopup = [](TTKCustomItem*, bool) { throw std::runtime_error("Handler kaputt"); };
    auto* target = branch->AddNew<TTKItem>("Ziel");
    target->SetShortCut(QKeySequence(kCtrlK));
    bool clicked = false;
    target->OnClick = [&](TTKCustomItem*) { clicked = true; };

    EXPECT_TRUE(root.HandleShortCut(kCtrlK));
    EXPECT_TRUE(clicked);
    ASSERT_EQ(reports.messages.size(), 1u);
    EXPECT_EQ(reports.messages[0], "Handler kaputt");
}

TEST(ShortCut, APopupMenuAnswersThroughItsRootAndTellsItsOwnHandler) {
    TTKPopupMenu menu;
    int popups = 0;
    menu.OnPopup = [&](TTKPopupMenu& sender) {
        EXPECT_EQ(&sender, &menu);
        ++popups;
    };
    bool clicked = false;
    auto* item = menu.Items()->AddNew<TTKItem>("Kopieren");
    item->SetShortCut(QKeySequence(Qt::CTRL | Qt::Key_C));
    item->OnClick = [&](TTKCustomItem*) { clicked = true; };
    EXPECT_EQ(menu.Items()->OwnerComponent(), &menu);

    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QKeyEvent other(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(menu.IsShortCut(other));
    EXPECT_EQ(popups, 0);
    EXPECT_TRUE(menu.IsShortCut(copy));
    EXPECT_TRUE(clicked);
    EXPECT_EQ(popups, 1);
}

} // namespace
} // namespace quarn
