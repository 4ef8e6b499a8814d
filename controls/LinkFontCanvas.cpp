#include "controls/LinkFontCanvas.h"

#include "platform/SystemColor.h"

#include <QPainter>

namespace quarn {

TFontCanvas::TFontCanvas(const QFont& font, QPainter* painter, const QRegion& clip)
    : base_(font), painter_(painter), clip_(clip) {}

TFontCanvas::StyledFont& TFontCanvas::Current() {
    std::optional<StyledFont>& slot = fonts_[styles_ & 0xF];
    if (!slot) {
        QFont font = base_;
        font.setBold(base_.bold() || (styles_ & fsBold) != 0);
        font.setItalic(base_.italic() || (styles_ & fsItalic) != 0);
        font.setUnderline(base_.underline() || (styles_ & fsUnderline) != 0);
        font.setStrikeOut(base_.strikeOut() || (styles_ & fsStrikeOut) != 0);
        slot.emplace(StyledFont{font, QFontMetrics(font)});
    }
    return *slot;
}

void TFontCanvas::SetFont(TFontStyles styles, std::uint32_t color) {
    styles_ = styles;
    color_ = color;
}

int TFontCanvas::TextWidth(const QString& text) {
    return Current().metrics.horizontalAdvance(text);
}

int TFontCanvas::TextHeight(const QString&) {
    return Current().metrics.height();
}

void TFontCanvas::TextOut(int x, int y, QStringView text, const TLinkRect& rect) {
    if (painter_ == nullptr) {
        return;
    }
    if (!clip_.isEmpty() &&
        !clip_.intersects(QRect(QPoint(rect.left, rect.top), QPoint(rect.right, rect.bottom)))) {
        return;
    }
    StyledFont& current = Current();
    if (painterStyles_ != styles_) {
        painter_->setFont(current.font);
        painterStyles_ = styles_;
    }
    if (painterColor_ != color_) {
        painter_->setPen(ColorValueToQColor(color_));
        painterColor_ = color_;
    }
    painter_->drawText(x, y + current.metrics.ascent(), text.toString());
}

} // namespace quarn
