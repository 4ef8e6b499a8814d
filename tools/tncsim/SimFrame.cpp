#include "tools/tncsim/SimFrame.h"

namespace quarn::tncsim {

namespace {

std::string Control(const AirFrame& frame) {
    switch (frame.type) {
    case FrameType::I:
        // The receive number first, then the send number, as the firmware shows them.
        return "I" + std::to_string(frame.nr) + std::to_string(frame.ns);
    case FrameType::RR:
        return "RR" + std::to_string(frame.nr);
    case FrameType::SABM:
        return "SABM";
    case FrameType::DISC:
        return "DISC";
    case FrameType::DM:
        return "DM";
    case FrameType::UA:
        return "UA";
    case FrameType::UI:
        return "UI";
    }
    return "???";
}

} // namespace

std::string MonitorHeader(const AirFrame& frame) {
    const char mark = frame.command ? (frame.pollFinal ? '+' : '^') : (frame.pollFinal ? '-' : 'v');
    std::string header = "fm " + frame.from + " to " + frame.to + " ctl " + Control(frame) + mark;
    if (frame.type == FrameType::I || frame.type == FrameType::UI) {
        header += " pid F0";
    }
    return header;
}

std::size_t AirBytes(const AirFrame& frame) {
    // Two flags, two addresses of 7, control, checksum of 2; pid with information.
    const bool withInfo = frame.type == FrameType::I || frame.type == FrameType::UI;
    return 2 + 14 + 1 + 2 + (withInfo ? 1 + frame.info.size() : 0);
}

} // namespace quarn::tncsim
