#include "foundation/QueueU.h"

#include "platform/Exception.h"

namespace quarn {

int TQueueBase::Count() const {
    const Locker locker(lock_);
    return static_cast<int>(count_);
}

void TQueueBase::CountChanged(std::size_t count) {
    if (count_ == 0 && count > 0) {
        notEmpty_.Set();
        empty_.Reset();
    } else if (count_ > 0 && count == 0) {
        notEmpty_.Reset();
        empty_.Set();
    }
    count_ = count;
}

void TStringQueue::PushString(std::string_view text) {
    if (text.empty()) {
        return;
    }
    const Locker locker(lock_);
    items_.emplace_back(text);
    CountChanged(items_.size());
}

void TStringQueue::PushFrontString(std::string_view text) {
    const Locker locker(lock_);
    items_.emplace_front(text);
    CountChanged(items_.size());
}

std::string TStringQueue::PopString() {
    const Locker locker(lock_);
    QUARN_ASSERT(!items_.empty(), "QueueU");
    std::string text = std::move(items_.front());
    items_.pop_front();
    CountChanged(items_.size());
    return text;
}

std::string TStringQueue::PopChars(std::size_t max) {
    const Locker locker(lock_);
    QUARN_ASSERT(!items_.empty(), "QueueU");
    std::string& head = items_.front();
    if (head.size() > max) {
        std::string part = head.substr(0, max);
        head.erase(0, max);
        return part;
    }
    std::string text = std::move(head);
    items_.pop_front();
    CountChanged(items_.size());
    return text;
}

std::string TStringQueue::PopLine() {
    const Locker locker(lock_);
    QUARN_ASSERT(!items_.empty(), "QueueU");
    std::string& head = items_.front();
    const std::size_t cr = head.find('\r');
    if (cr != std::string::npos && cr + 1 < head.size()) {
        std::string line = head.substr(0, cr + 1);
        head.erase(0, cr + 1);
        return line;
    }
    std::string text = std::move(head);
    items_.pop_front();
    CountChanged(items_.size());
    return text;
}

std::string TStringQueue::PeekString() const {
    const Locker locker(lock_);
    return items_.empty() ? std::string() : items_.front();
}

std::string TStringQueue::PeekChars(std::size_t max) const {
    const Locker locker(lock_);
    return items_.empty() ? std::string() : items_.front().substr(0, max);
}

} // namespace quarn
