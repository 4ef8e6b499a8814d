#include "platform/ThreadMessageQueue.h"

#include "platform/Clock.h"

#include <algorithm>

namespace quarn {

namespace {

// Like Windows, shorter intervals are raised to 10 ms so that a zero interval cannot spin a worker.
constexpr std::uint32_t kMinimumTimerMs = 10;

} // namespace

ThreadMessageQueue::ThreadMessageQueue() : notEmpty_(EventReset::Manual) {}

void ThreadMessageQueue::Post(ThreadMessage message) {
    const std::lock_guard lock(mutex_);
    messages_.push_back(std::move(message));
    notEmpty_.Set();
}

std::optional<ThreadMessage> ThreadMessageQueue::Peek(bool remove) {
    const std::lock_guard lock(mutex_);
    if (!messages_.empty()) {
        if (!remove) {
            return messages_.front();
        }
        ThreadMessage message = std::move(messages_.front());
        messages_.pop_front();
        if (messages_.empty()) {
            notEmpty_.Reset();
        }
        return message;
    }
    const std::uint64_t now = Clock().NowMs();
    const auto due = std::min_element(timers_.begin(), timers_.end(), [](const auto& a, const auto& b) {
        return a.second.dueMs < b.second.dueMs;
    });
    if (due == timers_.end() || due->second.dueMs > now) {
        return std::nullopt;
    }
    if (remove) {
        // Missed periods are not made up: one WM_TIMER, then the next one a full interval later.
        due->second.dueMs = now + due->second.intervalMs;
    }
    ThreadMessage message;
    message.message = WM_TIMER;
    message.wParam = due->first;
    return message;
}

bool ThreadMessageQueue::HasMessage() const {
    const std::lock_guard lock(mutex_);
    return !messages_.empty();
}

void ThreadMessageQueue::SetTimer(std::uintptr_t id, std::uint32_t intervalMs) {
    const std::uint32_t interval = std::max(intervalMs, kMinimumTimerMs);
    const std::lock_guard lock(mutex_);
    timers_[id] = Timer{interval, Clock().NowMs() + interval};
}

void ThreadMessageQueue::KillTimer(std::uintptr_t id) {
    const std::lock_guard lock(mutex_);
    timers_.erase(id);
}

std::uint32_t ThreadMessageQueue::MsUntilNextTimer() const {
    const std::lock_guard lock(mutex_);
    if (timers_.empty()) {
        return kInfinite;
    }
    const std::uint64_t now = Clock().NowMs();
    std::uint64_t next = kInfinite - 1;
    for (const auto& [id, timer] : timers_) {
        next = std::min(next, timer.dueMs > now ? timer.dueMs - now : 0);
    }
    return static_cast<std::uint32_t>(next);
}

} // namespace quarn
