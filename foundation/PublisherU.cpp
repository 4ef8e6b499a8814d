#include "foundation/PublisherU.h"

#include "foundation/DebOutU.h"

#include <algorithm>
#include <cstdint>

namespace quarn {
namespace {

// The trace names a subscriber by the low 32 bits of its address, as 8 hex digits.
std::uint32_t Tag(const ISubscriber* subscriber) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(subscriber));
}

} // namespace

void TPublisher::Subscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    if (!subscriber) {
        return;
    }
    {
        const Locker locker(lock_);
        if (std::find(subscribers_.begin(), subscribers_.end(), subscriber) == subscribers_.end()) {
            subscribers_.push_back(subscriber);
        }
    }
    DebOutObjFmt("TPublisher", "Subscribe", "Subscribe %08X", Tag(subscriber.get()));
}

void TPublisher::Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    bool removed = false;
    {
        const Locker locker(lock_);
        const auto found = std::find(subscribers_.begin(), subscribers_.end(), subscriber);
        if (found != subscribers_.end()) {
            subscribers_.erase(found);
            removed = true;
        }
    }
    DebOutObjFmt("TPublisher", "Unsubscribe", "%s%08X", removed ? "Unsubscribed " : "Not unsubscribed ",
                 Tag(subscriber.get()));
}

void TPublisher::NotifySubscribers(void* data) {
    std::vector<std::shared_ptr<ISubscriber>> snapshot;
    {
        const Locker locker(lock_);
        snapshot = subscribers_;
    }
    for (const auto& subscriber : snapshot) {
        subscriber->Notify(data);
    }
}

void TPublisher::Clear() {
    std::vector<std::shared_ptr<ISubscriber>> released;
    {
        const Locker locker(lock_);
        released.swap(subscribers_);
    }
    // Subscribers go outside the lock: a last reference may run a destructor that unsubscribes elsewhere.
}

} // namespace quarn
