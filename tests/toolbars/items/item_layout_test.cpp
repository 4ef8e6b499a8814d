// How a view lays out its items: rows and wrapping, the chevron, separators, menu widths and the
// scrolling of pop-ups taller than the screen.
#include "toolbars/items/TTKItemTypes.h"
#include "toolbars/items/TTKLayout.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

const QSize kButton(23, 22);
constexpr int kChevron = 12;

TTKLayoutEntry Button() {
    TTKLayoutEntry e;
    e.size = kButton;
    e.toolbarSize = true;
    return e;
}

TTKLayoutEntry Separator() {
    TTKLayoutEntry e = Button();
    e.size = QSize(6, 6);
    e.separator = true;
    return e;
}

TTKLayoutEntry MenuRow(int width, int height = 20) {
    TTKLayoutEntry e;
    e.size = QSize(width, height);
    return e;
}

// Five buttons A-E on a toolbar without margins.
TTKLayoutInput Toolbar() {
    TTKLayoutInput in;
    for (int i = 0; i < 5; ++i)
        in.entries.push_back(Button());
    in.chevronSize = kChevron;
    return in;
}

std::string ShownNames(const TTKLayoutResult& r, const std::string& names = "ABCDEFGHIJ") {
    std::string shown;
    for (std::size_t i = 0; i < r.viewers.size(); ++i)
        if (r.viewers[i].shown)
            shown += names[i];
    return shown;
}

TEST(ComputeLayout, ButtonsFollowInOneRowOrWrapAtTheOffset) {
    const TTKLayoutResult one = ComputeLayout(Toolbar());
    EXPECT_EQ(one.size, QSize(115, 22));
    EXPECT_EQ(one.viewers[4].rect, QRect(92, 0, 23, 22));
    EXPECT_FALSE(one.chevronShown);

    TTKLayoutInput in = Toolbar();
    in.wrapOffset = 60;
    const TTKLayoutResult wrapped = ComputeLayout(in);
    const std::vector<QRect> expected = {QRect(0, 0, 23, 22), QRect(23, 0, 23, 22), QRect(0, 22, 23, 22),
                                         QRect(23, 22, 23, 22), QRect(0, 44, 23, 22)};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(wrapped.viewers[i].rect, expected[i]) << i;
    EXPECT_EQ(wrapped.size, QSize(46, 66));
}

TEST(ComputeLayout, ASeparatorWhoseGroupPassesTheWrapOffsetBreaksTheRow) {
    TTKLayoutInput in = Toolbar();
    in.entries.insert(in.entries.begin() + 2, Separator());
    in.wrapOffset = 60;
    const TTKLayoutResult r = ComputeLayout(in);
    ASSERT_TRUE(r.viewers[2].lineSeparator);
    EXPECT_EQ(r.viewers[2].rect, QRect(0, 22, 46, 6));
    EXPECT_EQ(r.viewers[3].rect, QRect(0, 28, 23, 22));
    EXPECT_EQ(r.viewers[4].rect, QRect(23, 28, 23, 22));
    EXPECT_EQ(r.viewers[5].rect, QRect(0, 50, 23, 22));

    // Marked to never break: it stays a separator in the row, and the row wraps after it.
    in.entries[2].styleBits = tbis::SeparatorNoBreak;
    const TTKLayoutResult kept = ComputeLayout(in);
    EXPECT_FALSE(kept.viewers[2].lineSeparator);
    EXPECT_EQ(kept.viewers[2].rect, QRect(46, 0, 6, 22));
}

TEST(ComputeLayout, TheChevronHidesItemsFromTheEndWhileTwoRemain) {
    struct Case {
        const char* name;
        int chevronOffset;
        bool priorityClickedE;
        std::string shown;
    };
    const Case cases[] = {
        {"offset 80", 80, false, "AB"},
        {"offset 80, E used last", 80, true, "AE"},
        {"offset 20", 20, false, "A"},
        {"enough room", 115, false, "ABCDE"},
    };
    for (const Case& c : cases) {
        TTKLayoutInput in = Toolbar();
        in.chevronOffset = c.chevronOffset;
        if (c.priorityClickedE) {
            in.usePriorityList = true;
            const int ranks[] = {1, 2, 3, 4, 0};
            for (int i = 0; i < 5; ++i)
                in.entries[i].priorityRank = ranks[i];
        }
        const TTKLayoutResult r = ComputeLayout(in);
        EXPECT_EQ(ShownNames(r), c.shown) << c.name;
        const bool hidden = c.shown.size() < 5;
        EXPECT_EQ(r.chevronShown, hidden) << c.name;
        EXPECT_EQ(r.chevronEnabled, hidden) << c.name;
        for (std::size_t i = 0; i < r.viewers.size(); ++i)
            EXPECT_EQ(r.viewers[i].offEdge, !r.viewers[i].shown) << c.name << " item " << i;
    }

    TTKLayoutInput in = Toolbar();
    in.chevronOffset = 80;
    const TTKLayoutResult r = ComputeLayout(in);
    EXPECT_EQ(r.chevronRect, QRect(68, 0, kChevron, 22));
    EXPECT_EQ(r.size, QSize(80, 22));
}

TEST(ComputeLayout, OnlyControlItemsHiddenLeaveTheChevronDisabled) {
    TTKLayoutInput in = Toolbar();
    in.entries[3].control = true;
    in.entries[4].control = true;
    in.chevronOffset = 81;
    const TTKLayoutResult r = ComputeLayout(in);
    EXPECT_EQ(ShownNames(r), "ABC");
    EXPECT_TRUE(r.chevronShown);
    EXPECT_FALSE(r.chevronEnabled);
}

TEST(ComputeLayout, SeparatorsFirstLastOrDoubledAreNotShown) {
    TTKLayoutInput in;
    in.entries = {Separator(), Button(), Separator(), Separator(), Button(), Separator()};
    const TTKLayoutResult r = ComputeLayout(in);
    EXPECT_EQ(ShownNames(r, "0A12B3"), "A1B");
    EXPECT_EQ(r.size, QSize(52, 22));
    EXPECT_EQ(r.viewers[2].rect, QRect(23, 0, 6, 22));

    // A separator left behind at the end by the chevron goes too.
    TTKLayoutInput chevron = Toolbar();
    chevron.entries.insert(chevron.entries.begin() + 2, Separator());
    chevron.chevronOffset = 80;
    EXPECT_EQ(ShownNames(ComputeLayout(chevron), "AB|CDE"), "AB");
}

TEST(ComputeLayout, ToolbarItemsAreCentredAcrossTheRowUnlessTheyStretch) {
    TTKLayoutInput in = Toolbar();
    in.entries[0].size = QSize(40, 30);
    in.entries[1].size = QSize(23, 10);
    in.entries[2].styleBits = tbis::Stretch;
    const TTKLayoutResult r = ComputeLayout(in);
    EXPECT_EQ(r.viewers[1].rect, QRect(40, 10, 23, 10));
    EXPECT_EQ(r.viewers[2].rect, QRect(63, 0, 23, 30));
    EXPECT_EQ(r.size, QSize(132, 30));
}

TEST(ComputeLayout, RightAlignedItemsEndTheRowAtTheWrapOffset) {
    TTKLayoutInput in = Toolbar();
    in.wrapOffset = 200;
    in.entries[3].styleBits = tbis::RightAlign;
    const TTKLayoutResult r = ComputeLayout(in);
    EXPECT_EQ(r.viewers[2].rect.x(), 46);
    EXPECT_EQ(r.viewers[3].rect.x(), 154);
    EXPECT_EQ(r.viewers[4].rect.x(), 177);
    EXPECT_EQ(r.size.width(), 200);
}

TEST(ComputeLayout, VerticalToolbarsRunDownAndPutTheFirstColumnRight) {
    TTKLayoutInput in = Toolbar();
    in.orientation = TTKOrientation::Vertical;
    in.wrapOffset = 60;
    const TTKLayoutResult r = ComputeLayout(in);
    EXPECT_EQ(r.size, QSize(69, 44));
    EXPECT_EQ(r.viewers[0].rect, QRect(46, 0, 23, 22));
    EXPECT_EQ(r.viewers[1].rect, QRect(46, 22, 23, 22));
    EXPECT_EQ(r.viewers[2].rect, QRect(23, 0, 23, 22));
    EXPECT_EQ(r.viewers[4].rect, QRect(0, 0, 23, 22));
}

TEST(ComputeLayout, FloatingToolbarsKeepTheirBorder) {
    TTKLayoutInput in = Toolbar();
    in.orientation = TTKOrientation::Floating;
    in.margins = MarginsFor(in.orientation);
    const TTKLayoutResult r = ComputeLayout(in);
    EXPECT_EQ(r.viewers[0].rect, QRect(4, 2, 23, 22));
    EXPECT_EQ(r.size, QSize(4 + 115 + 4, 2 + 22 + 1));
    EXPECT_EQ(MarginsFor(TTKOrientation::Horizontal), QMargins());
}

TEST(ComputeLayout, MenuRowsAreAllAsWideAsTheWidest) {
    TTKLayoutInput in;
    in.popup = true;
    in.entries = {MenuRow(80), MenuRow(120), MenuRow(60)};
    const TTKLayoutResult r = ComputeLayout(in);
    EXPECT_EQ(r.viewers[0].rect, QRect(0, 0, 120, 20));
    EXPECT_EQ(r.viewers[1].rect, QRect(0, 20, 120, 20));
    EXPECT_EQ(r.viewers[2].rect, QRect(0, 40, 120, 20));
    EXPECT_EQ(r.size, QSize(120, 60));

    // Button-sized items in a menu share a row; the next menu row starts below them at the left.
    in.entries.insert(in.entries.begin() + 1, {Button(), Button()});
    const TTKLayoutResult mixed = ComputeLayout(in);
    EXPECT_EQ(mixed.viewers[2].rect, QRect(23, 20, 23, 22));
    EXPECT_EQ(mixed.viewers[3].rect, QRect(0, 42, 120, 20));
}

TEST(ComputeLayout, APopupWithNothingShownIs23By22) {
    TTKLayoutInput in;
    in.popup = true;
    TTKLayoutEntry hidden = MenuRow(80);
    hidden.visible = false;
    TTKLayoutEntry separator = MenuRow(80, 9);
    separator.separator = true;
    in.entries = {separator, hidden, separator};
    EXPECT_EQ(ComputeLayout(in).size, QSize(23, 22));
    EXPECT_EQ(ComputeLayout(TTKLayoutInput{}).size, QSize(23, 22));
}

// Ten menu rows of 20 in a pop-up that may be 100 high.
TTKLayoutInput TallMenu(int offset) {
    TTKLayoutInput in;
    in.popup = true;
    for (int i = 0; i < 10; ++i)
        in.entries.push_back(MenuRow(100));
    in.largestHeight = 100;
    in.scrollOffset = offset;
    return in;
}

TEST(ComputeLayout, AMenuTallerThanTheScreenScrollsOneItemPerStep) {
    const TTKLayoutResult top = ComputeLayout(TallMenu(0));
    EXPECT_EQ(top.size, QSize(100, 100));
    EXPECT_FALSE(top.topArrow);
    EXPECT_TRUE(top.bottomArrow);
    EXPECT_EQ(top.scrollLimit, 100);
    EXPECT_EQ(ShownNames(top), "ABCD");
    EXPECT_TRUE(top.viewers[4].clipped);

    // Each step down shows exactly the next item; the items scrolled away go under the top arrow.
    TTKLayoutResult layout = top;
    std::string seen = ShownNames(layout);
    for (int step = 0; layout.bottomArrow; ++step) {
        ASSERT_LT(step, 10);
        const int next = ScrollStepOffset(layout, 100, true);
        ASSERT_GT(next, layout.scrollOffset);
        const TTKLayoutResult after = ComputeLayout(TallMenu(next));
        int newlyShown = 0;
        for (std::size_t i = 0; i < after.viewers.size(); ++i)
            newlyShown += (after.viewers[i].shown && !layout.viewers[i].shown) ? 1 : 0;
        EXPECT_EQ(newlyShown, 1) << "step " << step;
        layout = after;
    }
    EXPECT_EQ(layout.scrollOffset, 100);
    EXPECT_TRUE(layout.topArrow);
    EXPECT_TRUE(layout.viewers[9].shown);

    // Back up, one item at a time as well.
    const int up = ScrollStepOffset(layout, 100, false);
    const TTKLayoutResult back = ComputeLayout(TallMenu(up));
    EXPECT_TRUE(back.viewers[5].shown);
    EXPECT_FALSE(layout.viewers[5].shown);
}

TEST(ComputeLayout, ScrollingAndRevealingStopAtTheLimitForAnItemTallerThanTheRoom) {
    // The last item is taller than the 62 pixels between the arrows: it never fits between them,
    // so only the offset's limit can end the movement.
    TTKLayoutInput in;
    in.popup = true;
    in.entries = {MenuRow(100), MenuRow(100), MenuRow(100, 80)};
    in.largestHeight = 100;
    const TTKLayoutResult top = ComputeLayout(in);
    ASSERT_EQ(top.scrollLimit, 20);
    EXPECT_EQ(ScrollStepOffset(top, 100, true), 20);
    EXPECT_EQ(RevealOffset(top, 100, 2), 20);

    in.scrollOffset = 20;
    const TTKLayoutResult bottom = ComputeLayout(in);
    EXPECT_FALSE(bottom.bottomArrow);
    EXPECT_EQ(ScrollStepOffset(bottom, 100, true), 20);

    // Upwards the offset stops at 0 the same way.
    in.entries = {MenuRow(100, 80), MenuRow(100), MenuRow(100)};
    in.scrollOffset = 20;
    const TTKLayoutResult up = ComputeLayout(in);
    ASSERT_TRUE(up.viewers[0].clipped);
    EXPECT_EQ(ScrollStepOffset(up, 100, false), 0);
    EXPECT_EQ(RevealOffset(up, 100, 0), 0);
}

TEST(ComputeLayout, RevealingAClippedSelectionBringsItBetweenTheArrows) {
    const TTKLayoutResult top = ComputeLayout(TallMenu(0));
    const int offset = RevealOffset(top, 100, 7);
    const TTKLayoutResult shown = ComputeLayout(TallMenu(offset));
    ASSERT_TRUE(shown.viewers[7].shown);
    EXPECT_EQ(shown.viewers[7].rect.bottom() + 1, 100 - kScrollArrowHeight);
    EXPECT_EQ(RevealOffset(shown, 100, 7), offset);

    const int back = RevealOffset(shown, 100, 2);
    const TTKLayoutResult again = ComputeLayout(TallMenu(back));
    ASSERT_TRUE(again.viewers[2].shown);
    EXPECT_EQ(again.viewers[2].rect.top(), kScrollArrowHeight);
}

} // namespace
} // namespace quarn
