#include "controls/ControlBilder.h"

#include <QLinearGradient>
#include <QPainter>

namespace quarn {

QPixmap StatesBild(int state) {
    const int size = kStatesBildGroesse;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const bool grau = state == 2 || state == 3;
    const bool haken = state == 1 || state == 3;
    const QRect box(2, 2, 12, 12);
    painter.fillRect(box, grau ? QColor(0xE0, 0xE0, 0xE0) : QColor(Qt::white));
    painter.setPen(grau ? QColor(0x90, 0x90, 0x90) : QColor(0x1C, 0x51, 0x80));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    if (haken) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(grau ? QColor(0x80, 0x80, 0x80) : QColor(0x21, 0xA1, 0x21), 2));
        painter.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5)}));
    }
    return pixmap;
}

QPixmap HintBackgroundBild() {
    QPixmap pixmap(32, 64);
    QPainter painter(&pixmap);
    QLinearGradient verlauf(0, 0, 0, pixmap.height());
    verlauf.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    verlauf.setColorAt(1, QColor(0xE4, 0xEC, 0xF7));
    painter.fillRect(pixmap.rect(), verlauf);
    return pixmap;
}

} // namespace quarn
