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
// none. `modulo128` tells how the link between the two stations counts. Kinds: 1 I, 2 RR, 3 RNR,
// 4 REJ, 5 SABM or SABME, 6 DISC, 7 DM, 8 UA, 9 FRMR, 10 UI, 0 any other (SREJ, XID, TEST).
std::optional<AgwMonitorFrame> AgwMonitorLesen(std::string_view frame, std::uint8_t kanal, bool modulo128);

} // namespace quarn
