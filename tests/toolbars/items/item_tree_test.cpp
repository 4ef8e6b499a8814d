// The item tree: insertion, deletion and moving with their checks, the notices views hear, the
// effective options and the property setters' notices.
#include "ItemRecorder.h"
#include "toolbars/items/TTKCommon.h"
#include "toolbars/items/TTKItems.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace quarn {
namespace {

using test::ItemRecorder;
using K = TTKItemChangeKind;

std::vector<QString> Captions(const TTKCustomItem& item) {
    std::vector<QString> captions;
    for (int i = 0; i < item.Count(); ++i) {
        captions.push_back(item.Items(i)->Caption());
    }
    return captions;
}

class ItemTree : public ::testing::Test {
protected:
    ItemTree() {
        for (const char* caption : {"A", "B", "C"}) {
            root.AddNew<TTKItem>(caption);
        }
        root.AddViewListener(&view);
    }
    ~ItemTree() override { root.RemoveViewListener(&view); }

    TTKRootItem root;
    ItemRecorder view;
};

void ExpectItemError(const std::function<void()>& call, const char* text) {
    try {
        call();
        ADD_FAILURE() << "no error, expected " << text;
    } catch (const ETKItemError& error) {
        EXPECT_STREQ(error.what(), text);
    }
}

TEST_F(ItemTree, InsertAtCountAppendsAndBeyondRaises) {
    auto* last = new TTKItem("D");
    root.Insert(root.Count(), last);
    EXPECT_EQ(root.Items(3), last);
    EXPECT_EQ(last->Parent(), &root);
    EXPECT_EQ(view.Kinds(), (std::vector<K>{K::BeginUpdate, K::Inserting, K::EndUpdate}));
    EXPECT_EQ(view.notices[1].item, last);
    EXPECT_EQ(view.notices[1].index, 3);

    auto beyond = std::make_unique<TTKItem>("E");
    ExpectItemError([&] { root.Insert(root.Count() + 1, beyond.get()); }, "Toolbar item index out of range");
    ExpectItemError([&] { root.Insert(-1, beyond.get()); }, "Toolbar item index out of range");
    ExpectItemError([&] { root.Items(4); }, "Toolbar item index out of range");
    EXPECT_EQ(beyond->Parent(), nullptr);
    EXPECT_EQ(root.Count(), 4);
}

TEST_F(ItemTree, AnItemGoesIntoOneTreeOnceAndNeverBelowItself) {
    TTKCustomItem* b = root.Items(1);
    auto* inner = b->AddNew<TTKItem>("B1");
    auto* innermost = inner->AddNew<TTKItem>("B11");
    ExpectItemError([&] { root.Add(b); }, "Toolbar item already inserted");
    // The root has no parent, so only the cycle check stands between it and an endless tree.
    ExpectItemError([&] { innermost->Add(&root); }, "Toolbar item already inserted");
    ExpectItemError([&] { root.Add(&root); }, "Toolbar item already inserted");
    EXPECT_EQ(root.Parent(), nullptr);
    EXPECT_EQ(innermost->Count(), 0);
    EXPECT_EQ(Captions(root), (std::vector<QString>{"A", "B", "C"}));
}

TEST_F(ItemTree, MoveChecksBothIndicesBeforeTakingTheItemOut) {
    ExpectItemError([&] { root.Move(0, 3); }, "Toolbar item index out of range");
    ExpectItemError([&] { root.Move(5, 1); }, "Toolbar item index out of range");
    EXPECT_EQ(Captions(root), (std::vector<QString>{"A", "B", "C"}));
    EXPECT_TRUE(view.notices.empty());

    root.Move(0, 2);
    EXPECT_EQ(Captions(root), (std::vector<QString>{"B", "C", "A"}));
    EXPECT_EQ(view.notices.front().kind, K::BeginUpdate);
    EXPECT_EQ(view.notices.back().kind, K::EndUpdate);
}

TEST_F(ItemTree, DeleteTellsTheViewsFirstAndHandsTheItemBack) {
    std::unique_ptr<TTKCustomItem> b(root.Items(1));
    view.onNotice = [&] {
        // The views still find the item in its place while they hear of its going.
        EXPECT_EQ(root.IndexOf(b.get()), 1);
    };
    root.Remove(b.get());
    EXPECT_EQ(view.Kinds(), std::vector<K>{K::Deleting});
    EXPECT_EQ(view.notices[0].index, 1);
    EXPECT_EQ(b->Parent(), nullptr);
    EXPECT_EQ(Captions(root), (std::vector<QString>{"A", "C"}));
}

TEST_F(ItemTree, FreeingAnItemFreesItsChildrenLastFirstAndLeavesItsParent) {
    auto* b = root.Items(1);
    b->AddNew<TTKItem>()->SetName("B1");
    QPointer<TTKCustomItem> b2 = b->AddNew<TTKItem>();
    b2->SetName("B2");
    std::vector<QString> order;
    for (int i = 0; i < b->Count(); ++i) {
        QObject::connect(b->Items(i), &QObject::destroyed,
                         [&order](QObject* gone) { order.push_back(gone->objectName()); });
    }
    delete b;
    EXPECT_EQ(order, (std::vector<QString>{"B2", "B1"}));
    EXPECT_TRUE(b2.isNull());
    EXPECT_EQ(Captions(root), (std::vector<QString>{"A", "C"}));
}

TEST(ItemNotices, AViewThatLeavesDuringANoticeEndsTheWalkSafely) {
    TTKRootItem root;
    ItemRecorder only;
    root.AddViewListener(&only);
    // The only view leaves, and with it the whole list goes, in the middle of the walk.
    only.onNotice = [&] { root.RemoveViewListener(&only); };
    root.AddNew<TTKItem>("A");
    EXPECT_EQ(only.notices.size(), 1u);

    ItemRecorder first;
    ItemRecorder second;
    root.AddViewListener(&first);
    root.AddViewListener(&second);
    first.onNotice = [&] { root.RemoveViewListener(&first); };
    root.Items(0)->SetCaption("B");
    EXPECT_EQ(first.notices.size(), 1u);
    ASSERT_EQ(second.notices.size(), 1u) << "the view after the one that left was skipped";
    root.RemoveViewListener(&second);
}

TEST(ItemNotices, ListenersAreCountedEmbeddedGroupsTellTheirParentAndLinksRelay) {
    // The views outlive the items they watch.
    ItemRecorder rootView;
    ItemRecorder sourceView;
    ItemRecorder linkedView;
    TTKRootItem root;
    TTKItem source;
    auto* group = root.AddNew<TTKItem>("Gruppe");
    root.AddViewListener(&rootView);
    root.AddViewListener(&rootView);
    root.RemoveViewListener(&rootView);
    source.AddViewListener(&sourceView);

    group->SetLinkSubitems(&source);
    ASSERT_EQ(rootView.notices.size(), 0u) << "a non-embedded item keeps its notices to its own views";

    TTKItem linked;
    linked.AddViewListener(&linkedView);
    linked.SetLinkSubitems(&source);
    linkedView.notices.clear();
    auto* child = source.AddNew<TTKItem>("X");
    EXPECT_EQ(sourceView.Kinds(), (std::vector<K>{K::BeginUpdate, K::Inserting, K::EndUpdate}));
    ASSERT_EQ(linkedView.notices.size(), 3u);
    EXPECT_TRUE(linkedView.notices[1].relayed);
    EXPECT_EQ(linkedView.notices[1].ancestor, &source);
    EXPECT_EQ(linkedView.notices[1].item, child);

    struct Group : TTKItem {
        Group() { SetStyleBits(StyleBits() | tbis::EmbeddedGroup); }
    };
    auto* embedded = root.AddNew<Group>();
    rootView.notices.clear();
    embedded->AddNew<TTKItem>("Y");
    EXPECT_EQ(rootView.Kinds(), (std::vector<K>{K::BeginUpdate, K::Inserting, K::EndUpdate}));
    EXPECT_EQ(rootView.notices[1].ancestor, embedded);
    root.RemoveViewListener(&rootView);
}

TEST(ItemNotices, SettersNotifyOnlyOnChangeAndSayWhetherTheLayoutChanges) {
    TTKRootItem root;
    auto* item = root.AddNew<TTKItem>("A");
    ItemRecorder view;
    root.AddViewListener(&view);
    const auto last = [&] { return view.notices.empty() ? K::SubitemsChanged : view.notices.back().kind; };

    item->SetImageIndex(3);
    EXPECT_EQ(last(), K::InvalidateAndResize);
    item->SetImageIndex(5);
    EXPECT_EQ(last(), K::Invalidate);
    item->SetImageIndex(-1);
    EXPECT_EQ(last(), K::InvalidateAndResize);
    view.notices.clear();
    item->SetImageIndex(-1);
    item->SetCaption("A");
    EXPECT_TRUE(view.notices.empty());
    item->SetCaption("Neu");
    EXPECT_EQ(last(), K::InvalidateAndResize);
    EXPECT_EQ(view.notices.back().item, item);
    EXPECT_EQ(view.notices.back().index, 0);
    item->SetEnabled(false);
    EXPECT_EQ(last(), K::Invalidate);
    item->SetName("Eintrag");
    EXPECT_EQ(last(), K::NameChanged);
    item->SetLinkSubitems(item);
    EXPECT_EQ(item->LinkSubitems(), nullptr);

    // A freed link target is cleared, and the item's views hear that the shown list changed.
    ItemRecorder itemView;
    item->AddViewListener(&itemView);
    auto target = std::make_unique<TTKItem>("Ziel");
    item->SetLinkSubitems(target.get());
    target.reset();
    EXPECT_EQ(item->LinkSubitems(), nullptr);
    EXPECT_EQ(itemView.Kinds(), (std::vector<K>{K::SubitemsChanged, K::SubitemsChanged}));
    item->RemoveViewListener(&itemView);
    root.RemoveViewListener(&view);
}

TEST(ItemProperties, CheckingInARadioGroupUnchecksTheGroupOnly) {
    TTKRootItem root;
    auto* a = root.AddNew<TTKItem>("A");
    auto* b = root.AddNew<TTKItem>("B");
    auto* c = root.AddNew<TTKItem>("C");
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_TRUE(a->Checked()) << "group 0 is no group";
    b->SetChecked(false);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    EXPECT_TRUE(a->Checked());
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    a->SetChecked(true);
    c->SetGroupIndex(2);
    c->SetChecked(true);
    EXPECT_TRUE(a->Checked()) << "another group is left alone";
    // A checked item moving into group 1 unchecks that group.
    c->SetGroupIndex(1);
    EXPECT_FALSE(a->Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_TRUE(c->Checked());
    a->SetChecked(true);
    EXPECT_FALSE(c->Checked());
}

TEST(ItemOptions, EffectiveOptionsFollowTheParentMaskAndOwnOptions) {
    const TTKItemOptions size = OptionBit(tboToolbarSize);
    const TTKItemOptions style = OptionBit(tboToolbarStyle);
    TTKRootItem root;
    auto* menu = root.AddNew<TTKItem>("Menü");
    auto* entry = menu->AddNew<TTKItem>("Eintrag");
    ItemRecorder view;
    root.AddViewListener(&view);

    menu->SetOptions(size);
    EXPECT_EQ(menu->Options(), 0) << "toolbar size without toolbar style is dropped";
    root.SetOptions(style | size | OptionBit(tboDefault) | OptionBit(tboShowHint));
    EXPECT_EQ(menu->EffectiveOptions(), style | size | OptionBit(tboShowHint))
        << "the default mark stays put";
    EXPECT_EQ(entry->EffectiveOptions(), style | size | OptionBit(tboShowHint));
    EXPECT_EQ(view.notices.back().kind, K::InvalidateAndResize);

    entry->SetMaskOptions(style);
    EXPECT_EQ(entry->EffectiveOptions(), OptionBit(tboShowHint)) << "no style, so no size either";
    entry->SetInheritOptions(false);
    EXPECT_EQ(entry->EffectiveOptions(), 0);
    entry->SetOptions(OptionBit(tboDropdownArrow));
    EXPECT_EQ(entry->EffectiveOptions(), OptionBit(tboDropdownArrow));

    // A change of the hint options alone needs no new layout.
    view.notices.clear();
    menu->SetOptions(OptionBit(tboLongHintInMenuOnly));
    EXPECT_TRUE(view.notices.empty());

    // A new child takes its parent's options at once.
    auto* later = menu->AddNew<TTKItem>("Später");
    EXPECT_EQ(later->EffectiveOptions(), menu->EffectiveOptions());
    root.RemoveViewListener(&view);
}

TEST(ItemKinds, StyleBitsOfTheItemKinds) {
    TTKItem item;
    TTKSeparatorItem separator;
    TTKControlItem control;
    EXPECT_EQ(item.StyleBits(), 0x1802);
    EXPECT_EQ(separator.StyleBits(), tbis::Separator | tbis::ClicksPassThrough);
    EXPECT_EQ(control.StyleBits(), 0x1800 | tbis::ClicksPassThrough);
    EXPECT_TRUE(item.Enabled());
    EXPECT_TRUE(item.Visible());
    EXPECT_EQ(item.ImageIndex(), -1);
    EXPECT_TRUE(item.InheritOptions());
}

TEST(ItemKinds, AControlItemFreesItsControlUnlessToldNotTo) {
    QPointer<QWidget> freed = new QWidget;
    auto kept = std::make_unique<QWidget>();
    QPointer<QWidget> keptGuard = kept.get();
    {
        TTKControlItem owning(freed);
        TTKControlItem borrowing(kept.get());
        borrowing.SetDontFreeControl(true);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(freed.isNull());
    EXPECT_FALSE(keptGuard.isNull());
    TTKControlItem watching(new QWidget);
    delete watching.Control();
    EXPECT_EQ(watching.Control(), nullptr);
}

} // namespace
} // namespace quarn
