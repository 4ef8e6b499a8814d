#pragma once

#include "platform/FileDescriptor.h"

#include <atomic>
#include <cstdint>

namespace quarn {

enum class EventReset { Manual, Auto };

// A Windows-style event on an eventfd, so that it can be waited on with poll() beside sockets and
// serial ports (WaitForAny). A manual-reset event stays signalled until Reset; an auto-reset event
// releases exactly one waiter and resets itself.
class Event {
public:
    explicit Event(EventReset reset, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // Waits until signalled or the time-out (milliseconds, kInfinite for none) passes; true when
    // signalled. On an auto-reset event a successful wait consumes the signal.
    bool Wait(std::uint32_t timeoutMs) const;
    // Whether the event is signalled now, without consuming an auto-reset signal.
    bool IsSet() const;

    EventReset reset() const { return reset_; }
    int fd() const { return fd_.get(); }
    // Consumes the signal of an auto-reset event after poll() reported it readable; false when
    // another waiter was faster. A manual-reset event is only checked, not reset. Used by WaitForAny.
    bool TryConsume() const;

private:
    EventReset reset_;
    FileDescriptor fd_;
    // Bumped (release) by Set and read (acquire) whenever a wait sees the event signalled, so that what
    // the setting thread wrote before Set is visible to the woken thread in the language's memory model
    // too; a poll() alone does not order memory for the compiler or ThreadSanitizer.
    mutable std::atomic<std::uint64_t> setCount_{0};
};

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

} // namespace quarn
