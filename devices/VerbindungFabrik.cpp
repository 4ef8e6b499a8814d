#include "devices/VerbindungFabrik.h"

#include "devices/GeraetU.h"
#include "devices/hostmode/HostmodeLinkStatus.h"
#include "foundation/DebOutU.h"
#include "foundation/QuarnException.h"
#include "platform/Registry.h"

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

void GespeicherteVerbindungen(const std::shared_ptr<TGeraet>& device, std::string_view klasse,
                              const std::function<void(const std::shared_ptr<IVerbindung>&)>& uebernehmen) {
    const std::string key = device->GetRegistryKey();
    if (key.empty()) {
        return;
    }
    RegistryStore& store = RegistryStore::Instance();
    for (const std::string& name : store.SubKeyNames(Hive::LocalMachine, key)) {
        const std::optional<int> handle = ZahlAusText(name);
        if (!handle) {
            continue;
        }
        const std::shared_ptr<IVerbindung> connection = VerbindungErzeugen(device);
        try {
            connection->RestoreFromRegistry(key, *handle);
        } catch (const std::exception& error) {
            DebOutObj(klasse, "Restore", std::string("FEHLER: ") + error.what());
            connection->Release();
            continue;
        }
        uebernehmen(connection);
    }
}

} // namespace quarn
