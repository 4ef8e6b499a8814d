#pragma once

#include "foundation/PublisherU.h"

#include <atomic>

namespace quarn::test {

// Counts notifications and keeps the data of the last one.
class CountingSubscriber final : public ISubscriber {
public:
    void Notify(void* data) override {
        last = data;
        ++count;
    }
    std::atomic<int> count{0};
    std::atomic<void*> last{nullptr};
};

} // namespace quarn::test
