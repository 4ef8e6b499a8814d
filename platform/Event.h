#pragma once

#include "platform/FileDescriptor.h"

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
    // another waiter was faster. Used by WaitForAny.
    bool TryConsume() const;

private:
    EventReset reset_;
    FileDescriptor fd_;
};

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

} // namespace quarn
