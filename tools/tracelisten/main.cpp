// The debug monitor: listens on the "Quarn DebugMonitor" socket and prints every trace line it gets,
// CR turned into a newline, until it is killed. A program started later finds it at its start.
#include "foundation/DebugMonitorLink.h"
#include "platform/LocalSocket.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

void Print(std::string line) {
    std::replace(line.begin(), line.end(), '\r', '\n');
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

} // namespace

int main() {
    const auto path = quarn::DebugMonitorSocketPath();
    quarn::FileDescriptor listener;
    try {
        listener = quarn::ListenLocalSocket(path);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tracelisten: %s\n", error.what());
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = RequestStop;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::fprintf(stderr, "tracelisten: listening on %s\n", path.c_str());

    std::vector<quarn::FileDescriptor> clients;
    while (!stopRequested) {
        std::vector<pollfd> watched{{listener.get(), POLLIN, 0}};
        for (const auto& client : clients) {
            watched.push_back({client.get(), POLLIN, 0});
        }
        if (::poll(watched.data(), watched.size(), -1) < 0) {
            continue; // a signal; the loop condition decides
        }
        for (std::size_t index = watched.size(); index-- > 1;) {
            if (watched[index].revents == 0) {
                continue;
            }
            // A writer sends each message at once, so reading a whole one blocks only briefly.
            auto frame = quarn::ReadDebugMonitorFrame(watched[index].fd);
            if (!frame) {
                clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index - 1));
            } else if (!frame->empty()) {
                Print(std::move(*frame));
            }
        }
        if (watched[0].revents & POLLIN) {
            if (auto client = quarn::AcceptLocalSocket(listener)) {
                clients.push_back(std::move(client));
            }
        }
    }
    ::unlink(path.c_str());
    return 0;
}
