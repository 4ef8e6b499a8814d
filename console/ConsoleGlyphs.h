#pragma once

#include "console/ConsoleGeometry.h"

#include <QColor>
#include <QFont>
#include <QRawFont>
#include <array>
#include <cstdint>
#include <vector>

class QPainter;

namespace quarn {

// Which character a byte of the buffer shows as: itself in Windows-1252, or, for the "DOS" display, the
// eight characters "ÄÖÜäöüß´" also from their CP850 codes.
class TDosDisplayTable {
public:
    TDosDisplayTable();
    std::uint8_t operator[](std::uint8_t byte) const { return table_[byte]; }

private:
    std::array<std::uint8_t, 256> table_{};
};
const TDosDisplayTable& DosDisplayTable();

// The console font's cell metrics and its glyphs for the 256 bytes, so that a run of cells is drawn as
// one glyph run placed exactly on the cell grid, whatever advance the font's glyphs have.
class TConsoleGlyphs {
public:
    explicit TConsoleGlyphs(const QFont& font);

    const TCellMetrics& Cell() const { return cell_; }
    const QFont& Font() const { return font_; }

    // Draws `count` bytes from `bytes` at the cell whose left edge is x and top is y.
    void DrawRun(QPainter& painter, int x, int y, const std::uint8_t* bytes, int count, bool dos,
                 const QColor& colour) const;

private:
    QFont font_;
    QRawFont raw_;
    TCellMetrics cell_;
    std::array<quint32, 256> glyphs_{};
    std::array<quint32, 256> dosGlyphs_{};
    mutable std::vector<quint32> runGlyphs_;
    mutable std::vector<QPointF> runPositions_;
};

} // namespace quarn
