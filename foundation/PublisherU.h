#pragma once

#include "platform/CriticalSection.h"

#include <memory>
#include <vector>

namespace quarn {

// Told of a publisher's events. `data` is the publisher's own event data (a send item notifies with
// itself, a send queue with itself, ...); the subscriber knows from whom it subscribed what it points to.
// Notify runs in the publishing thread; a subscriber that touches widgets goes through Synchronize.
class ISubscriber {
public:
    virtual ~ISubscriber() = default;
    virtual void Notify(void* data) = 0;
};

class IPublisher {
public:
    virtual ~IPublisher() = default;
    virtual void Subscribe(const std::shared_ptr<ISubscriber>& subscriber) = 0;
    virtual void Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) = 0;
};

// The one publish/subscribe mechanism. Publishing classes own a TPublisher and forward their
// IPublisher operations to it. Subscribers are held (counted) while subscribed, each one once.
// No lock is held while a subscriber runs, so Notify may call back into the publisher.
class TPublisher final : public IPublisher {
public:
    TPublisher() = default;
    TPublisher(const TPublisher&) = delete;
    TPublisher& operator=(const TPublisher&) = delete;

    void Subscribe(const std::shared_ptr<ISubscriber>& subscriber) override;
    void Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) override;

    // Notifies every subscriber of the moment, in subscription order, in the calling thread. One that
    // unsubscribes meanwhile still gets this notification; one that subscribes meanwhile gets only later
    // ones.
    void NotifySubscribers(void* data);
    void Clear();

private:
    CriticalSection lock_;
    std::vector<std::shared_ptr<ISubscriber>> subscribers_;
};

} // namespace quarn
