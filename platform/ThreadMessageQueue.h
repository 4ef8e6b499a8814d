#pragma once

#include "platform/Event.h"

#include <any>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>

namespace quarn {

inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_QUIT = 0x0012;

// A thread message: the message number and its two parameters as the design gives them; `payload`
// carries an owned object where the design passed a pointer in lParam.
struct ThreadMessage {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::any payload;
};

// The message queue of one worker thread: any thread posts, the owning thread peeks or takes.
// Timers post WM_TIMER (wParam = timer id) when due; a due timer is reported once per Peek that
// finds the queue otherwise empty, like Windows does.
class ThreadMessageQueue {
public:
    ThreadMessageQueue();
    ThreadMessageQueue(const ThreadMessageQueue&) = delete;
    ThreadMessageQueue& operator=(const ThreadMessageQueue&) = delete;

    void Post(ThreadMessage message);
    // The next message, removed when `remove` is set; nothing when none is queued and no timer is due.
    std::optional<ThreadMessage> Peek(bool remove);
    bool HasMessage() const;

    void SetTimer(std::uintptr_t id, std::uint32_t intervalMs);
    void KillTimer(std::uintptr_t id);
    // Milliseconds until the next timer is due (0 when one is due), kInfinite without timers.
    std::uint32_t MsUntilNextTimer() const;

    // Set while a posted message is waiting (timers are not reflected; see MsUntilNextTimer).
    const Event& NotEmptyEvent() const { return notEmpty_; }

private:
    struct Timer {
        std::uint32_t intervalMs;
        std::uint64_t dueMs;
    };
    mutable std::mutex mutex_;
    std::deque<ThreadMessage> messages_;
    std::map<std::uintptr_t, Timer> timers_;
    Event notEmpty_;
};

} // namespace quarn
