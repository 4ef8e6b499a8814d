// The 97-style button's content layout and its property rules, without painting.
#include "controls/Button97.h"
#include "controls/Button97Layout.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

using L = TButtonLayout;

struct LayoutCase {
    const char* name;
    L layout;
    int margin;
    int spacing;
    QPoint glyph;
    QPoint caption;
};

// A 100 x 40 content area with a 16 x 16 glyph and a 40 x 14 caption.
TEST(Button97Layout, PlacesGlyphAndCaptionForEveryLayoutWithCentredAndFixedMarginAndSpacing) {
    const LayoutCase cases[] = {
        {"left, centred whole", L::blGlyphLeft, -1, 4, {20, 12}, {40, 13}},
        {"left, thirds", L::blGlyphLeft, -1, -1, {14, 12}, {44, 13}},
        {"left, fixed", L::blGlyphLeft, 3, 2, {3, 12}, {21, 13}},
        {"right, spacing centred", L::blGlyphRight, 2, -1, {82, 12}, {21, 13}},
        {"right, centred whole", L::blGlyphRight, -1, 4, {64, 12}, {20, 13}},
        {"top, centred whole", L::blGlyphTop, -1, 4, {42, 3}, {30, 23}},
        {"top, thirds", L::blGlyphTop, -1, -1, {42, 3}, {30, 22}},
        {"bottom, fixed", L::blGlyphBottom, 1, 2, {42, 23}, {30, 7}},
        {"bottom, spacing centred", L::blGlyphBottom, 0, -1, {42, 24}, {30, 5}},
    };
    for (const LayoutCase& c : cases) {
        const TButton97LayoutInput input{
            QRect(0, 0, 100, 40), QSize(16, 16), 0, c.layout, c.margin, c.spacing, {}};
        const TButton97Placement placed = LayoutButton97(input, QSize(40, 14));
        EXPECT_EQ(placed.glyph, c.glyph) << c.name;
        EXPECT_EQ(placed.caption, QRect(c.caption, QSize(40, 14))) << c.name;
        EXPECT_TRUE(placed.arrow.isEmpty()) << c.name;
    }
}

TEST(Button97Layout, MovesEverythingByTheContentOriginAndThePushedOffset) {
    const TButton97LayoutInput input{QRect(2, 3, 100, 40), QSize(16, 16), 0, L::blGlyphLeft, -1, 4,
                                     QPoint(1, 1)};
    const TButton97Placement placed = LayoutButton97(input, QSize(40, 14));
    EXPECT_EQ(placed.glyph, QPoint(23, 16));
    EXPECT_EQ(placed.caption.topLeft(), QPoint(43, 17));
}

TEST(Button97Layout, ALoneGlyphOrCaptionHasNoSpacingAndIsCentred) {
    // The status bar's device light: glyph only, on top, spacing 0.
    const TButton97LayoutInput light{QRect(1, 1, 17, 16), QSize(12, 12), 0, L::blGlyphTop, -1, 0, {}};
    EXPECT_EQ(LayoutButton97(light, QSize()).glyph, QPoint(1 + 3, 1 + 2));
    // Spacing 4 is dropped when there is nothing to space.
    const TButton97LayoutInput text{QRect(0, 0, 100, 40), QSize(), 0, L::blGlyphLeft, -1, 4, {}};
    EXPECT_EQ(LayoutButton97(text, QSize(40, 14)).caption.topLeft(), QPoint(30, 13));
}

TEST(Button97Layout, TheArrowFollowsTheCaptionOrTheGlyphAndSitsOnTheMiddle) {
    const TButton97LayoutInput glyphOnly{QRect(0, 0, 100, 40), QSize(16, 16), 9, L::blGlyphLeft, -1, 4, {}};
    const TButton97Placement glyphArrow = LayoutButton97(glyphOnly, QSize());
    EXPECT_EQ(glyphArrow.glyph, QPoint(38, 12)) << "glyph and arrow centred together";
    EXPECT_EQ(glyphArrow.arrow, QRect(54, 18, 9, 3));

    const TButton97LayoutInput both{QRect(0, 0, 100, 40), QSize(16, 16), 9, L::blGlyphLeft, -1, 4, {}};
    const TButton97Placement captionArrow = LayoutButton97(both, QSize(40, 14));
    EXPECT_EQ(captionArrow.glyph, QPoint(16, 12));
    EXPECT_EQ(captionArrow.caption.topLeft(), QPoint(36, 13));
    EXPECT_EQ(captionArrow.arrow, QRect(76, 18, 9, 3)) << "after the caption, on the glyph's middle";
}

TEST(Button97Layout, AWrappedCaptionGetsTheWidthLeftBesideGlyphArrowAndMargins) {
    const auto wrap = [](L layout, int margin, int spacing, int arrow) {
        return Button97WrapWidth({QRect(0, 0, 100, 40), QSize(16, 16), arrow, layout, margin, spacing, {}});
    };
    EXPECT_EQ(wrap(L::blGlyphLeft, -1, 4, 0), 100 - 16 - 4 - 8);
    EXPECT_EQ(wrap(L::blGlyphLeft, -1, -1, 0), 100 - 16 - 4 - 4);
    EXPECT_EQ(wrap(L::blGlyphRight, 3, 2, 9), 100 - 9 - 16 - 2 - 6);
    EXPECT_EQ(wrap(L::blGlyphTop, -1, 4, 0), 100 - 8) << "a glyph above takes no width";
}

TEST(Button97Properties, ValuesAreKeptWithinTheirRanges) {
    TButton97 button;
    button.SetDropdownArrowWidth(3);
    EXPECT_EQ(button.DropdownArrowWidth(), 7);
    button.SetNumGlyphs(0);
    EXPECT_EQ(button.NumGlyphs(), 1);
    button.SetNumGlyphs(9);
    EXPECT_EQ(button.NumGlyphs(), 5);
    button.SetMargin(-2);
    EXPECT_EQ(button.Margin(), -1) << "refused";
    button.SetMargin(3);
    button.SetMargin(-2);
    EXPECT_EQ(button.Margin(), 3);
    button.SetDown(true);
    EXPECT_FALSE(button.Down()) << "down needs a group";
    EXPECT_EQ(button.size(), QSize(22, 23));
}

TEST(Button97Properties, TheGlyphsShapeGivesTheNumberOfStateImages) {
    const struct {
        QSize size;
        int count;
    } cases[] = {
        {{64, 16}, 4}, {{96, 16}, 1}, {{80, 16}, 5}, {{16, 16}, 1}, {{40, 16}, 1}, {{0, 0}, 1}, {{16, 0}, 1},
    };
    TButton97 button;
    for (const auto& c : cases) {
        button.SetNumGlyphs(3);
        QImage glyph;
        if (!c.size.isEmpty()) {
            glyph = QImage(c.size, QImage::Format_RGB32);
            glyph.fill(Qt::red);
        }
        button.SetGlyph(glyph);
        EXPECT_EQ(button.NumGlyphs(), c.count) << c.size.width() << " x " << c.size.height();
    }
}

TEST(Button97Properties, ClearingTheGlyphWithAnEmptyImageLeavesOneImageAndNothingToDraw) {
    TButton97 button;
    QImage strip(32, 16, QImage::Format_RGB32);
    strip.fill(Qt::blue);
    button.SetGlyph(strip);
    ASSERT_EQ(button.NumGlyphs(), 2);
    button.SetGlyph(QImage());
    EXPECT_EQ(button.NumGlyphs(), 1);
    EXPECT_TRUE(button.Glyph().isNull());
    EXPECT_FALSE(button.grab().isNull()) << "paints without a glyph";
}

TEST(Button97Properties, TheComboPartWidensAndNarrowsTheButton) {
    TButton97 button;
    button.SetDropdownCombo(true);
    EXPECT_EQ(button.width(), 22 + 9 + 2);
    button.SetDropdownArrowWidth(12);
    EXPECT_EQ(button.width(), 22 + 12 + 2) << "a wider arrow widens the combo by the difference";
    button.SetDropdownCombo(false);
    EXPECT_EQ(button.width(), 22);
    button.resize(5, 23);
    button.SetDropdownCombo(true);
    button.resize(5, 23);
    button.SetDropdownCombo(false);
    EXPECT_EQ(button.width(), 1) << "never narrower than one pixel";
}

} // namespace
} // namespace quarn
