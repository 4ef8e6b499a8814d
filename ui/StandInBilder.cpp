#include "ui/StandInBilder.h"

#include <QPainter>
#include <QPolygon>

namespace quarn {
namespace {

constexpr int kGutterWidth = 8;
constexpr int kGutterHeight = 9;

QPixmap Clear(int width, int height) {
    QPixmap picture(width, height);
    picture.fill(Qt::transparent);
    return picture;
}

QPixmap Arrow(bool right, const QColor& colour) {
    QPixmap picture = Clear(kGutterWidth, kGutterHeight);
    QPainter painter(&picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const QPolygon tip = right ? QPolygon({{1, 1}, {7, 4}, {1, 7}}) : QPolygon({{7, 1}, {1, 4}, {7, 7}});
    painter.drawPolygon(tip);
    return picture;
}

QPixmap Cross() {
    QPixmap picture = Clear(kGutterWidth, kGutterHeight);
    QPainter painter(&picture);
    painter.setPen(QPen(QColor(200, 0, 0), 2));
    painter.drawLine(1, 1, 6, 7);
    painter.drawLine(6, 1, 1, 7);
    return picture;
}

QPixmap Tick() {
    QPixmap picture = Clear(kGutterWidth, kGutterHeight);
    QPainter painter(&picture);
    painter.setPen(QPen(QColor(0, 140, 0), 2));
    painter.drawLine(1, 4, 3, 7);
    painter.drawLine(3, 7, 7, 1);
    return picture;
}

QPixmap Dot(const QColor& colour) {
    QPixmap picture = Clear(kGutterWidth, kGutterHeight);
    QPainter painter(&picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRect(2, 3, 4, 4);
    return picture;
}

QPixmap Envelope() {
    QPixmap picture = Clear(kGutterWidth, kGutterHeight);
    QPainter painter(&picture);
    painter.setPen(QColor(60, 60, 60));
    painter.setBrush(QColor(255, 230, 140));
    painter.drawRect(0, 2, 7, 5);
    painter.drawLine(0, 2, 4, 5);
    painter.drawLine(7, 2, 4, 5);
    return picture;
}

} // namespace

std::vector<QPixmap> GutterBilderMalen() {
    return {QPixmap(),
            Cross(),
            Dot(QColor(90, 90, 90)),
            Tick(),
            Envelope(),
            Arrow(true, QColor(0, 150, 0)),
            Arrow(false, QColor(200, 0, 0))};
}

QPixmap KanalZustandBild(int index) {
    static const QColor kColours[] = {QColor(170, 170, 170), QColor(0, 170, 0), QColor(240, 160, 0)};
    const QColor& colour = kColours[index >= 0 && index < 3 ? index : 0];
    QPixmap picture = Clear(10, 13);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(150));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0.5, 2.5, 9, 9));
    return picture;
}

QPixmap GeraeteStatusBild(bool notReady) {
    QPixmap picture = Clear(12, 12);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = notReady ? QColor(210, 0, 0) : QColor(0, 170, 0);
    painter.setPen(colour.darker(150));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    return picture;
}

QIcon BefehlBild(int index) {
    // A coloured tile with a short mark on it, one per picture of the list.
    struct Kachel {
        int index;
        QColor colour;
        const char* mark;
    };
    static const Kachel kKacheln[] = {
        {0, QColor(0, 140, 60), "V"},        {1, QColor(190, 30, 30), "T"},
        {2, QColor(30, 90, 190), "\u2191"},  {3, QColor(70, 70, 150), "S"},
        {5, QColor(110, 110, 110), "E"},     {6, QColor(0, 130, 150), "Sp"},
        {9, QColor(220, 40, 40), "\u25A0"},  {10, QColor(150, 150, 150), "\u25A0"},
        {11, QColor(150, 90, 20), "St"},     {13, QColor(120, 60, 140), "X"},
        {14, QColor(60, 120, 140), "C"},     {15, QColor(60, 140, 90), "P"},
        {16, QColor(170, 60, 60), "L"},      {17, QColor(130, 130, 130), "-"},
        {18, QColor(0, 140, 0), "R"},        {19, QColor(200, 0, 0), "E"},
        {20, QColor(30, 90, 190), "\u21B5"},
    };
    for (const Kachel& kachel : kKacheln) {
        if (kachel.index != index) {
            continue;
        }
        QPixmap picture = Clear(16, 16);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(kachel.colour.darker(140));
        painter.setBrush(kachel.colour);
        painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        const QString mark = QString::fromUtf8(kachel.mark);
        QFont font = painter.font();
        font.setPixelSize(mark.size() > 1 ? 8 : 11);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(picture.rect(), Qt::AlignCenter, mark);
        return QIcon(picture);
    }
    return {};
}

} // namespace quarn
