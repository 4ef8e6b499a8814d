#pragma once

// Host-mode frames as the program sends them and replies as the TNC gives them, for the simulator tests.

#include "tools/tncsim/TncSimCore.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// One reply of the TNC taken apart: the text of codes 1-5, the bytes of codes 6 and 7.
struct HostReply {
    int channel = -1;
    int code = -1;
    std::string text;
};

// Splits the TNC's output into replies; an incomplete tail is left out.
inline std::vector<HostReply> ParseReplies(std::string_view bytes) {
    std::vector<HostReply> replies;
    std::size_t at = 0;
    while (at + 2 <= bytes.size()) {
        HostReply reply{static_cast<std::uint8_t>(bytes[at]), static_cast<std::uint8_t>(bytes[at + 1]), {}};
        std::size_t next = at + 2;
        if (reply.code >= 1 && reply.code <= 5) {
            const auto end = bytes.find('\0', next);
            if (end == std::string_view::npos) {
                break;
            }
            reply.text = std::string(bytes.substr(next, end - next));
            next = end + 1;
        } else if (reply.code == 6 || reply.code == 7) {
            if (next >= bytes.size()) {
                break;
            }
            const std::size_t length = static_cast<std::uint8_t>(bytes[next]) + 1u;
            if (next + 1 + length > bytes.size()) {
                break;
            }
            reply.text = std::string(bytes.substr(next + 1, length));
            next += 1 + length;
        }
        replies.push_back(std::move(reply));
        at = next;
    }
    return replies;
}

} // namespace quarn::test
