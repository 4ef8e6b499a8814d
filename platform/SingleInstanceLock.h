#pragma once

#include "platform/FileDescriptor.h"

#include <cstdint>
#include <filesystem>
#include <optional>
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
    // Accepts one connection and reads its message number; nothing when the peer sent none in time.
    std::optional<std::uint32_t> ReceiveMessage() const;

private:
    SingleInstanceLock(FileDescriptor lock, FileDescriptor listener, std::filesystem::path socketPath);

    FileDescriptor lock_;
    FileDescriptor listener_;
    std::filesystem::path socketPath_;
};

// From a later copy: sends a message number to the running copy. While that copy is still starting its
// socket may not be there yet, so connecting is retried for up to `patienceMs`. False when nobody took it.
bool SendToRunningInstance(const std::filesystem::path& folder, std::string_view name, std::uint32_t message,
                           std::uint32_t patienceMs);

} // namespace quarn
