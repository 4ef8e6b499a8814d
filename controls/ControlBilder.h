#pragma once

#include <QPixmap>

namespace quarn {

// The pictures the small controls draw, painted here in place of bitmap resources.

// "states": four 16-pixel check boxes: unchecked, checked, grey unchecked, grey checked.
QPixmap StatesBild(int state);
inline constexpr int kStatesBildGroesse = 16;

// "HintBackground": the hint window's face, stretched over the window.
QPixmap HintBackgroundBild();

} // namespace quarn
