#include "platform/SingleInstanceLock.h"

#include "platform/Clock.h"
#include "platform/Exception.h"
#include "platform/LocalSocket.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace quarn {
namespace {

// A message number on the wire: four bytes, most significant first.
constexpr std::size_t kMessageSize = 4;
// A later copy whose running copy reads nothing gives up after this.
constexpr std::uint32_t kSendTimeoutMs = 1000;
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
    // Accepting runs on the GUI thread when the listener looks readable; a client that went away in
    // between must not leave it waiting for the next one.
    ::fcntl(listener.get(), F_SETFL, ::fcntl(listener.get(), F_GETFL) | O_NONBLOCK);
    return SingleInstanceLock(std::move(lock), std::move(listener), std::move(socketPath));
}

SingleInstanceLock::~SingleInstanceLock() {
    if (listener_) {
        listener_.reset();
        ::unlink(socketPath_.c_str());
    }
}

FileDescriptor SingleInstanceLock::AcceptRequest() const {
    return AcceptLocalSocket(listener_);
}

bool InstanceRequest::ReadAvailable() {
    if (!ended_ && !ReceiveAvailable(client_.get(), bytes_, kMessageSize - bytes_.size())) {
        ended_ = true;
    }
    return ended_ || bytes_.size() == kMessageSize;
}

std::optional<std::uint32_t> InstanceRequest::Message() const {
    if (bytes_.size() != kMessageSize) {
        return std::nullopt;
    }
    std::uint32_t message = 0;
    for (const char byte : bytes_) {
        message = (message << 8) | static_cast<unsigned char>(byte);
    }
    return message;
}

bool SendToRunningInstance(const std::filesystem::path& folder, std::string_view name, std::uint32_t message,
                           std::uint32_t patienceMs) {
    const std::filesystem::path socketPath = SocketPath(folder, name);
    const std::uint64_t deadline = Clock().NowMs() + patienceMs;
    for (;;) {
        if (FileDescriptor socket = ConnectLocalSocket(socketPath)) {
            SetSendTimeout(socket.get(), kSendTimeoutMs);
            return SendAll(socket.get(), Encode(message));
        }
        if (Clock().NowMs() >= deadline) {
            return false;
        }
        Sleep(kRetryStepMs);
    }
}

} // namespace quarn
