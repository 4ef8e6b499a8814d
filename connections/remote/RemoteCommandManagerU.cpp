#include "connections/remote/RemoteCommandManagerU.h"

#include "connections/remote/RemoteCommandsU.h"
#include "foundation/DebOutU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "stations/StationenDatenbankU.h"

#include <atomic>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TRemoteCommandManager";
constexpr const char* kUnit = "RemoteCommandManagerU";

std::atomic<TRemoteCommandManager*> g_manager{nullptr};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::shared_ptr<IStationenDatenbankEintrag> Station(std::string_view call) {
    TStationenDatenbank* database = StationenDatenbank();
    if (database == nullptr || call.empty()) {
        return nullptr;
    }
    return database->GetEintrag(call);
}

} // namespace

TRemoteCommandManager::TRemoteCommandManager(RegistryStore& store) : store_(store) {
    TRemoteCommandManager* expected = nullptr;
    QUARN_ASSERT(g_manager.compare_exchange_strong(expected, this), kUnit);
    store_.CreateKey(Hive::CurrentUser, kKey);
    RegisterCommands();
}

TRemoteCommandManager::~TRemoteCommandManager() {
    TRemoteCommandManager* expected = this;
    g_manager.compare_exchange_strong(expected, nullptr);
}

TRemoteCommandManager* RemoteCommandManager() {
    return g_manager.load();
}

void TRemoteCommandManager::RegisterCommands() {
    RegisterRemoteCommands(*this);
}

void TRemoteCommandManager::GetAllowedGlobal(std::string_view name, bool& allowed) const {
    const Locker locker(lock_);
    const auto type = store_.ValueType(Hive::CurrentUser, kKey, name);
    const auto value = store_.ReadDWord(Hive::CurrentUser, kKey, name);
    allowed = type == RegType::DWord && value.has_value() && *value == 1;
}

void TRemoteCommandManager::SetAllowedGlobal(std::string_view name, bool allowed) {
    const Locker locker(lock_);
    store_.WriteDWord(Hive::CurrentUser, kKey, name, allowed ? 1 : 0);
}

bool TRemoteCommandManager::GetAllowedStation(std::string_view call, std::string_view name,
                                              bool& allowed) const {
    allowed = false;
    const auto entry = Station(call);
    return entry && entry->GetRemoteCommand(name, allowed);
}

void TRemoteCommandManager::SetAllowedStation(std::string_view call, std::string_view name, bool allowed) {
    if (const auto entry = Station(call)) {
        entry->SetRemoteCommand(name, allowed);
    }
}

void TRemoteCommandManager::RegisterCommand(TRemoteCommandFactory factory, std::string_view name,
                                            std::size_t minimum, bool allowedByDefault,
                                            std::string_view helpText) {
    const Locker locker(lock_);
    if (!store_.ValueType(Hive::CurrentUser, kKey, name)) {
        store_.WriteDWord(Hive::CurrentUser, kKey, name, allowedByDefault ? 1 : 0);
    }
    commands_.push_back({factory, Lower(name), minimum, std::string(helpText)});
    DebOutObjFmt(kClass, "RegisterCommand", "RegisterCommand: %2d: %s",
                 static_cast<int>(commands_.size() - 1), commands_.back().name.c_str());
}

const TRemoteCommandEintrag* TRemoteCommandManager::FindCommand(std::string& word) const {
    const Locker locker(lock_);
    const std::string lower = Lower(word);
    for (const auto& command : commands_) {
        if (lower.size() >= command.minimum && command.name.starts_with(lower)) {
            word = command.name;
            return &command;
        }
    }
    return nullptr;
}

void TRemoteCommandManager::GetDisplayNames(std::vector<std::string>& list) const {
    const Locker locker(lock_);
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        const std::string& name = commands_[i].name;
        std::size_t k = commands_[i].minimum;
        for (std::size_t j = 0; j < i; ++j) {
            const std::string& earlier = commands_[j].name;
            if (commands_[j].minimum > k) {
                continue;
            }
            while (k < name.size() && name.compare(0, k, earlier, 0, k) == 0) {
                ++k;
            }
        }
        std::string display = name;
        for (std::size_t c = 0; c < k && c < display.size(); ++c) {
            if (display[c] >= 'a' && display[c] <= 'z') {
                display[c] = static_cast<char>(display[c] - 'a' + 'A');
            }
        }
        list.push_back(std::move(display));
    }
}

bool TRemoteCommandManager::IsAllowed(std::string_view call, std::string_view name, bool& allowed) const {
    if (!call.empty()) {
        return GetAllowedStation(call, name, allowed);
    }
    GetAllowedGlobal(name, allowed);
    return true;
}

void TRemoteCommandManager::SetAllowed(std::string_view call, std::string_view name, bool allowed) {
    if (!call.empty()) {
        SetAllowedStation(call, name, allowed);
    } else {
        SetAllowedGlobal(name, allowed);
    }
}

void TRemoteCommandManager::ClearOverride(std::string_view call, std::string_view name) {
    if (!call.empty()) {
        if (const auto entry = Station(call)) {
            entry->DeleteRemoteCommand(name);
        }
        return;
    }
    const Locker locker(lock_);
    store_.DeleteValue(Hive::CurrentUser, kKey, name);
}

bool TRemoteCommandManager::IsAllowedFor(std::string_view remoteCall, std::string_view name) const {
    bool allowed = false;
    if (IsAllowed(remoteCall, name, allowed)) {
        return allowed;
    }
    const std::string base = StripSSID(remoteCall);
    if (base != remoteCall && IsAllowed(base, name, allowed)) {
        return allowed;
    }
    IsAllowed({}, name, allowed);
    return allowed;
}

std::vector<TRemoteCommandEintrag> TRemoteCommandManager::Commands() const {
    const Locker locker(lock_);
    return commands_;
}

} // namespace quarn
