// How a TButton97 paints itself: border, dithered down face, glyph, caption and drop-down arrow.
#include "controls/Button97.h"

#include <QPaintEvent>
#include <QPainter>

namespace quarn {

namespace {

enum class TEdge { FlatRaised, FlatSunken, Raised, Sunken };

void Line(QPainter& painter, QPoint from, QPoint to, const QColor& colour) {
    painter.setPen(colour);
    painter.drawLine(from, to);
}

// One ring of an edge: `topLeft` on the top and left side, `bottomRight` on the others.
void Ring(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    Line(painter, r.topLeft(), r.topRight() - QPoint(1, 0), topLeft);
    Line(painter, r.topLeft(), r.bottomLeft() - QPoint(0, 1), topLeft);
    Line(painter, r.bottomLeft(), r.bottomRight(), bottomRight);
    Line(painter, r.topRight(), r.bottomRight(), bottomRight);
}

// The raised and sunken borders of the classic look: one thin ring when flat, two soft rings around a
// filled middle otherwise.
void DrawEdge(QPainter& painter, const QRect& r, TEdge edge, const QPalette& palette, const QColor& face) {
    const QColor light = palette.color(QPalette::Light);
    const QColor midlight = palette.color(QPalette::Midlight);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor shadow = palette.color(QPalette::Shadow);
    switch (edge) {
    case TEdge::FlatRaised:
        Ring(painter, r, light, dark);
        break;
    case TEdge::FlatSunken:
        Ring(painter, r, dark, light);
        break;
    case TEdge::Raised:
        painter.fillRect(r.adjusted(2, 2, -2, -2), face);
        Ring(painter, r, light, shadow);
        Ring(painter, r.adjusted(1, 1, -1, -1), midlight, dark);
        break;
    case TEdge::Sunken:
        painter.fillRect(r.adjusted(2, 2, -2, -2), face);
        Ring(painter, r, dark, light);
        Ring(painter, r.adjusted(1, 1, -1, -1), shadow, midlight);
        break;
    }
}

// A triangle five pixels wide at the top and three rows high, centred on `area`.
void DrawArrow(QPainter& painter, const QRect& area, const QColor& colour) {
    const int left = area.left() + (area.width() - 5) / 2;
    const int top = area.top() + (area.height() - 3) / 2;
    painter.setPen(colour);
    for (int row = 0; row < 3; ++row) {
        painter.drawLine(left + row, top + row, left + 4 - row, top + row);
    }
}

void DrawArrowLook(QPainter& painter, const QRect& area, bool enabled, const QPalette& palette) {
    if (enabled) {
        DrawArrow(painter, area, palette.color(QPalette::ButtonText));
        return;
    }
    DrawArrow(painter, area.translated(1, 1), palette.color(QPalette::Light));
    DrawArrow(painter, area, palette.color(QPalette::Dark));
}

} // namespace

void TButton97::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    if (opaque_ || !flat_) {
        painter.fillRect(rect(), Color());
    }
    const bool pushed = state_ == State::bsDown || state_ == State::bsExclusive;
    const bool comboShown = dropdownCombo_ && HasDropdown();
    const bool border = !noBorder_ && (!flat_ || pushed || (mouseIn_ && isEnabled()));
    const TEdge raised = flat_ ? TEdge::FlatRaised : TEdge::Raised;
    const TEdge sunken = flat_ ? TEdge::FlatSunken : TEdge::Sunken;

    QRect main = rect();
    QRect combo;
    if (comboShown) {
        combo = QRect(width() - ComboPartWidth(), 0, ComboPartWidth(), height());
        main.setRight(combo.left() - 1);
        if (border) {
            DrawEdge(painter, combo, pushed && dropdownPressed_ ? sunken : raised, colours, Color());
        }
    }
    const bool mainPushed = pushed && !(comboShown && dropdownPressed_);
    if (border) {
        DrawEdge(painter, main, mainPushed ? sunken : raised, colours, Color());
    }
    QRect content = main;
    if (!noBorder_) {
        const int inset = flat_ ? 1 : 2;
        content.adjust(inset, inset, -inset, -inset);
    }
    QPoint offset;
    if (mainPushed) {
        if (state_ == State::bsExclusive && highlightWhenDown_ && !(flat_ && mouseIn_)) {
            painter.fillRect(content, DitherBrush());
        }
        if (offsetWhenDown_) {
            offset = QPoint(1, 1);
        }
    }

    const QSize glyphSize = displayMode_ == TButtonDisplayMode::dmTextOnly ? QSize() : glyph_.ImageSize();
    const QString caption = displayMode_ == TButtonDisplayMode::dmGlyphOnly ? QString() : caption_;
    const bool innerArrow = dropdownArrow_ && !dropdownCombo_ && HasDropdown();
    TButton97LayoutInput input{content,  glyphSize, innerArrow ? dropdownArrowWidth_ : 0, layout_, margin_,
                               spacing_, offset};
    int textFlags = Qt::TextShowMnemonic;
    QSize captionSize;
    if (!caption.isEmpty()) {
        const QFontMetrics metrics(font());
        if (wordWrap_) {
            textFlags |= Qt::TextWordWrap;
            captionSize = metrics
                              .boundingRect(QRect(0, 0, std::max(1, Button97WrapWidth(input)), 10000),
                                            textFlags, caption)
                              .size();
        } else {
            textFlags |= Qt::TextSingleLine;
            captionSize = metrics.size(textFlags, caption);
        }
    }
    const TButton97Placement placed = LayoutButton97(input, captionSize);

    if (!glyphSize.isEmpty()) {
        glyph_.Draw(painter, placed.glyph, state_);
    }
    if (!caption.isEmpty()) {
        textFlags |= static_cast<int>(alignment_ & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
        painter.setFont(font());
        if (isEnabled()) {
            painter.setPen(colours.color(QPalette::ButtonText));
            painter.drawText(placed.caption, textFlags, caption);
        } else {
            painter.setPen(colours.color(QPalette::Light));
            painter.drawText(placed.caption.translated(1, 1), textFlags, caption);
            painter.setPen(colours.color(QPalette::Dark));
            painter.drawText(placed.caption, textFlags, caption);
        }
    }
    if (innerArrow) {
        DrawArrowLook(painter, placed.arrow, isEnabled(), colours);
    }
    if (comboShown) {
        QRect area(combo.left(), combo.top() + combo.height() / 2 - 1, combo.width(), 3);
        if (pushed && dropdownPressed_ && offsetWhenDown_) {
            area.translate(1, 1);
        }
        DrawArrowLook(painter, area, isEnabled(), colours);
    }
}

} // namespace quarn
