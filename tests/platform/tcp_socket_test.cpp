#include "platform/TcpSocket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace quarn {
namespace {

// A listener on a free loop-back port that never accepts; `backlog` requests wait in its queue.
struct Listener {
    explicit Listener(int backlog) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::listen(fd, backlog);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd); }
    int fd = -1;
    std::uint16_t port = 0;
};

TEST(TcpSocket, ConnectsToAListenerAndFailsWhereNobodyListens) {
    std::uint16_t port = 0;
    {
        const Listener listener(8);
        port = listener.port;
        EXPECT_TRUE(ConnectTcp("127.0.0.1", port));
        EXPECT_TRUE(ConnectTcp("localhost", port));
    }
    EXPECT_FALSE(ConnectTcp("127.0.0.1", port));
    EXPECT_FALSE(ConnectTcp("no-such-host.invalid", port));
}

// A listener whose queue is full drops the requests: the caller is let go after the time-out.
TEST(TcpSocket, AHostThatNeverAnswersGivesUpAfterTheTimeOut) {
    const Listener listener(0);
    std::vector<FileDescriptor> held;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const auto start = std::chrono::steady_clock::now();
        FileDescriptor socket = ConnectTcp("127.0.0.1", listener.port);
        const auto waited = std::chrono::steady_clock::now() - start;
        if (!socket) {
            EXPECT_GE(waited, std::chrono::seconds(4));
            EXPECT_LT(waited, std::chrono::seconds(8));
            return;
        }
        held.push_back(std::move(socket));
    }
    GTEST_SKIP() << "this kernel queued every request";
}

} // namespace
} // namespace quarn
