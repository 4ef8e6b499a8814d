#pragma once

#include "platform/Clock.h"

#include <atomic>
#include <cstdint>

namespace quarn::test {

// A clock that moves only when told to: install it with ScopedClock, then Advance it. SleepMs returns
// at once and counts as time passed, so code that sleeps runs without waiting. Safe to read and
// advance from several threads.
class ManualClock final : public IClock {
public:
    explicit ManualClock(std::uint64_t startMs = 1'000'000) : nowMs_(startMs) {}

    std::uint64_t NowMs() const override { return nowMs_.load(); }
    void SleepMs(std::uint32_t milliseconds) override { Advance(milliseconds); }

    void Advance(std::uint64_t milliseconds) { nowMs_.fetch_add(milliseconds); }
    // For tests of tick arithmetic (wrap-around); must not go backwards while code under test runs.
    void Set(std::uint64_t nowMs) { nowMs_.store(nowMs); }

private:
    std::atomic<std::uint64_t> nowMs_;
};

} // namespace quarn::test
