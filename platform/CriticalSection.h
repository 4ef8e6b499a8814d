#pragma once

#include <mutex>

namespace quarn {

// A lock that the thread holding it may take again. Satisfies BasicLockable, so std::lock_guard and
// std::unique_lock work with it; `Locker` is the usual scoped form.
class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

private:
    std::recursive_mutex mutex_;
};

using Locker = std::lock_guard<CriticalSection>;

} // namespace quarn
