#include "controls/Button97Layout.h"

#include <algorithm>

namespace quarn {

namespace {

constexpr int kArrowHeight = 3;

bool IsHorizontal(TButtonLayout layout) {
    return layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;
}

} // namespace

int Button97WrapWidth(const TButton97LayoutInput& input) {
    int width = input.content.width() - input.arrowWidth;
    if (IsHorizontal(input.layout) && !input.glyph.isEmpty()) {
        width -= input.glyph.width() + (input.spacing == -1 ? 4 : input.spacing);
    }
    if (input.margin != -1) {
        width -= 2 * input.margin;
    } else if (input.spacing != -1) {
        width -= 2 * input.spacing;
    } else {
        width -= 4;
    }
    return width;
}

TButton97Placement LayoutButton97(const TButton97LayoutInput& input, QSize caption) {
    const QSize client = input.content.size();
    const bool hasGlyph = !input.glyph.isEmpty();
    const bool hasCaption = !caption.isEmpty();
    QSize glyph = hasGlyph ? input.glyph : QSize(0, 0);
    QSize text = hasCaption ? caption : QSize(0, 0);
    // The arrow follows the caption, or the glyph when there is no caption, and counts with it when
    // the whole is centred.
    if (input.arrowWidth > 0) {
        if (hasCaption || !hasGlyph) {
            text.setWidth(text.width() + input.arrowWidth);
            text.setHeight(std::max(text.height(), hasCaption ? 0 : kArrowHeight));
        } else {
            glyph.setWidth(glyph.width() + input.arrowWidth);
        }
    }
    const bool horizontal = IsHorizontal(input.layout);

    QPoint glyphPos;
    QPoint textPos;
    if (horizontal) {
        glyphPos.setY((client.height() - glyph.height() + 1) / 2);
        textPos.setY((client.height() - text.height() + 1) / 2);
    } else {
        glyphPos.setX((client.width() - glyph.width() + 1) / 2);
        textPos.setX((client.width() - text.width() + 1) / 2);
    }

    int margin = input.margin;
    int spacing = input.spacing;
    if (text.width() == 0 || glyph.width() == 0) {
        spacing = 0;
    }
    if (margin == -1) {
        if (spacing == -1) {
            const int free = horizontal ? client.width() - glyph.width() - text.width()
                                        : client.height() - glyph.height() - text.height();
            margin = free / 3;
            spacing = margin;
        } else {
            const int free = horizontal ? client.width() - glyph.width() - spacing - text.width()
                                        : client.height() - glyph.height() - spacing - text.height();
            margin = (free + 1) / 2;
        }
    } else if (spacing == -1) {
        const int rest = horizontal ? client.width() - margin - glyph.width() - text.width()
                                    : client.height() - margin - glyph.height() - text.height();
        spacing = rest / 2;
    }

    switch (input.layout) {
    case TButtonLayout::blGlyphLeft:
        glyphPos.setX(margin);
        textPos.setX(glyphPos.x() + glyph.width() + spacing);
        break;
    case TButtonLayout::blGlyphRight:
        glyphPos.setX(client.width() - margin - glyph.width());
        textPos.setX(glyphPos.x() - spacing - text.width());
        break;
    case TButtonLayout::blGlyphTop:
        glyphPos.setY(margin);
        textPos.setY(glyphPos.y() + glyph.height() + spacing);
        break;
    case TButtonLayout::blGlyphBottom:
        glyphPos.setY(client.height() - margin - glyph.height());
        textPos.setY(glyphPos.y() - spacing - text.height());
        break;
    }

    const QPoint origin = input.content.topLeft() + input.offset;
    TButton97Placement placement;
    placement.glyph = glyphPos + origin;
    placement.caption = hasCaption ? QRect(textPos + origin, caption) : QRect(textPos + origin, QSize(0, 0));
    if (input.arrowWidth > 0) {
        // Its area starts where the content it follows ends and sits on the glyph's middle, or the
        // caption's when there is no glyph.
        int left = 0;
        int middleTop = 0;
        int middleHeight = 0;
        if (hasCaption || !hasGlyph) {
            left = textPos.x() + caption.width() * (hasCaption ? 1 : 0);
        } else {
            left = glyphPos.x() + input.glyph.width();
        }
        if (hasGlyph) {
            middleTop = glyphPos.y();
            middleHeight = input.glyph.height();
        } else {
            middleTop = textPos.y();
            middleHeight = text.height();
        }
        const int top = middleTop + (middleHeight - kArrowHeight) / 2;
        placement.arrow = QRect(QPoint(left, top) + origin, QSize(input.arrowWidth, kArrowHeight));
    }
    return placement;
}

} // namespace quarn
