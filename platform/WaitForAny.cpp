#include "platform/WaitForAny.h"

#include "platform/Exception.h"
#include "platform/ThreadMessageQueue.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>

namespace quarn {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Waits run on the real monotonic clock, never on a test's replacement clock: poll() sleeps real time.
class Deadline {
public:
    explicit Deadline(std::uint32_t timeoutMs) {
        if (timeoutMs != kInfinite) {
            end_ = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
        }
    }
    bool infinite() const { return !end_; }
    // Remaining milliseconds, rounded up so that a wait never ends before its time.
    std::uint64_t remainingMs() const {
        const auto left = *end_ - SteadyClock::now();
        if (left <= SteadyClock::duration::zero()) {
            return 0;
        }
        return static_cast<std::uint64_t>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
    }

private:
    std::optional<SteadyClock::time_point> end_;
};

int pollOnce(std::vector<pollfd>& fds, int timeoutMs) {
    const int rc = ::poll(fds.data(), fds.size(), timeoutMs);
    if (rc < 0 && errno != EINTR) {
        throw Exception(std::string("WaitForAny: poll failed: ") + std::strerror(errno));
    }
    return rc;
}

// The lowest ready handle, or kWaitTimeout. An auto-reset event that another waiter emptied between
// poll() and the read does not count; the search goes on with the next index.
int firstReady(std::span<const WaitHandle> handles, const std::vector<pollfd>& fds) {
    for (std::size_t i = 0; i < handles.size(); ++i) {
        if (fds[i].revents == 0) {
            continue;
        }
        // TryConsume also re-checks a manual-reset event and orders memory after its Set.
        const Event* event = handles[i].event();
        if (event == nullptr || event->TryConsume()) {
            return static_cast<int>(i);
        }
    }
    return kWaitTimeout;
}

int wait(std::span<const WaitHandle> handles, ThreadMessageQueue* queue, std::uint32_t timeoutMs) {
    std::vector<pollfd> fds;
    fds.reserve(handles.size() + 1);
    for (const WaitHandle& handle : handles) {
        fds.push_back(pollfd{handle.fd(), handle.pollEvents(), 0});
    }
    if (queue != nullptr) {
        fds.push_back(pollfd{queue->NotEmptyEvent().fd(), POLLIN, 0});
    }
    const int queueIndex = static_cast<int>(handles.size());
    const auto queueReady = [queue] { return queue->HasMessage() || queue->MsUntilNextTimer() == 0; };

    const Deadline deadline(timeoutMs);
    for (;;) {
        std::uint64_t sliceMs = deadline.infinite() ? std::uint64_t(kInfinite) : deadline.remainingMs();
        if (queue != nullptr) {
            sliceMs = std::min<std::uint64_t>(sliceMs, queue->MsUntilNextTimer());
        }
        const bool forever = deadline.infinite() && sliceMs == kInfinite;
        const int pollTimeout = forever ? -1 : static_cast<int>(std::min<std::uint64_t>(sliceMs, INT_MAX));
        for (pollfd& entry : fds) {
            entry.revents = 0;
        }
        if (pollOnce(fds, pollTimeout) > 0) {
            const int index = firstReady(handles, fds);
            if (index != kWaitTimeout) {
                return index;
            }
        }
        if (queue != nullptr && queueReady()) {
            return queueIndex;
        }
        if (!deadline.infinite() && deadline.remainingMs() == 0) {
            return kWaitTimeout;
        }
    }
}

} // namespace

int WaitForAny(std::span<const WaitHandle> handles, std::uint32_t timeoutMs) {
    return wait(handles, nullptr, timeoutMs);
}

int MsgWaitForAny(std::span<const WaitHandle> handles, ThreadMessageQueue& queue, std::uint32_t timeoutMs) {
    return wait(handles, &queue, timeoutMs);
}

} // namespace quarn
