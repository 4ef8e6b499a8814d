#pragma once

#include "platform/Event.h"

#include <cstdint>
#include <initializer_list>
#include <span>

namespace quarn {

class ThreadMessageQueue;

// One thing a wait can end on: an event, or a file descriptor becoming ready for the given poll()
// events (POLLIN, POLLOUT, ...).
class WaitHandle {
public:
    WaitHandle(const Event& event) : event_(&event) {} // NOLINT: implicit on purpose
    static WaitHandle Fd(int fd, short pollEvents) { return WaitHandle(fd, pollEvents); }

    const Event* event() const { return event_; }
    int fd() const { return event_ ? event_->fd() : fd_; }
    short pollEvents() const { return event_ ? short(0x001 /*POLLIN*/) : pollEvents_; }

private:
    WaitHandle(int fd, short pollEvents) : fd_(fd), pollEvents_(pollEvents) {}
    const Event* event_ = nullptr;
    int fd_ = -1;
    short pollEvents_ = 0;
};

inline constexpr int kWaitTimeout = -1;

// Waits until one of the handles is signalled or the time-out passes. Returns the index of the
// signalled handle (the lowest one when several are), or kWaitTimeout. An auto-reset event is consumed
// only when its index is the one returned.
int WaitForAny(std::span<const WaitHandle> handles, std::uint32_t timeoutMs);
inline int WaitForAny(std::initializer_list<WaitHandle> handles, std::uint32_t timeoutMs) {
    return WaitForAny(std::span<const WaitHandle>(handles.begin(), handles.size()), timeoutMs);
}

// Like WaitForAny, but also ends when the thread message queue holds a message or a due timer; then the
// result is handles.size() (the MsgWaitForMultipleObjects idiom).
int MsgWaitForAny(std::span<const WaitHandle> handles, ThreadMessageQueue& queue, std::uint32_t timeoutMs);

} // namespace quarn
