#include "toolbars/items/TTKCommon.h"

#include <QBitmap>
#include <QBrush>
#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <cstdlib>

namespace quarn {

namespace {

// Where the accelerator character sits in the stripped caption, -1 when there is none.
int AccelPositionInStripped(const QString& caption) {
    int position = -1;
    int stripped = 0;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            ++stripped;
            continue;
        }
        if (i + 1 < caption.size() && caption[i + 1] == u'&') {
            ++i;
            ++stripped;
            continue;
        }
        // A lone mark at the very end marks nothing.
        position = i + 1 < caption.size() ? stripped : -1;
    }
    return position;
}

QRegion FrameRegion(const QRect& rect, int size) {
    if (rect.isEmpty() || size <= 0) {
        return {};
    }
    const QRect inner = rect.adjusted(size, size, -size, -size);
    QRegion frame(rect);
    return inner.isValid() ? frame.subtracted(QRegion(inner)) : frame;
}

QBrush HalfToneBrush() {
    static const uchar rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    return QBrush(QBitmap::fromData(QSize(8, 8), rows));
}

} // namespace

QChar AccelCharOf(const QString& caption) {
    const int position = AccelPositionInStripped(caption);
    return position < 0 ? QChar() : StripAccelPrefix(caption).at(position);
}

QString StripAccelPrefix(const QString& caption) {
    QString stripped;
    stripped.reserve(caption.size());
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&') {
                stripped += u'&';
                ++i;
            }
            continue;
        }
        stripped += caption[i];
    }
    return stripped;
}

int TextWidthNoPrefix(const QFontMetrics& metrics, const QString& text, bool prefix) {
    return metrics.horizontalAdvance(prefix ? StripAccelPrefix(text) : text);
}

int DivideAwayFromZero(int a, int b) {
    const int quotient = a / b;
    if (a % b == 0) {
        return quotient;
    }
    return (a < 0) == (b < 0) ? quotient + 1 : quotient - 1;
}

void DrawVerticalCaption(QPainter& painter, const QString& text, const QRect& rect, bool hidePrefix) {
    const QString shown = StripAccelPrefix(text);
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = metrics.horizontalAdvance(shown);
    painter.save();
    // Turned a quarter clockwise about the centre: the text reads from top to bottom.
    painter.translate(QRectF(rect).center());
    painter.rotate(90);
    const int left0 = -width / 2;
    const int baseline = (metrics.ascent() - metrics.descent()) / 2;
    painter.drawText(QPoint(left0, baseline), shown);
    const int accel = AccelPositionInStripped(text);
    if (!hidePrefix && accel >= 0) {
        const int left = left0 + metrics.horizontalAdvance(shown.left(accel));
        const int right = left + metrics.horizontalAdvance(shown.at(accel)) - 1;
        painter.setPen(QPen(painter.pen().color(), 1));
        painter.drawLine(left, baseline + 1, right, baseline + 1);
    }
    painter.restore();
}

void DrawDragOutline(QPainter& painter, const QRect& newRect, const QRect& oldRect, int newSize,
                     int oldSize) {
    // Old and new frame by XOR in one go: where both lie the pixels stay, so only the difference flickers.
    const QRegion region = FrameRegion(oldRect, oldSize).xored(FrameRegion(newRect, newSize));
    if (region.isEmpty()) {
        return;
    }
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setClipRegion(region);
    painter.setBrushOrigin(0, 0);
    painter.setPen(Qt::NoPen);
    painter.setBackgroundMode(Qt::TransparentMode);
    QBrush brush = HalfToneBrush();
    brush.setColor(Qt::white);
    painter.fillRect(region.boundingRect(), brush);
    painter.restore();
}

} // namespace quarn
