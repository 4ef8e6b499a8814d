#include "platform/ThreadTimer.h"

#include <atomic>
#include <unordered_map>
#include <utility>

namespace quarn {

namespace {

struct Registration {
    const ThreadMessageQueue* queue;
    std::shared_ptr<const std::function<void()>> callback;
};

// Timer ids above any a thread picks for its own timers, unique in the process, so a WM_TIMER is ours
// only when its id is listed for the queue it came from.
constexpr std::uintptr_t kFirstId = std::uintptr_t(1) << 30;

std::mutex registryMutex;
std::unordered_map<std::uintptr_t, Registration>& Registry() {
    static std::unordered_map<std::uintptr_t, Registration> registry;
    return registry;
}
std::atomic<std::uintptr_t> nextId{kFirstId};

} // namespace

std::shared_ptr<ThreadMessageQueue> CurrentThreadMessages() {
    thread_local const std::shared_ptr<ThreadMessageQueue> queue = std::make_shared<ThreadMessageQueue>();
    return queue;
}

ThreadTimer::~ThreadTimer() {
    Stop();
}

void ThreadTimer::Start(std::uint32_t intervalMs, std::function<void()> callback) {
    Stop();
    const std::shared_ptr<ThreadMessageQueue> queue = CurrentThreadMessages();
    const std::uintptr_t id = nextId.fetch_add(1);
    {
        const std::lock_guard lock(registryMutex);
        Registry()[id] =
            Registration{queue.get(), std::make_shared<const std::function<void()>>(std::move(callback))};
    }
    const std::lock_guard lock(mutex_);
    queue_ = queue;
    id_ = id;
    queue->SetTimer(id, intervalMs);
}

void ThreadTimer::Stop() {
    std::shared_ptr<ThreadMessageQueue> queue;
    std::uintptr_t id = 0;
    {
        const std::lock_guard lock(mutex_);
        queue = queue_.lock();
        id = std::exchange(id_, 0);
        queue_.reset();
    }
    if (id == 0) {
        return;
    }
    {
        const std::lock_guard lock(registryMutex);
        Registry().erase(id);
    }
    // The queue is locked inside, so this is safe from a thread other than its owner.
    if (queue) {
        queue->KillTimer(id);
    }
}

bool ThreadTimer::Running() const {
    const std::lock_guard lock(mutex_);
    return id_ != 0;
}

bool DispatchThreadTimer(const ThreadMessage& message) {
    if (message.message != WM_TIMER) {
        return false;
    }
    std::shared_ptr<const std::function<void()>> callback;
    {
        const std::lock_guard lock(registryMutex);
        const auto found = Registry().find(message.wParam);
        if (found == Registry().end() || found->second.queue != CurrentThreadMessages().get()) {
            return false;
        }
        callback = found->second.callback;
    }
    // Called without the lock: the tick may stop or start timers itself.
    (*callback)();
    return true;
}

} // namespace quarn
