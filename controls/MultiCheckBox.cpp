#include "controls/MultiCheckBox.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace quarn {

namespace {

constexpr int kTextFlags = Qt::TextWordWrap | Qt::TextShowMnemonic | Qt::AlignLeft | Qt::AlignTop;
// The widest a caption goes before it wraps when nothing else fixes the width.
constexpr int kPreferredTextWidth = 240;

} // namespace

TMultiCheckBox::TMultiCheckBox(QWidget* parent) : QCheckBox(parent) {
    SetMultiLine(true);
}

TMultiCheckBox::TMultiCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    SetMultiLine(true);
}

void TMultiCheckBox::SetMultiLine(bool multiLine) {
    multiLine_ = multiLine;
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(multiLine);
    // A fixed height would hold the caption to the lines of its preferred width.
    policy.setVerticalPolicy(multiLine ? QSizePolicy::Minimum : QSizePolicy::Fixed);
    setSizePolicy(policy);
    updateGeometry();
    update();
}

QRect TMultiCheckBox::IndicatorRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const int w = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this);
    const int h = style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this);
    // At the top, level with the first line of the caption.
    const int lineHeight = fontMetrics().height();
    return QRect(0, std::max(0, (lineHeight - h) / 2), w, h);
}

int TMultiCheckBox::TextLeft() const {
    return IndicatorRect().width() + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
}

QRect TMultiCheckBox::TextRect(int width) const {
    const int left = TextLeft();
    const QRect bounds =
        fontMetrics().boundingRect(QRect(0, 0, std::max(1, width - left), 0x7FFF), kTextFlags, text());
    return QRect(left, 0, bounds.width(), bounds.height());
}

QSize TMultiCheckBox::sizeHint() const {
    if (!multiLine_) {
        return QCheckBox::sizeHint();
    }
    const int full = TextLeft() + fontMetrics().horizontalAdvance(text()) + 2;
    const int width = std::min(full, TextLeft() + kPreferredTextWidth);
    return QSize(width, heightForWidth(width));
}

QSize TMultiCheckBox::minimumSizeHint() const {
    if (!multiLine_) {
        return QCheckBox::minimumSizeHint();
    }
    return QSize(TextLeft() + fontMetrics().averageCharWidth() * 8, IndicatorRect().bottom() + 1);
}

int TMultiCheckBox::heightForWidth(int width) const {
    if (!multiLine_) {
        return QCheckBox::heightForWidth(width);
    }
    return std::max(IndicatorRect().bottom() + 1, TextRect(width).height());
}

bool TMultiCheckBox::hitButton(const QPoint& pos) const {
    return multiLine_ ? rect().contains(pos) : QCheckBox::hitButton(pos);
}

void TMultiCheckBox::paintEvent(QPaintEvent* event) {
    if (!multiLine_) {
        QCheckBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.rect = IndicatorRect();
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, option);
    const QRect textRect = TextRect(width());
    style()->drawItemText(&painter, textRect, kTextFlags, palette(), isEnabled(), text(),
                          QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect.adjusted(-1, 0, 1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace quarn
