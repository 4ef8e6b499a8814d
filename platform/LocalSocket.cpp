#include "platform/LocalSocket.h"

#include "platform/Exception.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace quarn {
namespace {

bool MakeAddress(const std::filesystem::path& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.empty() || text.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, text.data(), text.size());
    return true;
}

FileDescriptor NewSocket() {
    return FileDescriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
}

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& path, int error) {
    throw Exception(what + " " + path.string() + ": " + std::strerror(error));
}

} // namespace

FileDescriptor ConnectLocalSocket(const std::filesystem::path& path) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) {
        return {};
    }
    FileDescriptor socket = NewSocket();
    if (!socket) {
        return {};
    }
    int result;
    do {
        result = ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? std::move(socket) : FileDescriptor();
}

FileDescriptor ListenLocalSocket(const std::filesystem::path& path) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) {
        throw Exception("Socket path too long: " + path.string());
    }
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            Fail("Not a socket:", path, EEXIST);
        }
        if (ConnectLocalSocket(path)) {
            Fail("Socket in use:", path, EADDRINUSE);
        }
        ::unlink(path.c_str());
    }
    FileDescriptor socket = NewSocket();
    if (!socket) {
        Fail("Cannot create socket", path, errno);
    }
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        Fail("Cannot bind", path, errno);
    }
    if (::listen(socket.get(), 8) != 0) {
        Fail("Cannot listen on", path, errno);
    }
    return socket;
}

FileDescriptor AcceptLocalSocket(const FileDescriptor& listener) {
    int fd;
    do {
        fd = ::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return FileDescriptor(fd);
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool ReceiveExact(int fd, void* buffer, std::size_t length) {
    auto* bytes = static_cast<char*>(buffer);
    while (length > 0) {
        const ssize_t got = ::recv(fd, bytes, length, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        bytes += got;
        length -= static_cast<std::size_t>(got);
    }
    return true;
}

bool ReceiveAvailable(int fd, std::string& into, std::size_t room) {
    const std::size_t had = into.size();
    into.resize(had + room);
    ssize_t got;
    do {
        got = ::recv(fd, into.data() + had, room, MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    const int error = got < 0 ? errno : 0;
    into.resize(had + (got > 0 ? static_cast<std::size_t>(got) : 0));
    if (got < 0) {
        return error == EAGAIN || error == EWOULDBLOCK;
    }
    return got > 0 || room == 0;
}

void SetSendTimeout(int fd, std::uint32_t milliseconds) {
    timeval timeout{};
    timeout.tv_sec = static_cast<time_t>(milliseconds / 1000);
    timeout.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

void EndSending(int fd) {
    ::shutdown(fd, SHUT_WR);
}

void EndLink(int fd) {
    ::shutdown(fd, SHUT_RDWR);
}

} // namespace quarn
