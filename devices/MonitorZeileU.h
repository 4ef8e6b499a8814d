#pragma once

// TEMPORARY stand-in until the monitor line format lands; removed then.
#include "devices/MonitorFrameU.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quarn {

struct TMonitorZeile {
    std::string kopf;
    std::string information;
};

std::optional<TMonitorZeile> MonitorZeileFormatieren(const TMonitorFrame& frame, std::int32_t monitorFlags);

} // namespace quarn
