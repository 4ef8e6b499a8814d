#include "connections/ConnectionsListU.h"

#include "foundation/InterfacesU.h"
#include "platform/Exception.h"

#include <algorithm>
#include <atomic>

namespace quarn {

namespace {

std::atomic<TConnectionsList*> theInstance{nullptr};

} // namespace

TConnectionsList::TConnectionsList() {
    TConnectionsList* expected = nullptr;
    QUARN_ASSERT(theInstance.compare_exchange_strong(expected, this), "ConnectionsListU");
}

TConnectionsList::~TConnectionsList() {
    TConnectionsList* expected = this;
    theInstance.compare_exchange_strong(expected, nullptr);
}

TConnectionsList* TConnectionsList::Instance() {
    return theInstance.load();
}

void TConnectionsList::Add(std::shared_ptr<IVerbindung> connection) {
    QUARN_ASSERT(connection != nullptr, "ConnectionsListU");
    const Locker locker(lock_);
    if (std::find(connections_.begin(), connections_.end(), connection) == connections_.end()) {
        connections_.push_back(std::move(connection));
    }
}

void TConnectionsList::Remove(const std::shared_ptr<IVerbindung>& connection) {
    const Locker locker(lock_);
    const auto found = std::find(connections_.begin(), connections_.end(), connection);
    if (found != connections_.end()) {
        connections_.erase(found);
    }
}

int TConnectionsList::Count() const {
    const Locker locker(lock_);
    return static_cast<int>(connections_.size());
}

std::shared_ptr<IVerbindung> TConnectionsList::Get(int index) const {
    const Locker locker(lock_);
    QUARN_ASSERT(index >= 0 && index < static_cast<int>(connections_.size()), "ConnectionsListU");
    return connections_[static_cast<std::size_t>(index)];
}

void TConnectionsList::Lock() const {
    lock_.lock();
}

void TConnectionsList::Unlock() const {
    lock_.unlock();
}

} // namespace quarn
