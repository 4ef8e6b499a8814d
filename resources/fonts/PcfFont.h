#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

namespace quarn::fontgen {

// One glyph of a bitmap font, as ink pixels relative to the baseline origin.
struct PcfGlyph {
    int left = 0;    // first ink column, relative to the origin
    int right = 0;   // one past the last ink column
    int ascent = 0;  // ink rows above the baseline
    int descent = 0; // ink rows below the baseline
    int advance = 0;
    std::vector<std::vector<bool>> rows; // ascent + descent rows of (right - left) pixels
};

// A font in the X11 PCF format (gzip-compressed or not), indexed by its character codes.
struct PcfFont {
    int ascent = 0;
    int descent = 0;
    std::map<std::uint32_t, PcfGlyph> glyphs;
};

// Throws std::runtime_error when the file cannot be read or is no PCF font.
PcfFont ReadPcfFont(const std::filesystem::path& file);

} // namespace quarn::fontgen
