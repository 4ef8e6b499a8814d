#pragma once

#include "platform/CriticalSection.h"
#include "platform/Event.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace quarn {

// Lock and the two manual-reset events every queue shares. NotEmptyEvent is set exactly while the queue
// holds an item, EmptyEvent exactly while it holds none; both change together under the lock, and only
// when the count goes from 0 to 1 or from 1 to 0. Consumers wait on NotEmptyEvent (beside QuitEvent);
// producers or shut-down code may wait on EmptyEvent for the queue to drain.
class TQueueBase {
public:
    TQueueBase(const TQueueBase&) = delete;
    TQueueBase& operator=(const TQueueBase&) = delete;

    int Count() const;
    bool IsEmpty() const { return Count() == 0; }
    const Event& NotEmptyEvent() const { return notEmpty_; }
    const Event& EmptyEvent() const { return empty_; }

protected:
    TQueueBase() = default;
    ~TQueueBase() = default;

    // Called under lock_ after the number of items changed to `count`.
    void CountChanged(std::size_t count);

    mutable CriticalSection lock_;

private:
    Event notEmpty_{EventReset::Manual, false};
    Event empty_{EventReset::Manual, true};
    std::size_t count_ = 0;
};

// A locked first-in-first-out queue of owned items (the sound player's play requests, for example).
// The queue owns what it holds: items still queued when it goes are freed with it. Pop and Peek give
// nothing (nullptr) on an empty queue; consumers wait on NotEmptyEvent and may still find it empty
// when another consumer was faster.
template <typename T> class TQueue : public TQueueBase {
public:
    TQueue() = default;

    void Push(std::unique_ptr<T> item) {
        const Locker locker(lock_);
        items_.push_back(std::move(item));
        CountChanged(items_.size());
    }
    void PushFront(std::unique_ptr<T> item) {
        const Locker locker(lock_);
        items_.push_front(std::move(item));
        CountChanged(items_.size());
    }
    std::unique_ptr<T> Pop() {
        const Locker locker(lock_);
        if (items_.empty()) {
            return nullptr;
        }
        std::unique_ptr<T> item = std::move(items_.front());
        items_.pop_front();
        CountChanged(items_.size());
        return item;
    }
    // The head item, still owned by the queue; valid until it is popped, so only for the one consumer.
    T* Peek() const {
        const Locker locker(lock_);
        return items_.empty() ? nullptr : items_.front().get();
    }

private:
    std::deque<std::unique_ptr<T>> items_;
};

// A locked queue of byte strings (Windows-1252 text or binary data, NUL allowed) between a device and a
// connection. Taking a string from an empty queue is a programming error: callers test IsEmpty or wait
// on NotEmptyEvent first. Each operation runs under the lock, so taking part of the head is atomic.
class TStringQueue : public TQueueBase {
public:
    TStringQueue() = default;

    // Appends a copy; an empty text is not queued.
    void PushString(std::string_view text);
    // Puts a copy in front, an empty text too (a handler gives back a line it has already taken).
    void PushFrontString(std::string_view text);
    // The head string, whole.
    std::string PopString();
    // At most `max` bytes from the head; what is left of a longer head string stays in front.
    std::string PopChars(std::size_t max);
    // The head string up to and including its first CR, or the whole head string when it has none.
    std::string PopLine();
    // A copy of the head string; empty when the queue is.
    std::string PeekString() const;
    // A copy of what PopChars(max) would take now.
    std::string PeekChars(std::size_t max) const;

private:
    std::deque<std::string> items_;
};

} // namespace quarn
