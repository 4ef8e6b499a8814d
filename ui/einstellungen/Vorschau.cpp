#include "ui/einstellungen/Vorschau.h"

#include "console/ConsoleU.h"
#include "platform/SystemColor.h"
#include "ui/StandInBilder.h"

#include <cstdint>
#include <utility>

namespace quarn {

TConsole* VorschauKonsoleErzeugen(QWidget* parent) {
    auto* console = new TConsole(parent);
    console->SetCols(80);
    console->SetRows(24);
    console->SetLineBreak(TConsoleLineBreak::CR);
    console->SetGutterImages(GutterBilderMalen());
    console->SetTabStop(false);
    console->SetActive(true);
    return console;
}

void VorschauFarben(TConsole& console, std::uint32_t hintergrund, const std::vector<TVorschauFarbe>& farben) {
    console.SetColor(ColorValueToQColor(hintergrund));
    for (const TVorschauFarbe& farbe : farben) {
        console.SetPaletteColor(farbe.eintrag, ColorValueToQColor(farbe.farbe));
    }
}

void VorschauSchreiben(TConsole& console, const std::vector<TVorschauZeile>& zeilen) {
    console.Clear();
    // A cleared console writes at its last row; the samples read from the top.
    console.SetWriteCursor(0, 0);
    bool erste = true;
    for (const TVorschauZeile& zeile : zeilen) {
        // The break goes before a line, so no empty line with the cursor follows the last.
        if (!std::exchange(erste, false)) {
            console.Write("\r");
        }
        const int row = console.GetCursorRow();
        console.SetTextAttr(static_cast<std::uint8_t>(zeile.farbe));
        console.Write(zeile.text);
        if (zeile.gutter != 0) {
            console.SetGutterImage(zeile.gutter, row);
        }
    }
    console.ScrollToTop();
}

} // namespace quarn
