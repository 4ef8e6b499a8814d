// A view of an item's children in a real (offscreen) window: its viewers follow the item tree, and its
// selection, accelerators, submenus and scrolling are what the menu loop works with.
#include "TTKFakeSettings.h"
#include "toolbars/items/TTKCommon.h"
#include "toolbars/items/TTKItems.h"
#include "toolbars/items/TTKPopupSeam.h"
#include "toolbars/items/TTKView.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

#include "TTKTestItems.h"

namespace quarn {
namespace {

using test::ScopedFakeSettings;

using test::SubmenuItem;

class Group : public TTKItem {
public:
    Group() { SetStyleBits(StyleBits() | tbis::EmbeddedGroup); }
};

// Opens every submenu as a plain window holding a pop-up view of the item's children.
class WindowFactory : public ITTKPopupFactory {
public:
    WindowFactory() { SetPopupFactory(this); }
    ~WindowFactory() { SetPopupFactory(nullptr); }
    int opened = 0;

    QWidget* CreateSubmenu(TTKCustomItem& item, const TTKSubmenuRequest& request) override {
        ++opened;
        auto* window = new QWidget;
        new TTKView(window, static_cast<TTKView*>(request.parentView), &item, window, false, false, false);
        return window;
    }
    TTKMenuOutcome RunPopupMenu(TTKCustomItem&, const QPoint&, bool, TTKPopupAlignment) override {
        return {};
    }
};

std::vector<QString> Captions(const TTKView& view) {
    std::vector<QString> captions;
    for (int i = 0; i < view.ViewerCount(); ++i)
        captions.push_back(view.Viewers(i)->Item().Caption());
    return captions;
}

class ItemView : public ::testing::Test {
protected:
    void SetUp() override {
        open = root.AddNew<TTKItem>(QStringLiteral("&Öffnen"));
        save = root.AddNew<TTKItem>(QStringLiteral("&Speichern"));
        save->SetEnabled(false);
        root.AddNew<TTKSeparatorItem>();
        view = root.AddNew<SubmenuItem>(QStringLiteral("&Ansicht"));
        view->AddNew<TTKItem>(QStringLiteral("&Groß"));
        view->AddNew<TTKItem>(QStringLiteral("&Klein"));
        text = root.AddNew<TTKItem>(QStringLiteral("&Text\tStrg+T"));
        table = root.AddNew<TTKItem>(QStringLiteral("&Tabelle"));
        hidden = root.AddNew<TTKItem>(QStringLiteral("&Versteckt"));
        hidden->SetVisible(false);
    }

    std::unique_ptr<TTKView> MakeView(bool toolbarStyle = false) {
        auto made = std::make_unique<TTKView>(nullptr, nullptr, &root, &window, toolbarStyle, false, false);
        made->Relayout();
        return made;
    }

    TTKItemViewer* Hit(TTKView& v, TTKItemViewer* from, QChar key, bool primaryOnly, bool& onlyOne) {
        return v.FindAccelTarget(from, key, primaryOnly, onlyOne);
    }

    ScopedFakeSettings settings;
    QWidget window;
    TTKRootItem root;
    TTKItem* open = nullptr;
    TTKItem* save = nullptr;
    SubmenuItem* view = nullptr;
    TTKItem* text = nullptr;
    TTKItem* table = nullptr;
    TTKItem* hidden = nullptr;
};

TEST_F(ItemView, ViewersFollowInsertsDeletesAndEmbeddedGroups) {
    const auto v = MakeView();
    ASSERT_EQ(v->ViewerCount(), 7);
    EXPECT_EQ(window.size(), v->TotalSize());

    auto* fresh = new TTKItem(QStringLiteral("Neu"));
    root.Insert(1, fresh);
    EXPECT_EQ(v->Viewers(1)->Item().Caption(), QStringLiteral("Neu"));
    EXPECT_TRUE(v->Viewers(1)->Shown());

    // Deleting the selected item clears the selection with its viewer.
    v->SetSelection(v->FindViewer(fresh));
    root.Remove(fresh);
    std::unique_ptr<TTKItem> owned(fresh);
    EXPECT_EQ(v->Selected(), nullptr);
    EXPECT_EQ(v->ViewerCount(), 7);
    try {
        v->FindViewer(fresh);
        FAIL() << "no error";
    } catch (const ETKItemError& e) {
        EXPECT_STREQ(e.what(), kTextViewerNotFound);
    }

    // A group's children stand in its place; appended to the group, they join it there.
    auto* group = new Group;
    group->AddNew<TTKItem>(QStringLiteral("G1"));
    root.Insert(0, group);
    group->AddNew<TTKItem>(QStringLiteral("G2"));
    const std::vector<QString> captions = Captions(*v);
    ASSERT_GE(captions.size(), 3u);
    EXPECT_EQ(captions[1], QStringLiteral("G1"));
    EXPECT_EQ(captions[2], QStringLiteral("G2"));
    EXPECT_FALSE(v->FindViewer(group)->Shown());
    EXPECT_TRUE(v->FindViewer(group->Items(1))->Shown());
}

TEST_F(ItemView, MenuRowsShareTheWidestWidthAndSkipHiddenItems) {
    const auto v = MakeView();
    const QRect first = v->FindViewer(open)->BoundsRect();
    const QRect withShortCut = v->FindViewer(text)->BoundsRect();
    EXPECT_EQ(first.width(), withShortCut.width());
    EXPECT_EQ(first.width(), v->TotalSize().width());
    EXPECT_GT(v->FindViewer(save)->BoundsRect().top(), first.top());
    EXPECT_FALSE(v->FindViewer(hidden)->Shown());

    // Shown again, it takes a row of its own.
    const int height = v->TotalSize().height();
    hidden->SetVisible(true);
    EXPECT_TRUE(v->FindViewer(hidden)->Shown());
    EXPECT_EQ(v->TotalSize().height(), height + first.height());
}

TEST_F(ItemView, SelectionStepsOverSeparatorsAndHiddenItemsAndWraps) {
    const auto v = MakeView();
    std::vector<std::pair<QString, bool>> told;
    for (TTKCustomItem* item : {static_cast<TTKCustomItem*>(open), static_cast<TTKCustomItem*>(table)})
        item->OnSelect = [&told](TTKCustomItem* sender, QObject*, bool selecting) {
            told.emplace_back(sender->Caption(), selecting);
        };

    std::vector<QString> forward;
    for (int i = 0; i < 7; ++i) {
        v->StepSelection(true);
        forward.push_back(v->Selected()->Item().Caption());
    }
    const std::vector<QString> expected = {"&Öffnen",  "&Speichern", "&Ansicht",  "&Text\tStrg+T",
                                           "&Tabelle", "&Öffnen",    "&Speichern"};
    EXPECT_EQ(forward, expected);
    v->SetSelection(v->FindViewer(open));
    v->StepSelection(false);
    EXPECT_EQ(&v->Selected()->Item(), table);
    const std::vector<std::pair<QString, bool>> expectedTold = {
        {"&Öffnen", true},  {"&Öffnen", false}, {"&Tabelle", true}, {"&Tabelle", false}, {"&Öffnen", true},
        {"&Öffnen", false}, {"&Öffnen", true},  {"&Öffnen", false}, {"&Tabelle", true}};
    EXPECT_EQ(told, expectedTold);
    EXPECT_EQ(&v->FirstSelectable()->Item(), open);
}

TEST_F(ItemView, AcceleratorsFindEnabledItemsFirstThenFirstLetters) {
    root.AddNew<TTKItem>(QStringLiteral("Zoom"));
    auto* store = root.AddNew<TTKItem>(QStringLiteral("&Sichern"));
    const auto v = MakeView();
    struct Case {
        const char* name;
        TTKCustomItem* from;
        QChar key;
        bool primaryOnly;
        QString hit;
        bool onlyOne;
    };
    const Case cases[] = {
        {"two items share t", nullptr, 't', false, "&Text\tStrg+T", false},
        {"the search goes on after From", text, 'T', false, "&Tabelle", false},
        {"enabled before disabled", nullptr, 's', false, "&Sichern", true},
        {"by the locale's case", nullptr, QChar(0x00D6), false, "&Öffnen", true},
        {"a first letter without accelerator", nullptr, 'z', false, "Zoom", true},
        {"only accelerators", nullptr, 'z', true, "", false},
        {"hidden items have none", nullptr, 'v', false, "", false},
    };
    for (const Case& c : cases) {
        bool onlyOne = !c.onlyOne;
        TTKItemViewer* from = c.from ? v->FindViewer(c.from) : nullptr;
        TTKItemViewer* hit = Hit(*v, from, c.key, c.primaryOnly, onlyOne);
        EXPECT_EQ(hit ? hit->Item().Caption() : QString(), c.hit) << c.name;
        EXPECT_EQ(onlyOne, c.onlyOne) << c.name;
    }

    // Without an enabled one the disabled item is found, and it is always the only one.
    store->SetEnabled(false);
    bool onlyOne = false;
    EXPECT_EQ(&Hit(*v, nullptr, 's', false, onlyOne)->Item(), save);
    EXPECT_TRUE(onlyOne);
}

TEST_F(ItemView, AcceleratorsShowWhenForcedOrWhenTheSystemShowsCues) {
    const auto v = MakeView();
    v->SetHideAccelsUntilKeyboard(true);
    settings->keyboardCues = false;
    v->SetAccelVisibility(false);
    EXPECT_FALSE(v->AccelsVisible());
    v->SetAccelVisibility(true);
    EXPECT_TRUE(v->AccelsVisible());
    settings->keyboardCues = true;
    v->SetAccelVisibility(false);
    EXPECT_TRUE(v->AccelsVisible());
}

TEST_F(ItemView, OnlyAnEnabledSubmenuOpensAndSelectingAnotherClosesIt) {
    WindowFactory factory;
    const auto v = MakeView();
    v->SetSelection(v->FindViewer(open));
    EXPECT_FALSE(v->OpenSelectedSubmenu(false));

    v->SetSelection(v->FindViewer(view));
    ASSERT_TRUE(v->OpenSelectedSubmenu(true));
    EXPECT_TRUE(v->OpenSelectedSubmenu(true));
    EXPECT_EQ(factory.opened, 1);
    QPointer<QWidget> submenu = v->OpenSubmenuWindow();
    TTKView* inner = submenu->findChild<TTKView*>();
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->ParentView(), v.get());
    EXPECT_EQ(Captions(*inner), (std::vector<QString>{"&Groß", "&Klein"}));

    v->SetSelection(v->FindViewer(text));
    EXPECT_FALSE(v->OpenSelectedSubmenu(false));
    EXPECT_TRUE(submenu.isNull());

    view->SetEnabled(false);
    v->SetSelection(v->FindViewer(view));
    EXPECT_FALSE(v->OpenSelectedSubmenu(false));
    EXPECT_EQ(factory.opened, 1);
}

TEST_F(ItemView, ATallMenuScrollsAndRevealsTheSelection) {
    TTKRootItem longRoot;
    for (int i = 0; i < 30; ++i)
        longRoot.AddNew<TTKItem>(QStringLiteral("Eintrag %1").arg(i));
    TTKView v(nullptr, nullptr, &longRoot, &window, false, false, false);
    v.SetLargestHeight(200);
    v.Relayout();
    ASSERT_EQ(window.height(), 200);
    EXPECT_TRUE(v.BottomArrowShown());
    EXPECT_FALSE(v.TopArrowShown());

    v.ScrollStep(true);
    EXPECT_GT(v.ScrollOffset(), 0);
    EXPECT_TRUE(v.TopArrowShown());

    // Stepping back from the first row wraps to the last, which is scrolled into sight.
    v.SetSelection(v.FindViewer(longRoot.Items(0)));
    v.StepSelection(false);
    EXPECT_EQ(&v.Selected()->Item(), longRoot.Items(29));
    EXPECT_TRUE(v.Selected()->Shown());
    EXPECT_FALSE(v.BottomArrowShown());
    v.ScrollStep(true);
    EXPECT_FALSE(v.BottomArrowShown());
}

TEST_F(ItemView, PaintsTheMenuWithTheSelectionOnTop) {
    const auto v = MakeView();
    v->SetSelection(v->FindViewer(text));
    QImage image(window.size(), QImage::Format_ARGB32);
    image.fill(window.palette().color(QPalette::Window));
    {
        QPainter painter(&image);
        v->Paint(painter);
    }
    const QRect selected = v->FindViewer(text)->BoundsRect();
    EXPECT_EQ(image.pixelColor(selected.topLeft() + QPoint(1, 1)),
              window.palette().color(QPalette::Highlight));
    ASSERT_TRUE(QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots"));
    EXPECT_TRUE(image.save(QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/kit-view-menu.png")));
}

} // namespace
} // namespace quarn
