#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quarn::tncsim {

// The AX.25 frame kinds the simulated air carries.
enum class FrameType { I, RR, SABM, DISC, DM, UA, UI };

// One frame on the simulated air. No digipeaters: the air is one hop.
struct AirFrame {
    std::string from;
    std::string to;
    FrameType type = FrameType::UI;
    int ns = 0;
    int nr = 0;
    bool pollFinal = false;
    bool command = true;
    std::string info; // I and UI only (pid F0)
};

// The monitor header the firmware writes for a frame: "fm DL1AAA to DL2BBB ctl I00^ pid F0". The mark
// after the control text: "+" command with poll, "-" response with final, "^" command, "v" response.
std::string MonitorHeader(const AirFrame& frame);

// Bytes the frame takes on the line: flags, addresses, control, pid, information and checksum.
std::size_t AirBytes(const AirFrame& frame);

// Something on the air: a simulated TNC or a remote station. Called by the air with its lock held.
class AirEndpoint {
public:
    virtual ~AirEndpoint() = default;
    // Every frame that ends on the air: `own` for the endpoint that sent it, `heard` unless it was lost.
    virtual void OnAirFrame(const AirFrame& frame, bool own, bool heard) = 0;
    // Timers and sending.
    virtual void OnAirTick(std::uint64_t nowMs) = 0;
};

} // namespace quarn::tncsim
