#pragma once

#include <cstdint>

namespace quarn {

// Monotonic milliseconds and sleeping. Code asks `Clock()` for both, so a test can put a clock of its
// own in place (ScopedClock) and decide when time passes.
class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since an arbitrary fixed start; never goes backwards.
    virtual std::uint64_t NowMs() const = 0;
    virtual void SleepMs(std::uint32_t milliseconds) = 0;
};

IClock& Clock();

// The Windows-style 32-bit tick count (wraps after 49.7 days); compare ticks by subtraction.
inline std::uint32_t GetTickCount() {
    return static_cast<std::uint32_t>(Clock().NowMs());
}
inline void Sleep(std::uint32_t milliseconds) {
    Clock().SleepMs(milliseconds);
}

// Replaces the process clock for the lifetime of this object (tests only; not thread-safe to nest
// from several threads).
class ScopedClock {
public:
    explicit ScopedClock(IClock& replacement);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    IClock* previous_;
};

} // namespace quarn
