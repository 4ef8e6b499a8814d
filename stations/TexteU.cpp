#include "stations/TexteU.h"

#include "foundation/DebOutU.h"
#include "foundation/InterfacesU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Exception.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteExpansion.h"

#include <atomic>
#include <cstdio>

namespace quarn {

namespace {

constexpr const char* kUnit = "TexteU";
constexpr const char* kClass = "TTexte";

std::atomic<TTexte*> liveTexte{nullptr};

std::string KindKey(int kind) {
    char key[64];
    std::snprintf(key, sizeof key, "\\Software\\Velmoor\\Quarn\\Texte\\%2.2d", kind);
    return key;
}

// Used only while the kind's key does not exist (a fresh installation).
std::string DefaultText(int kind) {
    switch (kind) {
    case 0:
        return "\rHallo %n...\r";
    case 1:
        return "<Quarn>: Tsch\xFC"
               "ss...\r";
    default:
        return {};
    }
}

void AssertKind(int kind) {
    QUARN_ASSERT(kind >= 0 && kind < kTextKindCount, kUnit);
}

// What "%N" becomes: the name the operator gave the peer's station, else the peer's call sign.
std::string PeerName(const IVerbindung& connection, const std::string& call) {
    const std::shared_ptr<IStationenDatenbankEintrag> entry = connection.GetStationenDatenbankEintrag();
    std::string name = entry ? entry->GetName() : std::string();
    return name.empty() ? call : name;
}

} // namespace

TTexte::TTexte(RegistryStore& store) : store_(store) {
    TTexte* expected = nullptr;
    QUARN_ASSERT(liveTexte.compare_exchange_strong(expected, this), kUnit);
}

TTexte::~TTexte() {
    liveTexte.store(nullptr);
}

TTexte* Texte() {
    return liveTexte.load();
}

void TTexte::LoadGlobal(int kind, std::string& text) {
    AssertKind(kind);
    Locker lock(lock_);
    const std::string key = KindKey(kind);
    if (!store_.KeyExists(Hive::CurrentUser, key)) {
        text = DefaultText(kind);
        return;
    }
    text = store_.ReadString(Hive::CurrentUser, key, "Text").value_or(std::string());
}

void TTexte::SaveGlobal(int kind, std::string_view text) {
    AssertKind(kind);
    Locker lock(lock_);
    const std::string key = KindKey(kind);
    if (!store_.WriteString(Hive::CurrentUser, key, "Text", text)) {
        DebOutObj(kClass, "SaveGlobal", "FEHLER: " + key);
    }
}

void TTexte::DeleteGlobal(int kind) {
    AssertKind(kind);
    Locker lock(lock_);
    const std::string key = KindKey(kind);
    // The key has to stay (or be made): without it the text would read as the default again.
    if (!store_.CreateKey(Hive::CurrentUser, key)) {
        DebOutObj(kClass, "DeleteGlobal", "FEHLER: " + key);
        return;
    }
    store_.DeleteValue(Hive::CurrentUser, key, "Text");
    store_.DeleteValue(Hive::CurrentUser, key, "StandardText");
}

bool TTexte::LoadStation(std::string_view call, int kind, bool& sendGlobalFirst, std::string& text) {
    AssertKind(kind);
    text.clear();
    sendGlobalFirst = true;
    Locker lock(lock_);
    TStationenDatenbank* database = StationenDatenbank();
    if (!database) {
        return false;
    }
    const std::shared_ptr<IStationenDatenbankEintrag> entry = database->GetEintrag(call);
    if (!entry) {
        return false;
    }
    entry->GetText(kind, text, sendGlobalFirst);
    return true;
}

void TTexte::SaveStation(std::string_view call, int kind, bool sendGlobalFirst, std::string_view text) {
    AssertKind(kind);
    Locker lock(lock_);
    TStationenDatenbank* database = StationenDatenbank();
    if (!database) {
        return;
    }
    if (const auto entry = database->GetEintrag(call)) {
        if (!entry->SetText(kind, text, sendGlobalFirst)) {
            DebOutObj(kClass, "SaveStation", "FEHLER: " + std::string(call));
        }
    }
}

void TTexte::DeleteStation(std::string_view call, int kind) {
    AssertKind(kind);
    if (call.empty()) {
        return;
    }
    Locker lock(lock_);
    TStationenDatenbank* database = StationenDatenbank();
    if (!database) {
        return;
    }
    if (const auto entry = database->GetEintrag(call)) {
        entry->DeleteText(kind);
    }
}

bool TTexte::Load(std::string_view call, int kind, bool& sendGlobalFirst, std::string& text) {
    Locker lock(lock_);
    bool found = true;
    if (call.empty()) {
        LoadGlobal(kind, text);
        sendGlobalFirst = false;
    } else {
        found = LoadStation(call, kind, sendGlobalFirst, text);
    }
    text = WithoutLineFeeds(text);
    return found;
}

void TTexte::Save(std::string_view call, int kind, bool sendGlobalFirst, std::string_view text) {
    if (call.empty()) {
        SaveGlobal(kind, text);
    } else {
        SaveStation(call, kind, sendGlobalFirst, text);
    }
}

void TTexte::Delete(std::string_view call, int kind) {
    if (call.empty()) {
        DeleteGlobal(kind);
    } else {
        DeleteStation(call, kind);
    }
}

void TTexte::ExpandText(int kind, const IVerbindung* connection, std::string& text) {
    ExpandText(kind, connection, text, {});
}

void TTexte::ExpandText(int kind, const IVerbindung* connection, std::string& text,
                        const std::function<std::string(std::string_view)>& vorlage) {
    Expand(kind, connection, text, vorlage, false);
}

void TTexte::Expand(int kind, const IVerbindung* connection, std::string& text,
                    const std::function<std::string(std::string_view)>& vorlage, bool nameForEscapes) {
    const TTextKindInfo info = TextKindInfo(kind);
    QUARN_ASSERT(info.Nr >= 0, kUnit);
    // The connection is asked before the lock is taken: it has locks of its own, and a connection
    // thread may hold them while it waits for a text.
    std::string call;
    std::string peerName = "?";
    if (connection) {
        call = connection->Get_Call();
        peerName = PeerName(*connection, call);
    }
    if (nameForEscapes) {
        std::string doubled;
        for (const char c : peerName) {
            doubled += c;
            if (c == '^') {
                doubled += c;
            }
        }
        peerName = std::move(doubled);
    }

    Locker lock(lock_);
    bool found = false;
    bool sendGlobalFirst = true;
    std::string stationText;
    if (!call.empty() && !info.NurGlobal) {
        found = Load(call, kind, sendGlobalFirst, stationText);
        const std::string baseCall = StripSSID(call);
        if (!found && baseCall != call) {
            found = Load(baseCall, kind, sendGlobalFirst, stationText);
        }
    }
    std::string working;
    if (!found || sendGlobalFirst) {
        Load({}, kind, sendGlobalFirst, working);
    }
    if (found) {
        working += stationText;
    }
    if (vorlage) {
        working = vorlage(working);
    }
    text += ExpandTextPlaceholders(working, peerName);
}

void TTexte::SendeText(int kind, IVerbindung* connection) {
    QUARN_ASSERT(connection != nullptr, kUnit);
    std::string text;
    Expand(kind, connection, text, {}, true);
    connection->SendeText(text, true, true, false, true);
}

} // namespace quarn
