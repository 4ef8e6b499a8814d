#include "devices/VerbindenLaeuft.h"

#include <mutex>
#include <set>

namespace quarn {

namespace {

struct Wartende {
    std::mutex mutex;
    std::multiset<const IKanal*> channels; // null for connects without a channel
};

Wartende& Liste() {
    static Wartende list;
    return list;
}

} // namespace

bool VerbindenLaeuft() {
    Wartende& list = Liste();
    const std::lock_guard lock(list.mutex);
    return !list.channels.empty();
}

TVerbindenMarke::TVerbindenMarke(const IKanal* channel) : channel_(channel) {
    Wartende& list = Liste();
    const std::lock_guard lock(list.mutex);
    if (channel_ != nullptr && list.channels.count(channel_) > 0) {
        belegt_ = true;
        return;
    }
    list.channels.insert(channel_);
}

TVerbindenMarke::~TVerbindenMarke() {
    if (belegt_) {
        return;
    }
    Wartende& list = Liste();
    const std::lock_guard lock(list.mutex);
    list.channels.erase(list.channels.find(channel_));
}

} // namespace quarn
