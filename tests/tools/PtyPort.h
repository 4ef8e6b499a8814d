#pragma once

// The program's end of a simulated TNC's pseudo-terminal, for the simulator tests.

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace quarn::test {

class PtyPort {
public:
    explicit PtyPort(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~PtyPort() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    bool ok() const { return fd_ >= 0; }
    bool Write(const std::string& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Up to `count` bytes, whatever came within the limit.
    std::string Read(std::size_t count, std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
        std::string bytes;
        const auto start = std::chrono::steady_clock::now();
        while (bytes.size() < count && std::chrono::steady_clock::now() - start < limit) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 5) > 0) {
                char buffer[512];
                const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
                if (n > 0) {
                    bytes.append(buffer, static_cast<std::size_t>(n));
                }
            }
        }
        return bytes;
    }

private:
    int fd_;
};

} // namespace quarn::test
