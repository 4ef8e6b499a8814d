#pragma once

#include "devices/flexnet/FlexnetKernel.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quarn {

// A raw AX.25 frame (addresses, control, pid, information; no flags, no checksum) as a monitor record.
struct AgwMonitorFrame {
    FlexnetMonitor monitor;
    // SABME starts a link counting modulo 128 (two control bytes in I and S frames); SABM, DISC and DM
    // end that; none for other frames.
    std::optional<bool> linkModulo128;
};

// False-free reading: a frame too short, with a broken address field or more than eight digipeaters is
// none. `modulo128` tells how the link between the two stations counts, none when that is not known (the
// link began before the monitor was on, or through our own modem, which does not show what it sends).
// Then a supervisory frame tells by its length (and says so in linkModulo128), and an information frame
// is read the way that finds a known pid where the pid belongs. Kinds: 1 I, 2 RR, 3 RNR, 4 REJ, 5 SABM
// or SABME, 6 DISC, 7 DM, 8 UA, 9 FRMR, 10 UI, 0 any other (SREJ, XID, TEST).
std::optional<AgwMonitorFrame> AgwMonitorLesen(std::string_view frame, std::uint8_t kanal,
                                               std::optional<bool> modulo128);

} // namespace quarn
