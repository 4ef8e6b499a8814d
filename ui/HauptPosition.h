#pragma once

#include <QRect>
#include <optional>
#include <vector>

namespace quarn {

// The main window's rectangle as the last run left it ("X", "Y", "DX", "DY" under "Windows\Main");
// a value that was never written is empty.
struct TFensterPosition {
    std::optional<int> x;
    std::optional<int> y;
    std::optional<int> dx;
    std::optional<int> dy;
};

// Where the window goes at the start. The saved rectangle is fitted into the work area of the screen
// nearest to it (the one it overlaps most, else the closest): cut to the work area's width and height,
// then moved right or down off the left or top edge and left or up off the right or bottom edge. With any
// value missing (or a size that is no size), the window takes two thirds of the desktop's work area in
// width and height, centred in it. `screens` holds the work area of each attached screen.
QRect FensterRechteck(const TFensterPosition& saved, const std::vector<QRect>& screens, const QRect& desktop);

// The window state as saved in "S".
enum class TFensterZustand { Normal = 0, Minimiert = 1, Maximiert = 2 };

} // namespace quarn
