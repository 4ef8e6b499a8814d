#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

// One monitored AX.25 frame as a device decodes it; the channel set turns it into a monitor line.
struct TMonitorFrame {
    int geraet = 0; // number of the device that heard the frame
    int port = 0;   // radio port within the device
    std::string from;
    std::string to;
    std::string via; // digipeater path, empty when none
    std::uint8_t pid = 0;
    // 1 I, 2 RR, 3 RNR, 4 REJ, 5 SABM, 6 DISC, 7 DM, 8 UA, 9 FRMR, 10 UI
    std::uint8_t kind = 10;
    std::uint8_t sequence1 = 0;
    std::uint8_t sequence2 = 0;
    std::uint8_t pollFinal = 0;
    std::uint8_t command = 0;
    std::uint8_t dama = 0;
    int colourFlag = 0;
    std::string information;
};

// Reads a host-mode monitor header ("1:fm A to B via C D ctl I23^ pid F0 [DAMA]") into the frame.
// False for a header that is too short or lacks its "fm ", "to " or "ctl " part or a known control
// field; the call fields are then empty. A control field without a mark leaves poll/final and command
// as they were, as the TNC repeats them only when it knows them.
bool MonitorKopfLesen(std::string_view text, int deviceNumber, TMonitorFrame& frame);

} // namespace quarn
