#include "console/ConsoleGlyphs.h"

#include "platform/Codepage.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <algorithm>
#include <string_view>

namespace quarn {

namespace {

// Shown for bytes that have no visible character, so every cell keeps its place.
constexpr char16_t kBlank = u' ';

char16_t DisplayCharacter(std::uint8_t byte) {
    const char16_t character = Cp1252ToUnicode(byte);
    if (character < 0x20 || (character >= 0x7F && character < 0xA0)) {
        return kBlank;
    }
    return character;
}

quint32 GlyphOf(const QRawFont& raw, char16_t character) {
    const QChar text(character);
    quint32 glyph = 0;
    int count = 1;
    if (!raw.glyphIndexesForChars(&text, 1, &glyph, &count) || count != 1) {
        return 0;
    }
    return glyph;
}

} // namespace

TDosDisplayTable::TDosDisplayTable() {
    for (int byte = 0; byte < 256; ++byte) {
        table_[byte] = static_cast<std::uint8_t>(byte);
    }
    // "ÄÖÜäöüß´" in Windows-1252.
    constexpr std::string_view umlauts = "\xC4\xD6\xDC\xE4\xF6\xFC\xDF\xB4";
    for (const char character : umlauts) {
        const auto ansi = static_cast<std::uint8_t>(character);
        table_[Cp1252ToCp850(ansi)] = ansi;
    }
}

const TDosDisplayTable& DosDisplayTable() {
    static const TDosDisplayTable table;
    return table;
}

TConsoleGlyphs::TConsoleGlyphs(const QFont& font) : font_(font), raw_(QRawFont::fromFont(font)) {
    const QFontMetrics metrics(font_);
    cell_.width = std::max(1, metrics.averageCharWidth());
    cell_.height = std::max(1, metrics.height() + std::max(0, metrics.leading()));
    cell_.ascent = metrics.ascent();
    cell_.overhang = std::max(0, metrics.maxWidth() - metrics.averageCharWidth());
    // A proportional stand-in font has glyphs much wider than its average; they are drawn on the grid
    // anyway, so the mouse must not be shifted by them.
    cell_.overhang = std::min(cell_.overhang, cell_.width / 2);
    const TDosDisplayTable& dos = DosDisplayTable();
    for (int byte = 0; byte < 256; ++byte) {
        const auto value = static_cast<std::uint8_t>(byte);
        glyphs_[byte] = GlyphOf(raw_, DisplayCharacter(value));
        dosGlyphs_[byte] = GlyphOf(raw_, DisplayCharacter(dos[value]));
    }
}

void TConsoleGlyphs::DrawRun(QPainter& painter, int x, int y, const std::uint8_t* bytes, int count, bool dos,
                             const QColor& colour) const {
    if (count <= 0) {
        return;
    }
    painter.setPen(colour);
    if (!raw_.isValid()) {
        // No outline access to this font: one character per cell still keeps the grid.
        painter.setFont(font_);
        const TDosDisplayTable& table = DosDisplayTable();
        for (int i = 0; i < count; ++i) {
            const std::uint8_t byte = dos ? table[bytes[i]] : bytes[i];
            painter.drawText(x + i * cell_.width, y + cell_.ascent, QString(QChar(DisplayCharacter(byte))));
        }
        return;
    }
    const auto& table = dos ? dosGlyphs_ : glyphs_;
    runGlyphs_.resize(static_cast<std::size_t>(count));
    runPositions_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        runGlyphs_[static_cast<std::size_t>(i)] = table[bytes[i]];
        runPositions_[static_cast<std::size_t>(i)] = QPointF(i * cell_.width, 0);
    }
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setRawData(runGlyphs_.data(), runPositions_.data(), count);
    painter.drawGlyphRun(QPointF(x, y + cell_.ascent), run);
}

} // namespace quarn
