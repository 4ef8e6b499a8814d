#include "foundation/DebugMonitorLink.h"

#include "platform/LocalSocket.h"
#include "platform/XdgPaths.h"

#include <cstdint>

namespace quarn {
namespace {

constexpr std::uint32_t kMaxFrame = 16u * 1024 * 1024;
// A monitor that stops reading must not freeze every tracing thread for good.
constexpr std::uint32_t kSendTimeoutMs = 5000;

} // namespace

std::filesystem::path DebugMonitorSocketPath() {
    return XdgRuntimeDir() / "Quarn DebugMonitor";
}

std::string EncodeDebugMonitorFrame(std::string_view payload) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::string frame;
    frame.reserve(4 + payload.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        frame.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    frame.append(payload);
    return frame;
}

std::optional<std::string> ReadDebugMonitorFrame(int fd) {
    unsigned char header[4];
    if (!ReceiveExact(fd, header, sizeof header)) {
        return std::nullopt;
    }
    const std::uint32_t length = (std::uint32_t(header[0]) << 24) | (std::uint32_t(header[1]) << 16) |
                                 (std::uint32_t(header[2]) << 8) | std::uint32_t(header[3]);
    if (length > kMaxFrame) {
        return std::nullopt;
    }
    std::string payload(length, '\0');
    if (length > 0 && !ReceiveExact(fd, payload.data(), length)) {
        return std::nullopt;
    }
    return payload;
}

bool DebugMonitorLink::Connect(const std::filesystem::path& path) {
    Close();
    socket_ = ConnectLocalSocket(path);
    if (!socket_) {
        return false;
    }
    SetSendTimeout(socket_.get(), kSendTimeoutMs);
    return Send({});
}

bool DebugMonitorLink::Send(std::string_view line) {
    if (!attached()) {
        return false;
    }
    if (!SendAll(socket_.get(), EncodeDebugMonitorFrame(line))) {
        EndLink(socket_.get());
        ended_ = true;
        return false;
    }
    return true;
}

void DebugMonitorLink::Close() {
    socket_.reset();
    ended_ = false;
}

} // namespace quarn
