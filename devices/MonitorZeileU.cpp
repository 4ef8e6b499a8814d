// TEMPORARY stand-in until the monitor line format lands; removed then.
#include "devices/MonitorZeileU.h"

namespace quarn {

std::optional<TMonitorZeile> MonitorZeileFormatieren(const TMonitorFrame& frame,
                                                     std::int32_t /*monitorFlags*/) {
    if (frame.from.empty()) {
        return std::nullopt;
    }
    std::string via = frame.via.empty() ? std::string() : " v " + frame.via;
    return TMonitorZeile{"[" + frame.from + " > " + frame.to + via + " UI]", frame.information};
}

} // namespace quarn
