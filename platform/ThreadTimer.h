#pragma once

#include "platform/ThreadMessageQueue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace quarn {

// The calling thread's message queue, made at its first use and kept for the thread's life. Loops
// that wait with MsgWaitForAny on it and hand WM_TIMER to DispatchThreadTimer run its timers.
std::shared_ptr<ThreadMessageQueue> CurrentThreadMessages();

// A repeating timer on the queue of the thread that called Start; the callback runs on that thread
// when it dispatches the timer's WM_TIMER. Stop (and the destructor) may run on any thread: once it
// returns, no new tick starts, though one already running finishes.
class ThreadTimer {
public:
    ThreadTimer() = default;
    ~ThreadTimer();
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

    // A running timer is stopped first.
    void Start(std::uint32_t intervalMs, std::function<void()> callback);
    void Stop();
    bool Running() const;

private:
    mutable std::mutex mutex_;
    std::weak_ptr<ThreadMessageQueue> queue_;
    std::uintptr_t id_ = 0;
};

// Runs the callback of a ThreadTimer's WM_TIMER on the calling thread; false for any other message.
bool DispatchThreadTimer(const ThreadMessage& message);

} // namespace quarn
