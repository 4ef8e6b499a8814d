#pragma once

#include <QColor>
#include <cstdint>

namespace quarn {

// A stored colour value as a colour of the screen: 0x00BBGGRR, or with the top bit set a system colour
// whose low byte is the Windows system-colour index (COLOR_WINDOW = 5, COLOR_BTNFACE = 15, ...), taken
// from the application's palette. An unknown index gives the window colour. GUI thread (the palette).
QColor ColorValueToQColor(std::uint32_t value);

} // namespace quarn
