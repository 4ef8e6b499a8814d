#include "tools/tncsim/PtySim.h"

#include "platform/Exception.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace quarn::tncsim {

PtySim::PtySim(TncSimCore& core, int baud) : core_(core), baud_(baud) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        throw Exception(std::string("openpty: ") + std::strerror(errno));
    }
    master_ = FileDescriptor(master);
    slave_ = FileDescriptor(slave);
    // Raw before anyone gets the name: a program that opens it at once must not see echo or CR/LF mapping.
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    path_ = name;
    // Opens of a device file are seen by inotify; ours (above) came before the watch. The closes are
    // watched too only so that the opens alternate with them: inotify merges equal events in a row.
    watch_ = FileDescriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (watch_.get() >= 0 && ::inotify_add_watch(watch_.get(), name, IN_OPEN | IN_CLOSE) < 0) {
        watch_ = FileDescriptor();
    }
    core_.SetOutputListener([wake = wake_] { wake->Set(); });
    pump_ = std::thread([this] { Pump(); });
}

PtySim::~PtySim() {
    Stop();
}

void PtySim::Stop() {
    core_.SetOutputListener({});
    stop_ = true;
    wake_->Set();
    if (pump_.joinable()) {
        pump_.join();
    }
}

void PtySim::CountOpens() {
    if (watch_.get() < 0) {
        return;
    }
    alignas(inotify_event) char events[4096];
    ssize_t n = 0;
    while ((n = ::read(watch_.get(), events, sizeof events)) > 0) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if ((event->mask & IN_OPEN) != 0) {
                ++opens_;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void PtySim::Pump() {
    using namespace std::chrono;
    const auto exchange = milliseconds(core_.ExchangeDelayMs());
    auto holdUntil = steady_clock::now(); // a reply leaves the TNC one exchange time after its frame came in
    std::string pending;                  // the core's output the line has not taken yet
    double allowance = 0;
    auto last = steady_clock::now();
    char buffer[1024];
    while (!stop_) {
        pollfd fds[3] = {{master_.get(), static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0},
                         {wake_->fd(), POLLIN, 0},
                         {watch_.get(), POLLIN, 0}};
        // Timed events of the core come due without input, so look again every few milliseconds.
        ::poll(fds, 3, 5);
        if ((fds[1].revents & POLLIN) != 0) {
            wake_->TryConsume();
        }
        CountOpens();
        const ssize_t n = ::read(master_.get(), buffer, sizeof buffer);
        if (n > 0) {
            const int frames = core_.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
            if (frames > 0 && exchange.count() > 0) {
                holdUntil = std::max(holdUntil, steady_clock::now()) + exchange * frames;
            }
        } else if (n < 0 && errno == EIO) {
            // The port is closed on the program's side: wait for it to open again.
            std::this_thread::sleep_for(milliseconds(5));
        }
        if (pending.size() < 4096) {
            pending += core_.Take(4096 - pending.size());
        }
        std::size_t chunk = steady_clock::now() < holdUntil ? 0 : pending.size();
        if (baud_ > 0) {
            const auto now = steady_clock::now();
            allowance = std::min(allowance + duration<double>(now - last).count() * baud_ / 10.0, 512.0);
            last = now;
            chunk = std::min(chunk, static_cast<std::size_t>(allowance));
        }
        if (chunk > 0) {
            const ssize_t w = ::write(master_.get(), pending.data(), chunk);
            if (w > 0) {
                pending.erase(0, static_cast<std::size_t>(w));
                allowance -= static_cast<double>(w);
            }
        } else if (!pending.empty()) {
            std::this_thread::sleep_for(milliseconds(1)); // paced: the line is not ready for more
        }
    }
}

} // namespace quarn::tncsim
