#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <vector>

namespace quarn {

// How a view lays out its viewers. Pure: measured sizes in, rectangles and flags out, so the rules run
// without windows.

enum class TTKOrientation : std::uint8_t { Horizontal = 0, Vertical = 1, Floating = 2 };

// The frame a view keeps free around its items: a floating toolbar has a small border, the others none.
QMargins MarginsFor(TTKOrientation orientation);

// The scroll arrows of a tall pop-up are this high; items under them are hidden.
inline constexpr int kScrollArrowHeight = 19;

// One viewer as the layout sees it.
struct TTKLayoutEntry {
    QSize size;
    // Whether the item wants to be seen at all (visible, its control shown, ...); separators are
    // thinned out by the layout itself.
    bool visible = true;
    bool separator = false;
    bool control = false;
    // Laid out as a button in a row; every item of a toolbar view is.
    bool toolbarSize = false;
    std::uint16_t styleBits = 0;
    // With a priority list: the position in it, 0 = used most recently.
    int priorityRank = 0;
};

struct TTKLayoutInput {
    std::vector<TTKLayoutEntry> entries;
    TTKOrientation orientation = TTKOrientation::Horizontal;
    bool popup = false;
    QMargins margins;
    int wrapOffset = 0;
    // Room for the items before the chevron takes over (0: no chevron).
    int chevronOffset = 0;
    int chevronSize = 0;
    // Where the chevron goes along the row; below 0 it follows the chevron offset less its size.
    int chevronPosition = -1;
    bool usePriorityList = false;
    // Pop-ups: the largest height (0 = unlimited) and the wanted scroll offset.
    int largestHeight = 0;
    int scrollOffset = 0;
};

struct TTKLayoutSlot {
    QRect rect;
    bool shown = false;
    bool offEdge = false;
    bool clipped = false;
    bool lineSeparator = false;

    bool operator==(const TTKLayoutSlot&) const = default;
};

struct TTKLayoutResult {
    std::vector<TTKLayoutSlot> viewers;
    QSize size;
    bool chevronShown = false;
    bool chevronEnabled = false;
    QRect chevronRect;
    // The offset actually used and its upper limit (both 0 when everything fits).
    int scrollOffset = 0;
    int scrollLimit = 0;
    bool topArrow = false;
    bool bottomArrow = false;
};

TTKLayoutResult ComputeLayout(const TTKLayoutInput& input);

// The scroll offset after one step of a scrolled pop-up laid out as `layout`: far enough that the next
// clipped item fits between the arrows, but never beyond the offset's limits.
int ScrollStepOffset(const TTKLayoutResult& layout, int largestHeight, bool down);
// The scroll offset that shows the clipped item `index` fully between the arrows, within the limits.
int RevealOffset(const TTKLayoutResult& layout, int largestHeight, int index);

} // namespace quarn
