#pragma once

#include "platform/FileDescriptor.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// The mark of the running copy of the program: an exclusive flock on "<name>.lock" in a folder (the
// runtime folder), plus a listening local socket "<name>" beside it through which a later copy reaches
// the first. Taking the lock is one atomic step, so of two copies started together exactly one wins;
// the kernel drops the lock when its holder dies, however it ends.
class SingleInstanceLock {
public:
    // Takes the lock without waiting and opens the socket; nothing when another process holds the lock.
    // Raises Exception when the folder is unusable.
    static std::optional<SingleInstanceLock> TryAcquire(const std::filesystem::path& folder,
                                                        std::string_view name);

    SingleInstanceLock(SingleInstanceLock&&) noexcept = default;
    SingleInstanceLock& operator=(SingleInstanceLock&&) = delete;
    // Removes the socket while the lock is still held, so it never removes a successor's socket.
    ~SingleInstanceLock();

    // Readable when a later copy has connected.
    int listenerFd() const { return listener_.get(); }
    // The next later copy that has connected, without waiting; invalid when none is waiting.
    FileDescriptor AcceptRequest() const;

private:
    SingleInstanceLock(FileDescriptor lock, FileDescriptor listener, std::filesystem::path socketPath);

    FileDescriptor lock_;
    FileDescriptor listener_;
    std::filesystem::path socketPath_;
};

// One later copy's request, a message number, read as its bytes arrive: the running copy must never
// wait for a client that connects and sends nothing.
class InstanceRequest {
public:
    explicit InstanceRequest(FileDescriptor client) : client_(std::move(client)) {}

    // Readable when more of the request has arrived or the client has gone.
    int fd() const { return client_.get(); }
    // Takes what has arrived without waiting; true when nothing more is to come: the request is complete
    // or the client has gone (Message() tells which).
    bool ReadAvailable();
    std::optional<std::uint32_t> Message() const;

private:
    FileDescriptor client_;
    std::string bytes_;
    bool ended_ = false;
};

// From a later copy: sends a message number to the running copy. While that copy is still starting its
// socket may not be there yet, so connecting is retried for up to `patienceMs`. False when nobody took it.
bool SendToRunningInstance(const std::filesystem::path& folder, std::string_view name, std::uint32_t message,
                           std::uint32_t patienceMs);

} // namespace quarn
