#include "platform/Clock.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace quarn {

namespace {

class MonotonicClock final : public IClock {
public:
    std::uint64_t NowMs() const override {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
               static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    }

    void SleepMs(std::uint32_t milliseconds) override {
        timespec remaining{static_cast<time_t>(milliseconds / 1000u),
                           static_cast<long>(milliseconds % 1000u) * 1000000L};
        // A signal handler must not shorten the sleep.
        while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
        }
    }
};

MonotonicClock& systemClock() {
    static MonotonicClock clock;
    return clock;
}

std::atomic<IClock*>& current() {
    static std::atomic<IClock*> clock{&systemClock()};
    return clock;
}

} // namespace

IClock& Clock() {
    return *current().load(std::memory_order_acquire);
}

ScopedClock::ScopedClock(IClock& replacement)
    : previous_(current().exchange(&replacement, std::memory_order_acq_rel)) {}

ScopedClock::~ScopedClock() {
    current().store(previous_, std::memory_order_release);
}

} // namespace quarn
