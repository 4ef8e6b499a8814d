#pragma once

#include "devices/MonitorFrameU.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quarn {

// Monitor flags that shape the line.
inline constexpr std::int32_t kMonitorNoBinaryDetection = 0x80;
inline constexpr std::int32_t kMonitorPortPrefix = 0x100;

// One monitor line: the bracketed header and the information shown below it (Windows-1252 bytes).
struct TMonitorZeile {
    std::string kopf;
    std::string information;
};

// The monitor line of a frame, apart from any output. Empty when the frame has no sender; information is
// empty for a binary I frame (the header then carries " BIN" and the length).
std::optional<TMonitorZeile> MonitorZeileFormatieren(const TMonitorFrame& frame, std::int32_t monitorFlags);

// Class points of every byte value for the binary detection: the first 24 bytes of an I frame's
// information count as binary as soon as their points add up to more than 3.
const std::array<std::uint8_t, 256>& MonitorKlassenTabelle();

} // namespace quarn
