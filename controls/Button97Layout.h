#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace quarn {

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// What the button's content is laid out from; sizes only, so a table of cases needs no window or font.
struct TButton97LayoutInput {
    // The content rectangle, inside the border.
    QRect content;
    // 0 x 0 when no image is shown.
    QSize glyph;
    // Width of the inner drop-down arrow's area; 0 when none is drawn.
    int arrowWidth = 0;
    TButtonLayout layout = TButtonLayout::blGlyphLeft;
    int margin = -1;
    int spacing = 4;
    // Added to every position: (1, 1) while pushed with OffsetWhenDown.
    QPoint offset;
};

struct TButton97Placement {
    QPoint glyph;
    QRect caption;
    // The arrow's area; empty when no arrow is drawn.
    QRect arrow;
};

// The width a word-wrapped caption may take in the content rectangle.
int Button97WrapWidth(const TButton97LayoutInput& input);

// Places glyph, caption and arrow. `caption` is the measured caption size (0 x 0 without a caption).
TButton97Placement LayoutButton97(const TButton97LayoutInput& input, QSize caption);

} // namespace quarn
