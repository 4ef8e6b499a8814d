#include "ui/BilderListen.h"

#include "ui/StandInBilder.h"

#include <QImage>
#include <array>
#include <limits>

namespace quarn {
namespace {

constexpr int kBefehlBilder = 21;
constexpr int kKanalZustaende = 3;
constexpr int kBefehlGroesse = 16;

constexpr std::array<QRgb, 16> kGrundfarben = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
};

int Abstand(QRgb a, QRgb b) {
    const int r = qRed(a) - qRed(b);
    const int g = qGreen(a) - qGreen(b);
    const int bl = qBlue(a) - qBlue(b);
    return r * r + g * g + bl * bl;
}

} // namespace

bool EchtfarbenBilder(int colorCapability, bool highColor) {
    return colorCapability == 2 && highColor;
}

QRgb SechzehnFarben(QRgb pixel) {
    if (qAlpha(pixel) < 128) {
        return 0;
    }
    QRgb naechste = kGrundfarben.front();
    int kleinster = std::numeric_limits<int>::max();
    for (const QRgb farbe : kGrundfarben) {
        const int abstand = Abstand(pixel, farbe);
        if (abstand < kleinster) {
            kleinster = abstand;
            naechste = farbe;
        }
    }
    return naechste;
}

QPixmap AufSechzehnFarben(const QPixmap& bild) {
    if (bild.isNull()) {
        return bild;
    }
    // Painted pictures are premultiplied; the colours are judged unmultiplied.
    QImage bildpunkte = bild.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < bildpunkte.height(); ++y) {
        auto* zeile = reinterpret_cast<QRgb*>(bildpunkte.scanLine(y));
        for (int x = 0; x < bildpunkte.width(); ++x) {
            zeile[x] = SechzehnFarben(zeile[x]);
        }
    }
    return QPixmap::fromImage(bildpunkte);
}

TBilderListen TBilderListen::Laden(bool echtfarben) {
    const auto umsetzen = [echtfarben](const QPixmap& bild) {
        return echtfarben ? bild : AufSechzehnFarben(bild);
    };
    TBilderListen listen;
    listen.echtfarben_ = echtfarben;
    for (int index = 0; index < kBefehlBilder; ++index) {
        const QIcon gemalt = BefehlBild(index);
        listen.befehle_.push_back(
            gemalt.isNull() ? QIcon() : QIcon(umsetzen(gemalt.pixmap(kBefehlGroesse, kBefehlGroesse))));
    }
    for (const QPixmap& bild : GutterBilderMalen()) {
        listen.konsole_.push_back(umsetzen(bild));
    }
    for (int index = 0; index < kKanalZustaende; ++index) {
        listen.kanalZustaende_.push_back(umsetzen(KanalZustandBild(index)));
    }
    return listen;
}

QIcon TBilderListen::Befehl(int index) const {
    return index >= 0 && index < static_cast<int>(befehle_.size()) ? befehle_[static_cast<std::size_t>(index)]
                                                                   : QIcon();
}

QPixmap TBilderListen::KanalZustand(int index) const {
    return kanalZustaende_.at(index >= 0 && index < kKanalZustaende ? static_cast<std::size_t>(index) : 0U);
}

} // namespace quarn
