#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace quarn::fontgen {

using CellBitmap = std::vector<std::vector<bool>>; // rows of pixels, top row first

// The box, block and shade characters of the DOS code page, drawn for one cell size so that lines meet
// the cell edges exactly and join across neighbouring cells; nothing for any other character.
std::optional<CellBitmap> DrawBoxGlyph(char32_t code, int width, int height);

} // namespace quarn::fontgen
