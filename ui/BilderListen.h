#pragma once

#include <QIcon>
#include <QPixmap>
#include <QRgb>
#include <vector>

namespace quarn {

// The main window's three picture lists: the menus' and command toolbar's pictures (16 x 16), the
// consoles' gutter marks (8 x 9) and the channel buttons' states (10 x 13). The true-colour set is
// painted; the other is the same set brought down to the sixteen colours of the basic palette, for
// screens and drivers that cannot show more.
class TBilderListen {
public:
    static TBilderListen Laden(bool echtfarben);

    bool Echtfarben() const { return echtfarben_; }
    // A null icon for an index without a picture.
    QIcon Befehl(int index) const;
    const std::vector<QPixmap>& Konsole() const { return konsole_; }
    QPixmap KanalZustand(int index) const;

private:
    bool echtfarben_ = true;
    std::vector<QIcon> befehle_;
    std::vector<QPixmap> konsole_;
    std::vector<QPixmap> kanalZustaende_;
};

// The true-colour set only on a high-colour screen and while the operator wants it.
bool EchtfarbenBilder(int colorCapability, bool highColor);

// The nearest of the sixteen basic colours; a pixel less than half covered becomes clear, any other
// fully opaque, as a mask leaves it.
QRgb SechzehnFarben(QRgb pixel);
QPixmap AufSechzehnFarben(const QPixmap& bild);

} // namespace quarn
