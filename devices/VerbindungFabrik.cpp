#include "devices/VerbindungFabrik.h"

#include "foundation/QuarnException.h"

#include <mutex>
#include <utility>

namespace quarn {

namespace {

std::mutex& FabrikMutex() {
    static std::mutex mutex;
    return mutex;
}

TVerbindungFabrik& Fabrik() {
    static TVerbindungFabrik factory;
    return factory;
}

} // namespace

void SetVerbindungFabrik(TVerbindungFabrik factory) {
    const std::lock_guard lock(FabrikMutex());
    Fabrik() = std::move(factory);
}

std::shared_ptr<IVerbindung> VerbindungErzeugen(const std::shared_ptr<TGeraet>& device) {
    TVerbindungFabrik factory;
    {
        const std::lock_guard lock(FabrikMutex());
        factory = Fabrik();
    }
    if (!factory) {
        throw QuarnException("VerbindungFabrik", "VerbindungErzeugen", "Keine Verbindungen verfügbar.");
    }
    return factory(device);
}

} // namespace quarn
