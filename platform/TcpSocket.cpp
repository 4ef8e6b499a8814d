#include "platform/TcpSocket.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>

namespace quarn {
namespace {

// A host that drops the request would otherwise hold the caller (a device starting up) for minutes.
constexpr int kConnectTimeoutMs = 5000;

bool Connect(int socket, const addrinfo& entry) {
    const int flags = ::fcntl(socket, F_GETFL);
    if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0) {
        return false;
    }
    if (::connect(socket, entry.ai_addr, entry.ai_addrlen) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            return false;
        }
        pollfd waiting{socket, POLLOUT, 0};
        int ready;
        do {
            ready = ::poll(&waiting, 1, kConnectTimeoutMs);
        } while (ready < 0 && errno == EINTR);
        int error = 0;
        socklen_t length = sizeof error;
        if (ready != 1 || ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            return false;
        }
    }
    return ::fcntl(socket, F_SETFL, flags) == 0;
}

} // namespace

FileDescriptor ConnectTcp(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
        return {};
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        FileDescriptor socket(
            ::socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol));
        if (!socket) {
            continue;
        }
        if (Connect(socket.get(), *entry)) {
            // Small protocol messages go out at once rather than waiting for more to join them.
            const int on = 1;
            ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return socket;
        }
    }
    return {};
}

} // namespace quarn
