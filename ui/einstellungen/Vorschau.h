#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

namespace quarn {

class TConsole;

// One sample line of a settings preview: its text (Windows-1252), the console palette entry it is
// written in and the gutter mark beside it (0 none).
struct TVorschauZeile {
    std::string text;
    int farbe = 0;
    int gutter = 0;
    bool operator==(const TVorschauZeile&) const = default;
};

// A small console for sample lines, in memory, with the main window's gutter pictures.
TConsole* VorschauKonsoleErzeugen(QWidget* parent);

// Gives the console its background and palette entries from stored colour values.
struct TVorschauFarbe {
    int eintrag;
    std::uint32_t farbe;
};
void VorschauFarben(TConsole& console, std::uint32_t hintergrund, const std::vector<TVorschauFarbe>& farben);

// Clears the console and writes the lines from its top.
void VorschauSchreiben(TConsole& console, const std::vector<TVorschauZeile>& zeilen);

} // namespace quarn
