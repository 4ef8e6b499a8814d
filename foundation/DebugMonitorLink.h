#pragma once

#include "platform/FileDescriptor.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// The link between the program and a debug monitor: a Unix stream socket "Quarn DebugMonitor" in
// $XDG_RUNTIME_DIR on which the monitor listens and the program connects. A monitor announces itself by
// starting to listen there: a program starting later connects at its start, one already running when it
// sees the socket appear in the folder.
//
// Framing: every message is a 4-byte length (big-endian) followed by that many bytes. The first message
// after connecting is the hand-shake, an empty message; every later one is exactly one trace line, its
// final CR included. A monitor ignores empty messages.
//
// A monitor leaves by ending its sending side (it sends nothing else, ever): the program then writes its
// last line "DebugMonitor beendet." and closes the link, so the monitor reads that line and the end.
std::filesystem::path DebugMonitorSocketPath();

// One message in the link's framing.
std::string EncodeDebugMonitorFrame(std::string_view payload);
// Reads one message; nothing at the end of the stream, on an error or for a length above 16 MiB.
std::optional<std::string> ReadDebugMonitorFrame(int fd);

// The program's end of the link. Not locked: the trace log serialises its use.
class DebugMonitorLink {
public:
    // Connects (letting a previous link go) and sends the hand-shake; false (and not attached) when no
    // monitor listens.
    bool Connect(const std::filesystem::path& path);
    // Sends one line. A failed write (monitor gone, or not reading for seconds) detaches: the link is
    // ended, but its descriptor stays open until Close, so that whoever watches it is not left with a
    // number that the system may hand out again.
    bool Send(std::string_view line);
    void Close();
    bool attached() const { return socket_.valid() && !ended_; }
    // The link's descriptor until Close, -1 without one.
    int socket() const { return socket_.get(); }

private:
    FileDescriptor socket_;
    bool ended_ = false;
};

} // namespace quarn
