#include "platform/SingleInstanceLock.h"

#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/LocalSocket.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace quarn {
namespace {

// A peer that connected has its four bytes written already; this only guards against a stray client.
constexpr std::uint32_t kReceiveTimeoutMs = 1000;
constexpr std::uint32_t kRetryStepMs = 20;

std::filesystem::path SocketPath(const std::filesystem::path& folder, std::string_view name) {
    return folder / std::string(name);
}

std::filesystem::path LockPath(const std::filesystem::path& folder, std::string_view name) {
    return folder / (std::string(name) + ".lock");
}

std::string Encode(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

} // namespace

SingleInstanceLock::SingleInstanceLock(FileDescriptor lock, FileDescriptor listener,
                                       std::filesystem::path socketPath)
    : lock_(std::move(lock)), listener_(std::move(listener)), socketPath_(std::move(socketPath)) {}

std::optional<SingleInstanceLock> SingleInstanceLock::TryAcquire(const std::filesystem::path& folder,
                                                                 std::string_view name) {
    const std::filesystem::path lockPath = LockPath(folder, name);
    FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock) {
        throw Exception("Cannot open " + lockPath.string() + ": " + std::strerror(errno));
    }
    int result;
    do {
        result = ::flock(lock.get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (errno == EWOULDBLOCK) {
            return std::nullopt;
        }
        throw Exception("Cannot lock " + lockPath.string() + ": " + std::strerror(errno));
    }
    // Holding the lock, any socket file there is a dead copy's; ListenLocalSocket replaces it.
    std::filesystem::path socketPath = SocketPath(folder, name);
    FileDescriptor listener = ListenLocalSocket(socketPath);
    return SingleInstanceLock(std::move(lock), std::move(listener), std::move(socketPath));
}

SingleInstanceLock::~SingleInstanceLock() {
    if (listener_) {
        listener_.reset();
        ::unlink(socketPath_.c_str());
    }
}

std::optional<std::uint32_t> SingleInstanceLock::ReceiveMessage() const {
    const FileDescriptor client = AcceptLocalSocket(listener_);
    if (!client) {
        return std::nullopt;
    }
    timeval timeout{};
    timeout.tv_sec = kReceiveTimeoutMs / 1000;
    timeout.tv_usec = (kReceiveTimeoutMs % 1000) * 1000;
    ::setsockopt(client.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    unsigned char bytes[4];
    if (!ReceiveExact(client.get(), bytes, sizeof bytes)) {
        return std::nullopt;
    }
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

bool SendToRunningInstance(const std::filesystem::path& folder, std::string_view name, std::uint32_t message,
                           std::uint32_t patienceMs) {
    const std::filesystem::path socketPath = SocketPath(folder, name);
    const std::uint64_t deadline = Clock().NowMs() + patienceMs;
    for (;;) {
        if (FileDescriptor socket = ConnectLocalSocket(socketPath)) {
            SetSendTimeout(socket.get(), kReceiveTimeoutMs);
            return SendAll(socket.get(), Encode(message));
        }
        if (Clock().NowMs() >= deadline) {
            return false;
        }
        Sleep(kRetryStepMs);
    }
}

} // namespace quarn
