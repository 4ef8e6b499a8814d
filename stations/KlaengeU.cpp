#include "stations/KlaengeU.h"

#include "foundation/DebOutU.h"
#include "foundation/InterfacesU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Exception.h"
#include "stations/PlaySeqThread.h"
#include "stations/StationenDatenbankU.h"

#include <QCoreApplication>
#include <atomic>
#include <cstdio>

namespace quarn {

namespace {

constexpr const char* kUnit = "KlaengeU";
constexpr const char* kClass = "TKlaenge";

std::atomic<TKlaenge*> liveKlaenge{nullptr};

struct EventRow {
    const char* name;
    bool hatAnsage, nurGlobal, verwerfbar, niedrig;
};

constexpr std::array<EventRow, kSoundEventCount> kEvents = {{
    {QT_TRANSLATE_NOOP("TKlaenge", "Verbindung: Aufbau"), true, false, false, true},
    {QT_TRANSLATE_NOOP("TKlaenge", "Verbindung: Hergestellt (ausgehend)"), true, false, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Verbindung: Hergestellt (ankommend)"), true, false, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Verbindung: Abbau"), true, false, false, true},
    {QT_TRANSLATE_NOOP("TKlaenge", "Verbindung: Getrennt"), true, false, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Verbindung: Fehler"), true, false, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Fernsteuerung: //RING"), true, false, true, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Zeile empfangen (aktiver Kanal)"), false, false, true, true},
    {QT_TRANSLATE_NOOP("TKlaenge", "Zeile empfangen (inaktiver Kanal)"), false, false, true, true},
    {QT_TRANSLATE_NOOP("TKlaenge", "Zeile senden"), false, false, true, true},
    {QT_TRANSLATE_NOOP("TKlaenge", "Dateiübertragung: Start"), false, false, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Dateiübertragung: Erfolg"), false, false, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Dateiübertragung: Abbruch"), false, false, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Dateiübertragung: Fehler"), false, false, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "PGP: Signatur gültig"), false, true, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "PGP: Unterzeichner/Echtheit unbekannt"), false, true, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "PGP: Nachricht verändert"), false, true, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Kanalwechsel"), false, true, true, true},
    {QT_TRANSLATE_NOOP("TKlaenge", "Programmstart"), false, true, false, false},
    {QT_TRANSLATE_NOOP("TKlaenge", "Programmende"), false, true, false, false},
}};

std::string EventKey(int event) {
    char key[64];
    std::snprintf(key, sizeof key, "\\Software\\Velmoor\\Quarn\\Klaenge\\%2.2d", event);
    return key;
}

// Stored kinds outside 0..3 mean "inherit", in the registry and in a station's stream alike.
std::uint8_t KindOf(std::optional<std::uint32_t> value) {
    return value && *value <= 3 ? static_cast<std::uint8_t>(*value) : 0;
}

std::uint8_t KindOf(int value) {
    return value >= 0 && value <= 3 ? static_cast<std::uint8_t>(value) : 0;
}

void AssertEvent(int event) {
    QUARN_ASSERT(event >= 0 && event < kSoundEventCount, kUnit);
}

} // namespace

TSoundEventInfo SoundEventInfo(int event) {
    const int nr = event & 0x7F;
    if (nr >= kSoundEventCount) {
        return {};
    }
    const EventRow& row = kEvents[static_cast<std::size_t>(nr)];
    return TSoundEventInfo{QCoreApplication::translate("TKlaenge", row.name),
                           nr,
                           row.hatAnsage,
                           row.nurGlobal,
                           row.verwerfbar,
                           row.niedrig};
}

TKlaenge::TKlaenge(RegistryStore& store, std::unique_ptr<IAudioSink> sink)
    : store_(store), shared_(std::make_shared<TPlaySeqShared>(std::move(sink))) {
    TKlaenge* expected = nullptr;
    QUARN_ASSERT(liveKlaenge.compare_exchange_strong(expected, this), kUnit);
    try {
        thread_ = std::make_unique<TPlaySeqThread>(shared_);
    } catch (...) {
        liveKlaenge.store(nullptr);
        throw;
    }
}

TKlaenge::~TKlaenge() {
    thread_.reset();
    liveKlaenge.store(nullptr);
}

TKlaenge* Klaenge() {
    return liveKlaenge.load();
}

bool TKlaenge::Play(int event, const IVerbindung* connection) {
    const std::string peerCall = connection ? connection->Get_Call() : std::string();
    return Play(event, std::string_view(peerCall));
}

bool TKlaenge::Play(int event, std::string_view peerCall) {
    const TSoundEventInfo info = SoundEventInfo(event);
    if (info.Nr < 0) {
        return false;
    }
    auto request = std::make_unique<TPlayRequest>();
    request->event = static_cast<std::uint8_t>(info.Nr);
    if (!info.NurGlobal && !peerCall.empty()) {
        if (!LoadStation(peerCall, info.Nr, request->announcement, request->waveFile, request->signal)) {
            const std::string baseCall = StripSSID(peerCall);
            if (baseCall != peerCall) {
                LoadStation(baseCall, info.Nr, request->announcement, request->waveFile, request->signal);
            }
        }
    }
    if (request->signal == 0 || request->announcement == 0) {
        std::uint8_t announcement = 0;
        std::string waveFile;
        std::uint8_t signal = 0;
        LoadGlobal(info.Nr, announcement, waveFile, signal);
        if (request->signal == 0) {
            request->signal = signal;
            request->waveFile = waveFile;
        }
        if (request->announcement == 0) {
            request->announcement = announcement;
        }
    }
    if (request->signal <= 1 && request->announcement <= 1) {
        return false;
    }
    Locker lock(shared_->lock);
    if (info.Verwerfbar && (shared_->state == 2 || (shared_->state == 1 && info.Niedrig))) {
        return false;
    }
    shared_->queue.Push(std::move(request));
    return true;
}

bool TKlaenge::PlayWaveFile(int event, std::string_view waveFile) {
    const TSoundEventInfo info = SoundEventInfo(event);
    if (info.Nr < 0 || waveFile.empty()) {
        return false;
    }
    auto request = std::make_unique<TPlayRequest>();
    request->event = static_cast<std::uint8_t>(info.Nr);
    request->signal = static_cast<std::uint8_t>(TSignalArt::WaveDatei);
    request->waveFile = std::string(waveFile);
    Locker lock(shared_->lock);
    shared_->queue.Push(std::move(request));
    return true;
}

void TKlaenge::Load(std::string_view call, int event, std::uint8_t& announcement, std::string& waveFile,
                    std::uint8_t& signal) {
    if (call.empty()) {
        LoadGlobal(event, announcement, waveFile, signal);
    } else {
        LoadStation(call, event, announcement, waveFile, signal);
    }
}

void TKlaenge::Save(std::string_view call, int event, std::uint8_t announcement, std::string_view waveFile,
                    std::uint8_t signal) {
    if (call.empty()) {
        SaveGlobal(event, announcement, waveFile, signal);
    } else {
        SaveStation(call, event, announcement, waveFile, signal);
    }
}

void TKlaenge::DeleteStation(std::string_view call, int event) {
    AssertEvent(event);
    if (call.empty()) {
        return;
    }
    if (TStationenDatenbank* database = StationenDatenbank()) {
        if (auto entry = database->GetEintrag(call)) {
            entry->DeleteSoundEvent(event);
        }
    }
}

void TKlaenge::LoadGlobal(int event, std::uint8_t& announcement, std::string& waveFile,
                          std::uint8_t& signal) {
    AssertEvent(event);
    Locker lock(shared_->lock);
    CacheEntry& entry = cache_[static_cast<std::size_t>(event)];
    if (!entry.loaded) {
        const std::string key = EventKey(event);
        if (!store_.KeyExists(Hive::CurrentUser, key)) {
            store_.CreateKey(Hive::CurrentUser, key);
        }
        entry.signal = KindOf(store_.ReadDWord(Hive::CurrentUser, key, "Signal"));
        entry.waveFile = store_.ReadString(Hive::CurrentUser, key, "SignalWavFile").value_or(std::string());
        entry.announcement = KindOf(store_.ReadDWord(Hive::CurrentUser, key, "Announcement"));
        entry.loaded = true;
    }
    announcement = entry.announcement;
    waveFile = entry.waveFile;
    signal = entry.signal;
}

void TKlaenge::SaveGlobal(int event, std::uint8_t announcement, std::string_view waveFile,
                          std::uint8_t signal) {
    AssertEvent(event);
    Locker lock(shared_->lock);
    CacheEntry& entry = cache_[static_cast<std::size_t>(event)];
    entry.signal = signal;
    entry.waveFile = std::string(waveFile);
    entry.announcement = announcement;
    entry.loaded = true;
    const std::string key = EventKey(event);
    const bool written = store_.WriteDWord(Hive::CurrentUser, key, "Signal", signal) &&
                         store_.WriteString(Hive::CurrentUser, key, "SignalWavFile", waveFile) &&
                         store_.WriteDWord(Hive::CurrentUser, key, "Announcement", announcement);
    if (!written) {
        DebOutObj(kClass, "SaveGlobal", "FEHLER: " + key);
    }
}

bool TKlaenge::LoadStation(std::string_view call, int event, std::uint8_t& announcement,
                           std::string& waveFile, std::uint8_t& signal) {
    AssertEvent(event);
    announcement = 0;
    waveFile.clear();
    signal = 0;
    TStationenDatenbank* database = StationenDatenbank();
    if (!database) {
        return false;
    }
    // The entry and the database have locks of their own; the sounds lock is not held meanwhile, so a
    // slow lookup never holds up the player.
    const auto entry = database->GetEintrag(call);
    if (!entry) {
        return false;
    }
    int storedSignal = 0;
    int storedAnnouncement = 0;
    entry->GetSoundEvent(event, storedSignal, storedAnnouncement, waveFile);
    signal = KindOf(storedSignal);
    announcement = KindOf(storedAnnouncement);
    return true;
}

void TKlaenge::SaveStation(std::string_view call, int event, std::uint8_t announcement,
                           std::string_view waveFile, std::uint8_t signal) {
    AssertEvent(event);
    TStationenDatenbank* database = StationenDatenbank();
    if (!database) {
        return;
    }
    if (const auto entry = database->GetEintrag(call)) {
        entry->SetSoundEvent(event, signal, announcement, waveFile);
    }
}

} // namespace quarn
