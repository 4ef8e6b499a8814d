// The debug monitor: listens on the "Quarn DebugMonitor" socket and prints every trace line it gets,
// CR turned into a newline. A program started later attaches at its start, one already running as soon
// as the socket appears. On SIGINT or SIGTERM it stops listening and leaves every link by ending its
// side, printing what the programs still send ("DebugMonitor beendet.") until they close.
#include "foundation/DebugMonitorLink.h"
#include "platform/LocalSocket.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace {

// How long the programs get to answer when the monitor leaves.
constexpr auto kLeavePatience = std::chrono::seconds(3);

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

void Print(std::string line) {
    std::replace(line.begin(), line.end(), '\r', '\n');
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// Reads one message of every client that has one; a client whose link ended is dropped.
void ReadClients(std::vector<quarn::FileDescriptor>& clients, const std::vector<pollfd>& watched,
                 std::size_t first) {
    for (std::size_t index = watched.size(); index-- > first;) {
        if (watched[index].revents == 0) {
            continue;
        }
        // A writer sends each message at once, so reading a whole one blocks only briefly.
        auto frame = quarn::ReadDebugMonitorFrame(watched[index].fd);
        if (!frame) {
            clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index - first));
        } else if (!frame->empty()) {
            Print(std::move(*frame));
        }
    }
}

std::vector<pollfd> Watched(const std::vector<quarn::FileDescriptor>& clients, std::vector<pollfd> watched) {
    for (const auto& client : clients) {
        watched.push_back({client.get(), POLLIN, 0});
    }
    return watched;
}

// Ends the monitor's side of every link and prints the programs' last lines until they close.
void Leave(std::vector<quarn::FileDescriptor>& clients) {
    for (const auto& client : clients) {
        quarn::EndSending(client.get());
    }
    const auto deadline = std::chrono::steady_clock::now() + kLeavePatience;
    while (!clients.empty() && std::chrono::steady_clock::now() < deadline) {
        std::vector<pollfd> watched = Watched(clients, {});
        if (::poll(watched.data(), watched.size(), 100) > 0) {
            ReadClients(clients, watched, 0);
        }
    }
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
        std::vector<pollfd> watched = Watched(clients, {{listener.get(), POLLIN, 0}});
        if (::poll(watched.data(), watched.size(), -1) < 0) {
            continue; // a signal; the loop condition decides
        }
        ReadClients(clients, watched, 1);
        if (watched[0].revents & POLLIN) {
            if (auto client = quarn::AcceptLocalSocket(listener)) {
                clients.push_back(std::move(client));
            }
        }
    }
    // No program may attach while the monitor leaves.
    listener.reset();
    ::unlink(path.c_str());
    Leave(clients);
    return 0;
}
