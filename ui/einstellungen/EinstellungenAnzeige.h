#pragma once

#include "foundation/DesignTexts.h"
#include "ui/einstellungen/TabForm.h"
#include "ui/einstellungen/Vorschau.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

class QListWidget;
class QPushButton;
class QTabWidget;

namespace quarn {

class TColorButton;
class TConsole;

// The entries of the font list: of the font families, those whose name begins with "quarn" (any case),
// each without its first six characters ("quarn 08x12" gives "08x12").
QStringList SchriftEintraege(const QStringList& families);
// The entry to select: the stored font when listed, else "08x12", else the first; none in an empty list.
std::optional<int> SchriftWahl(const QStringList& eintraege, const QString& gespeichert);

// One colour button of the page: its tab (0 "Ausgabe", 1 "Eingabe", 2 "Monitor"), label, the colour
// index of the configuration and the preview palette entry it paints (kHintergrund for the background).
struct TAnzeigeFarbe {
    int tab;
    const char* text;
    int index;
    int eintrag;
};
inline constexpr int kHintergrund = -1;
extern const std::array<TAnzeigeFarbe, 13> kAnzeigeFarben;
// The preview's sample lines of a colour tab.
std::vector<TVorschauZeile> AnzeigeVorschau(int tab);

// Settings page "Anzeige": the terminal font and the colours of the consoles.
class TEinstellungenAnzeige : public TTabForm {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TEinstellungenAnzeige)

public:
    explicit TEinstellungenAnzeige(QWidget* parent);

    void Apply() override;

    QListWidget* SchriftListe() const { return schriftListe_; }
    TConsole* Vorschau() const { return vorschau_; }
    QTabWidget* FarbTabs() const { return farbTabs_; }
    // The button of a colour index (0 to 12).
    TColorButton* FarbKnopf(int index) const { return knoepfe_.at(static_cast<std::size_t>(index)); }
    QPushButton* Standardfarben(int tab) const { return standard_.at(static_cast<std::size_t>(tab)); }

private:
    void SchriftGewaehlt();
    void Zeichnen();
    void StandardfarbenSetzen(int tab);

    QListWidget* schriftListe_ = nullptr;
    TConsole* vorschau_ = nullptr;
    QTabWidget* farbTabs_ = nullptr;
    std::array<TColorButton*, 13> knoepfe_{};
    std::array<QPushButton*, 3> standard_{};
};

} // namespace quarn
