#pragma once

#include "platform/FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quarn {

// Blocking Unix-domain stream sockets on a file path: local links that any thread can use without an
// event loop. Writes never raise SIGPIPE; a vanished peer shows as a failed write.

// Connects to a listening socket; an invalid descriptor when nobody listens there (or the path is too
// long for a socket address).
FileDescriptor ConnectLocalSocket(const std::filesystem::path& path);

// Binds and listens at the path. A socket file left behind by a dead listener is removed first; a live
// listener at the path, a path too long or any other failure raises Exception.
FileDescriptor ListenLocalSocket(const std::filesystem::path& path);

// The next connection of a listener; invalid on failure.
FileDescriptor AcceptLocalSocket(const FileDescriptor& listener);

// Writes all bytes; false when the peer is gone or the send time-out passed (the stream is then unusable).
bool SendAll(int fd, std::string_view bytes);
// Reads exactly `length` bytes; false at end of stream or on an error.
bool ReceiveExact(int fd, void* buffer, std::size_t length);
// Appends what has arrived, at most `room` bytes, without waiting for more; false at end of stream or on
// an error.
bool ReceiveAvailable(int fd, std::string& into, std::size_t room);
// A write that blocks longer than this fails (0 = wait for ever).
void SetSendTimeout(int fd, std::uint32_t milliseconds);
// Ends one's sending side: the peer reads the end of the stream, while what it still sends can be read.
void EndSending(int fd);
// Ends both directions but keeps the descriptor open: the peer reads the end of the stream, and one's
// own end reads as ended at once (a watcher of `fd` sees it readable).
void EndLink(int fd);

} // namespace quarn
