#include "BoxGlyphs.h"

#include <algorithm>

namespace quarn::fontgen {
namespace {

// Arm weights: 0 none, 1 single line, 2 double line.
struct Arms {
    int up, down, left, right;
};

std::optional<Arms> ArmsOf(char32_t code) {
    switch (code) {
    case 0x2500:
        return Arms{0, 0, 1, 1}; // ─
    case 0x2502:
        return Arms{1, 1, 0, 0}; // │
    case 0x250C:
        return Arms{0, 1, 0, 1}; // ┌
    case 0x2510:
        return Arms{0, 1, 1, 0}; // ┐
    case 0x2514:
        return Arms{1, 0, 0, 1}; // └
    case 0x2518:
        return Arms{1, 0, 1, 0}; // ┘
    case 0x251C:
        return Arms{1, 1, 0, 1}; // ├
    case 0x2524:
        return Arms{1, 1, 1, 0}; // ┤
    case 0x252C:
        return Arms{0, 1, 1, 1}; // ┬
    case 0x2534:
        return Arms{1, 0, 1, 1}; // ┴
    case 0x253C:
        return Arms{1, 1, 1, 1}; // ┼
    case 0x2550:
        return Arms{0, 0, 2, 2}; // ═
    case 0x2551:
        return Arms{2, 2, 0, 0}; // ║
    case 0x2554:
        return Arms{0, 2, 0, 2}; // ╔
    case 0x2557:
        return Arms{0, 2, 2, 0}; // ╗
    case 0x255A:
        return Arms{2, 0, 0, 2}; // ╚
    case 0x255D:
        return Arms{2, 0, 2, 0}; // ╝
    case 0x2560:
        return Arms{2, 2, 0, 2}; // ╠
    case 0x2563:
        return Arms{2, 2, 2, 0}; // ╣
    case 0x2566:
        return Arms{0, 2, 2, 2}; // ╦
    case 0x2569:
        return Arms{2, 0, 2, 2}; // ╩
    case 0x256C:
        return Arms{2, 2, 2, 2}; // ╬
    default:
        return std::nullopt;
    }
}

void Fill(CellBitmap& cell, int x0, int y0, int x1, int y1, bool value) {
    const int height = static_cast<int>(cell.size());
    const int width = height > 0 ? static_cast<int>(cell[0].size()) : 0;
    for (int y = std::max(0, y0); y <= std::min(height - 1, y1); ++y) {
        for (int x = std::max(0, x0); x <= std::min(width - 1, x1); ++x) {
            cell[y][x] = value;
        }
    }
}

// Arms of width 1 (single) or 3 (double) from the centre to the edges.
CellBitmap DrawArms(const Arms& arms, int width, int height, int cx, int cy, int weight, int half) {
    CellBitmap cell(height, std::vector<bool>(width, false));
    const auto has = [&](int arm) { return weight == 0 ? arm != 0 : arm == weight; };
    if (has(arms.up)) {
        Fill(cell, cx - half, 0, cx + half, cy + half, true);
    }
    if (has(arms.down)) {
        Fill(cell, cx - half, cy - half, cx + half, height - 1, true);
    }
    if (has(arms.left)) {
        Fill(cell, 0, cy - half, cx + half, cy + half, true);
    }
    if (has(arms.right)) {
        Fill(cell, cx - half, cy - half, width - 1, cy + half, true);
    }
    return cell;
}

CellBitmap DrawLines(const Arms& arms, int width, int height) {
    const int cx = (width - 1) / 2;
    const int cy = (height - 1) / 2;
    // A double line is the outline of a line three pixels wide: the wide arms less the thin ones through
    // the centre, which gives the corners and junctions their proper inner and outer strokes.
    const CellBitmap single = DrawArms(arms, width, height, cx, cy, 1, 0);
    const CellBitmap wide = DrawArms(arms, width, height, cx, cy, 2, 1);
    const CellBitmap thin = DrawArms(arms, width, height, cx, cy, 2, 0);
    CellBitmap cell(height, std::vector<bool>(width, false));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            cell[y][x] = single[y][x] || (wide[y][x] && !thin[y][x]);
        }
    }
    return cell;
}

} // namespace

std::optional<CellBitmap> DrawBoxGlyph(char32_t code, int width, int height) {
    if (const auto arms = ArmsOf(code)) {
        return DrawLines(*arms, width, height);
    }
    CellBitmap cell(height, std::vector<bool>(width, false));
    switch (code) {
    case 0x2580: // ▀
        Fill(cell, 0, 0, width - 1, height / 2 - 1, true);
        return cell;
    case 0x2584: // ▄
        Fill(cell, 0, height / 2, width - 1, height - 1, true);
        return cell;
    case 0x2588: // █
        Fill(cell, 0, 0, width - 1, height - 1, true);
        return cell;
    case 0x2591: // ░
    case 0x2592: // ▒
    case 0x2593: // ▓
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool quarter = x % 2 == 0 && y % 2 == 0;
                const bool half = (x + y) % 2 == 0;
                cell[y][x] = code == 0x2591 ? quarter : code == 0x2592 ? half : !quarter;
            }
        }
        return cell;
    case 0x25A0: { // ■, a square around the middle of the cell
        const int side = std::max(2, std::min(width - 2, height - 4));
        const int x0 = (width - side) / 2;
        const int y0 = (height - 1) / 2 - side / 2;
        Fill(cell, x0, y0, x0 + side - 1, y0 + side - 1, true);
        return cell;
    }
    default:
        return std::nullopt;
    }
}

} // namespace quarn::fontgen
