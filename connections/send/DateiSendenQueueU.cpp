#include "connections/send/DateiSendenQueueU.h"

#include "foundation/DebOutU.h"
#include "platform/Exception.h"

#include <algorithm>
#include <utility>

namespace quarn {

namespace {

constexpr std::string_view kClass = "TDateiSendenQueue";

// The "begin..."/"end." trace lines around each operation.
class Spur {
public:
    explicit Spur(std::string_view method) : method_(method) { DebOutObj(kClass, method_, "begin..."); }
    ~Spur() { DebOutObj(kClass, method_, "end."); }
    Spur(const Spur&) = delete;
    Spur& operator=(const Spur&) = delete;

private:
    std::string_view method_;
};

} // namespace

TDateiSendenQueue::~TDateiSendenQueue() {
    Release();
}

void TDateiSendenQueue::Notify() {
    publisher_.NotifySubscribers(static_cast<IDateiSendenQueue*>(this));
}

void TDateiSendenQueue::Subscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    const Spur spur("Subscribe");
    publisher_.Subscribe(subscriber);
}

void TDateiSendenQueue::Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    const Spur spur("Unsubscribe");
    publisher_.Unsubscribe(subscriber);
}

void TDateiSendenQueue::Release() {
    const Spur spur("Release");
    publisher_.Clear();
    std::vector<std::shared_ptr<IDateiSenden>> items;
    {
        const Locker locker(lock_);
        event_.Reset();
        items.swap(items_);
    }
    // Released outside the lock: an item's release may reach back to its connection.
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        (*it)->Release();
    }
}

int TDateiSendenQueue::GetCount() const {
    const Locker locker(lock_);
    return static_cast<int>(items_.size());
}

std::shared_ptr<IDateiSenden> TDateiSendenQueue::GetItems(int index) const {
    const Locker locker(lock_);
    QUARN_ASSERT(index >= 0 && static_cast<std::size_t>(index) < items_.size(), "DateiSendenQueueU");
    return items_[static_cast<std::size_t>(index)];
}

void TDateiSendenQueue::EnQueue(std::shared_ptr<IDateiSenden> item) {
    const Spur spur("EnQueue");
    {
        const Locker locker(lock_);
        QUARN_ASSERT(item != nullptr && std::find(items_.begin(), items_.end(), item) == items_.end(),
                     "DateiSendenQueueU");
        items_.push_back(std::move(item));
        event_.Set();
    }
    Notify();
}

std::shared_ptr<IDateiSenden> TDateiSendenQueue::DeQueue() {
    const Spur spur("DeQueue");
    std::shared_ptr<IDateiSenden> item;
    {
        const Locker locker(lock_);
        QUARN_ASSERT(!items_.empty(), "DateiSendenQueueU");
        item = std::move(items_.front());
        items_.erase(items_.begin());
        if (items_.empty()) {
            event_.Reset();
        }
    }
    Notify();
    return item;
}

std::shared_ptr<IDateiSenden> TDateiSendenQueue::Current() const {
    const Spur spur("Current");
    const Locker locker(lock_);
    QUARN_ASSERT(!items_.empty(), "DateiSendenQueueU");
    return items_.front();
}

int TDateiSendenQueue::Remove(const std::shared_ptr<IDateiSenden>& item) {
    const Spur spur("Remove");
    int index = -1;
    {
        const Locker locker(lock_);
        const auto found = std::find(items_.begin(), items_.end(), item);
        if (found != items_.end()) {
            index = static_cast<int>(found - items_.begin());
            items_.erase(found);
            if (items_.empty()) {
                event_.Reset();
            }
        }
    }
    if (index >= 0) {
        Notify();
    }
    return index;
}

} // namespace quarn
