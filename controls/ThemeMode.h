#pragma once

namespace quarn {

// How a panel or group box paints under visual styles: as the plain control, only its frames (so the
// themed page behind shows through), or as the body of a themed tab page.
enum class TThemeMode { tmDefault = 0, tmNoPaint = 1, tmTabBody = 2 };

} // namespace quarn
