#pragma once

// Host-mode frames as the program sends them and replies as the TNC gives them, for the simulator tests.

#include "tools/tncsim/TncSimCore.h"

#include <string>
#include <string_view>

namespace quarn::test {

inline std::string Frame(int channel, bool command, std::string_view data) {
    std::string bytes;
    bytes += static_cast<char>(channel);
    bytes += static_cast<char>(command ? 1 : 0);
    bytes += static_cast<char>(data.size() - 1);
    bytes += data;
    return bytes;
}

inline std::string Answer(int channel, int code, std::string_view text = {}) {
    std::string bytes;
    bytes += static_cast<char>(channel);
    bytes += static_cast<char>(code);
    if (code >= 1 && code <= 5) {
        bytes += text;
        bytes += '\0';
    } else if (code == 6 || code == 7) {
        bytes += static_cast<char>(text.size() - 1);
        bytes += text;
    }
    return bytes;
}

// A simulator configuration that starts in host mode.
inline tncsim::TncSimConfig HostConfig(tncsim::TncSimConfig config = {}) {
    config.startInHostMode = true;
    return config;
}

// Feeds one frame to the simulator and returns its reply.
inline std::string Ask(tncsim::TncSimCore& core, int channel, std::string_view data, bool command = true) {
    core.Feed(Frame(channel, command, data));
    return core.Take();
}

} // namespace quarn::test
