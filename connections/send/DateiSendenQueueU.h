#pragma once

#include "foundation/InterfacesU.h"
#include "foundation/PublisherU.h"
#include "platform/CriticalSection.h"
#include "platform/Event.h"

#include <memory>
#include <vector>

namespace quarn {

// A connection's send items in order. Its event is set while it holds items and wakes the
// connection's handler; subscribers (the send dialog) are told of every change with the queue.
class TDateiSendenQueue final : public IDateiSendenQueue {
public:
    TDateiSendenQueue() = default;
    ~TDateiSendenQueue() override;
    TDateiSendenQueue(const TDateiSendenQueue&) = delete;
    TDateiSendenQueue& operator=(const TDateiSendenQueue&) = delete;

    void Subscribe(const std::shared_ptr<ISubscriber>& subscriber) override;
    void Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) override;

    void Release() override;
    int GetCount() const override;
    std::shared_ptr<IDateiSenden> GetItems(int index) const override;
    void EnQueue(std::shared_ptr<IDateiSenden> item) override;
    std::shared_ptr<IDateiSenden> DeQueue() override;
    std::shared_ptr<IDateiSenden> Current() const override;
    const Event& GetEvent() const override { return event_; }
    void Lock() override { lock_.lock(); }
    void UnLock() override { lock_.unlock(); }
    int Remove(const std::shared_ptr<IDateiSenden>& item) override;

private:
    void Notify();

    TPublisher publisher_;
    mutable CriticalSection lock_;
    std::vector<std::shared_ptr<IDateiSenden>> items_;
    Event event_{EventReset::Manual, false};
};

} // namespace quarn
