#include "devices/GeraeteU.h"

#include "devices/flexnet/GeraetFlexnetU.h"
#include "devices/hostmode/GeraetHostmodeSerialU.h"
#include "devices/GeraetU.h"
#include "foundation/DebOutU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "platform/RegistryTree.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>

namespace quarn {

namespace {

constexpr const char* kUnit = "GeraeteU";
constexpr const char* kClass = "TGeraete";

struct KindRegistry {
    std::mutex mutex;
    std::vector<TGeraetKlasse> kinds;
    bool builtInDone = false;
};

KindRegistry& Kinds() {
    static KindRegistry registry;
    return registry;
}

void AppendKind(KindRegistry& registry, TGeraetKlasse kind) {
    registry.kinds.push_back(std::move(kind));
    DebOutObjFmt(kClass, "RegistriereGeraet", "RegistriereGeraet: %d: %s",
                 static_cast<int>(registry.kinds.size()), registry.kinds.back().typName.c_str());
}

// The built-in kinds in their fixed order; the dynamic-library kind is complete but not offered.
void RegisterBuiltIns(KindRegistry& registry) {
    if (registry.builtInDone) {
        return;
    }
    registry.builtInDone = true;
    AppendKind(registry, TGeraetKlasse{"TGeraetHostmodeSerial", "Hostmode",
                                       [] { return std::make_shared<TGeraetHostmodeSerial>(); }});
    AppendKind(registry, TGeraetKlasse{"TGeraetFlexnet", "PC/FlexNet",
                                       [] { return std::make_shared<TGeraetFlexnet>(); }});
}

// Read by device threads to see whether a status change has anyone to tell.
std::atomic<TGeraete*>& CurrentSet() {
    static std::atomic<TGeraete*> set{nullptr};
    return set;
}

// Names the registry held before the kinds had class names, and the old name of the serial kind.
std::string MapLegacyName(const std::string& stored) {
    if (stored == "1") {
        return "TGeraetFlexnet";
    }
    if (stored == "2" || registry::NamesEqual(stored, "TGeraetHostmode")) {
        return "TGeraetHostmodeSerial";
    }
    return stored;
}

std::string DeviceKey(std::string_view subKey) {
    return std::string(TGeraete::kRegistryKey) + "\\" + std::string(subKey);
}

} // namespace

void RegistriereGeraet(TGeraetKlasse kind) {
    KindRegistry& registry = Kinds();
    const std::lock_guard lock(registry.mutex);
    RegisterBuiltIns(registry);
    AppendKind(registry, std::move(kind));
}

std::vector<TGeraetKlasse> RegistrierteGeraete() {
    KindRegistry& registry = Kinds();
    const std::lock_guard lock(registry.mutex);
    RegisterBuiltIns(registry);
    return registry.kinds;
}

const TGeraetKlasse* FindeGeraeteKlasse(std::string_view className) {
    KindRegistry& registry = Kinds();
    const std::lock_guard lock(registry.mutex);
    RegisterBuiltIns(registry);
    for (const TGeraetKlasse& kind : registry.kinds) {
        if (registry::NamesEqual(kind.klassenName, className)) {
            return &kind; // entries are only appended, never removed
        }
    }
    return nullptr;
}

TGeraete::TGeraete() {
    QUARN_ASSERT(CurrentSet() == nullptr, kUnit);
    CurrentSet() = this;
    Laden();
}

TGeraete* TGeraete::Instance() {
    return CurrentSet();
}

void TGeraete::Laden() {
    RegistryStore& store = RegistryStore::Instance();
    store.CreateKey(Hive::LocalMachine, kRegistryKey);
    std::vector<std::string> origins;
    const std::vector<std::string> names = store.SubKeyNames(Hive::LocalMachine, kRegistryKey);
    for (const std::string& name : names) {
        const std::string stored = store.ReadString(Hive::LocalMachine, DeviceKey(name), "").value_or("");
        const TGeraetKlasse* kind = FindeGeraeteKlasse(MapLegacyName(stored));
        if (!kind) {
            continue;
        }
        if (static_cast<int>(geraete_.size()) >= kMaxGeraete) {
            DebOutObjFmt(kClass, "Create",
                         "FEHLER: Mehr als %d Geräte eingetragen; \"%s\" und weitere werden nicht geladen.",
                         kMaxGeraete, name.c_str());
            break;
        }
        std::shared_ptr<TGeraet> device;
        try {
            device = GeraetErzeugen(*kind);
        } catch (const std::exception&) {
            continue;
        }
        geraete_.push_back(std::move(device));
        origins.push_back(name);
    }
    eigeneSchluessel_ = origins;
    Aktualisieren();
    for (std::size_t i = 0; i < geraete_.size(); ++i) {
        geraete_[i]->SetRegistryKey(DeviceKey(origins[i]));
        geraete_[i]->Restore();
        geraete_[i]->Init();
        geraete_[i]->SetNummer(static_cast<int>(i));
    }
}

TGeraete::~TGeraete() {
    for (std::shared_ptr<TGeraet>& device : geraete_) {
        // A failing step is reported and the next device still stops: raising out of here would end
        // the program in the middle of its shut-down.
        try {
            device->DeInit();
        } catch (const std::exception& e) {
            ReportUnhandledException(&e, kClass, "Destroy", "DeInit");
        }
        try {
            device.reset();
        } catch (const std::exception& e) {
            ReportUnhandledException(&e, kClass, "Destroy", "Free");
        }
    }
    geraete_.clear();
    publisher_.Clear();
    CurrentSet() = nullptr;
    DebOutObj(kClass, "Destroy", "end.");
}

void TGeraete::Save() {
    RegistryStore& store = RegistryStore::Instance();
    const int count = std::min(Count(), kMaxGeraete);
    if (Count() > kMaxGeraete) {
        DebOutObjFmt(kClass, "Save", "FEHLER: Nur %d Geräte werden gespeichert.", kMaxGeraete);
    }
    const auto device = [this](int i) { return geraete_[static_cast<std::size_t>(i)]; };
    const auto owned = [this](const std::string& name) {
        return std::any_of(eigeneSchluessel_.begin(), eigeneSchluessel_.end(),
                           [&](const std::string& own) { return registry::NamesEqual(own, name); });
    };

    // Which sub-key holds which device; those of devices no longer in the set go.
    const std::vector<std::string> names = store.SubKeyNames(Hive::LocalMachine, kRegistryKey);
    std::vector<std::optional<std::string>> held(static_cast<std::size_t>(count));
    std::vector<std::string> others;
    for (const std::string& name : names) {
        int holder = -1;
        for (int i = 0; i < count && holder < 0; ++i) {
            if (!held[static_cast<std::size_t>(i)] && device(i) &&
                registry::NamesEqual(device(i)->GetRegistryKey(), DeviceKey(name))) {
                holder = i;
            }
        }
        if (holder >= 0) {
            held[static_cast<std::size_t>(holder)] = name;
        } else if (!owned(name)) {
            others.push_back(name);
        } else if (!store.DeleteKey(Hive::LocalMachine, DeviceKey(name))) {
            DebOutObj(kClass, "Save", "FEHLER: Kann die Geräte nicht aus der Registry löschen.");
            return;
        }
    }

    // The new numbers may be names in use: every kept key first goes to a free name of its own, in the
    // new order, so that a crash in between still leaves every device loadable.
    std::vector<std::string> taken = names;
    const auto freeName = [&] {
        for (int n = 0;; ++n) {
            const std::string name = "~" + std::to_string(n);
            if (std::none_of(taken.begin(), taken.end(),
                             [&](const std::string& t) { return registry::NamesEqual(t, name); })) {
                taken.push_back(name);
                return name;
            }
        }
    };
    const auto park = [&](std::string& name) {
        const std::string parked = freeName();
        if (!store.MoveKey(Hive::LocalMachine, DeviceKey(name), DeviceKey(parked))) {
            return false;
        }
        name = parked;
        return true;
    };
    for (int i = 0; i < count; ++i) {
        std::optional<std::string>& name = held[static_cast<std::size_t>(i)];
        if (name && !park(*name)) {
            DebOutObj(kClass, "Save", "FEHLER: Kann die Geräte nicht umnummerieren.");
            return;
        }
        if (name) {
            device(i)->SetRegistryKey(DeviceKey(*name));
        }
    }
    for (std::string& name : others) {
        if (!park(name)) {
            DebOutObj(kClass, "Save", "FEHLER: Kann die Geräte nicht umnummerieren.");
            return;
        }
    }

    eigeneSchluessel_.clear();
    for (int i = 0; i < count; ++i) {
        if (!device(i)) {
            continue;
        }
        const std::optional<std::string>& name = held[static_cast<std::size_t>(i)];
        std::string number = std::to_string(i);
        if (name && !store.MoveKey(Hive::LocalMachine, DeviceKey(*name), DeviceKey(number))) {
            DebOutObj(kClass, "Save", "FEHLER: Kann Gerät " + number + " nicht umnummerieren.");
            number = *name; // stays where it is, loadable
        }
        eigeneSchluessel_.push_back(number);
        device(i)->SetRegistryKey(DeviceKey(number));
        try {
            device(i)->Save();
        } catch (const std::exception&) {
            // One device that cannot be stored must not cost the others their settings.
        }
    }
    for (std::size_t j = 0; j < others.size(); ++j) {
        const std::string number = std::to_string(count + static_cast<int>(j));
        if (!store.MoveKey(Hive::LocalMachine, DeviceKey(others[j]), DeviceKey(number))) {
            DebOutObj(kClass, "Save", "FEHLER: Kann Eintrag " + others[j] + " nicht umnummerieren.");
        }
    }
}

std::shared_ptr<TGeraet> TGeraete::GeraetErzeugen(const TGeraetKlasse& kind) {
    return kind.erzeugen();
}

void TGeraete::Statuswechsel(TGeraet* device) {
    NotifySubscribers(device);
    bool notReady = device && device->GetStatus() != TGeraetStatus::Bereit;
    if (!notReady) {
        for (const std::shared_ptr<TGeraet>& other : geraete_) {
            if (!other) {
                DebOutObj(kClass, "Statuswechsel", "Gerät = nil");
                continue;
            }
            if (other->GetStatus() != TGeraetStatus::Bereit) {
                notReady = true;
                break;
            }
        }
    }
    if (statusAnzeige_) {
        statusAnzeige_(notReady);
    }
}

void TGeraete::Aktualisieren() {
    NotifySubscribers(nullptr);
    for (std::size_t i = 0; i < geraete_.size(); ++i) {
        if (!geraete_[i]) {
            continue;
        }
        geraete_[i]->SetNummer(static_cast<int>(i));
        Statuswechsel(geraete_[i].get());
    }
}

int TGeraete::GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>& ports) {
    int count = 0;
    for (const std::shared_ptr<TGeraet>& device : geraete_) {
        if (device) {
            count += device->GetFunkKanaele(ports, kMaxGeraete);
        }
    }
    return count;
}

void TGeraete::Subscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    publisher_.Subscribe(subscriber);
}

void TGeraete::Unsubscribe(const std::shared_ptr<ISubscriber>& subscriber) {
    publisher_.Unsubscribe(subscriber);
}

void TGeraete::NotifySubscribers(TGeraet* device) {
    publisher_.NotifySubscribers(device);
}

void TGeraete::SetGeraeteStatusAnzeige(std::function<void(bool notReady)> display) {
    statusAnzeige_ = std::move(display);
}

} // namespace quarn
