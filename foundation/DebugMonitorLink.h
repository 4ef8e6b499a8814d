#pragma once

#include "platform/FileDescriptor.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// The link between the program and a debug monitor: a Unix stream socket "Quarn DebugMonitor" in
// $XDG_RUNTIME_DIR on which the monitor listens and the program connects.
//
// Framing: every message is a 4-byte length (big-endian) followed by that many bytes. The first message
// after connecting is the hand-shake, an empty message; every later one is exactly one trace line, its
// final CR included. A monitor ignores empty messages.
std::filesystem::path DebugMonitorSocketPath();

// One message in the link's framing.
std::string EncodeDebugMonitorFrame(std::string_view payload);
// Reads one message; nothing at the end of the stream, on an error or for a length above 16 MiB.
std::optional<std::string> ReadDebugMonitorFrame(int fd);

// The program's end of the link. Not locked: the trace log serialises its use.
class DebugMonitorLink {
public:
    // Connects and sends the hand-shake; false (and not attached) when no monitor listens.
    bool Connect(const std::filesystem::path& path);
    // Sends one line; a failed write (monitor gone, or not reading for seconds) closes the link.
    bool Send(std::string_view line);
    void Close() { socket_.reset(); }
    bool attached() const { return socket_.valid(); }

private:
    FileDescriptor socket_;
};

} // namespace quarn
