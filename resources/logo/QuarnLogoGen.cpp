// Paints the splash picture: the program's name beside a mast sending waves, on white.
//
//   quarn_logogen <output .png>
//
// Runs at build time on Qt's offscreen platform, so it needs no display.
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <cstdio>

namespace {

constexpr int kWidth = 360;
constexpr int kHeight = 120;
const QColor kInk(0x1F, 0x3A, 0x68);
const QColor kWaves(0xD0, 0x5A, 0x1E);
const QColor kSubtitle(0x60, 0x60, 0x60);

// A lattice mast with the antenna at its top and three waves on each side.
void PaintMast(QPainter& painter, const QPointF& top, double height) {
    painter.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF left = top + QPointF(-height / 5, height);
    const QPointF right = top + QPointF(height / 5, height);
    painter.drawLine(top, left);
    painter.drawLine(top, right);
    painter.setPen(QPen(kInk, 1.5));
    for (int step = 1; step < 4; ++step) {
        const double share = step / 4.0;
        const QPointF a = top + (left - top) * share;
        const QPointF b = top + (right - top) * (share + 0.25);
        painter.drawLine(a, b);
        painter.drawLine(top + (right - top) * share, top + (left - top) * (share + 0.25));
    }
    painter.setBrush(kWaves);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(top, 4, 4);
    painter.setBrush(Qt::NoBrush);
    for (int wave = 1; wave <= 3; ++wave) {
        const double radius = 9.0 * wave;
        const QRectF box(top.x() - radius, top.y() - radius, 2 * radius, 2 * radius);
        painter.setPen(QPen(kWaves, 2.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(box, -40 * 16, 80 * 16);
        painter.drawArc(box, 140 * 16, 80 * 16);
    }
}

QImage PaintLogo() {
    QImage logo(kWidth, kHeight, QImage::Format_RGB32);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    PaintMast(painter, QPointF(62, 34), 74);

    QFont name("DejaVu Sans");
    name.setPixelSize(58);
    name.setBold(true);
    painter.setFont(name);
    painter.setPen(kInk);
    painter.drawText(QRectF(118, 10, kWidth - 118, 70), Qt::AlignLeft | Qt::AlignBottom, "Quarn");

    QFont subtitle("DejaVu Sans");
    subtitle.setPixelSize(15);
    painter.setFont(subtitle);
    painter.setPen(kSubtitle);
    painter.drawText(QRectF(121, 82, kWidth - 121, 24), Qt::AlignLeft | Qt::AlignTop,
                     "Packet-Radio-Terminal");
    return logo;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quarn_logogen <output .png>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (!PaintLogo().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "quarn_logogen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
