#pragma once

#include "foundation/InterfacesU.h"
#include "foundation/SharedEnums.h"
#include "platform/CriticalSection.h"
#include "platform/Exception.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarn {

class IStorage;

// The station database: one compound file "Stations.qvd" in the folder "Database" of the
// application-data folder. Each station is a sub-storage of the root named by its call sign in upper
// case (with or without SSID: two different stations); each fact is a stream in it.
//
// Texts are bytes (Windows-1252). Entries are counted (std::shared_ptr); while any holder keeps an entry,
// every lookup of the same call returns the same object. When the last reference goes, the entry leaves
// the cache, under the database lock.
//
// Every change, of a held entry too, is made in the file's tree at once and reaches the file in batches:
// a background flush shortly after a change (TStationenDatenbankOptions::flushDelay), Flush(), and the
// destruction of the database.

// How many bytes of each stream are read back.
inline constexpr std::size_t kStationNameLimit = 200;     // "N"
inline constexpr std::size_t kStationNotesLimit = 16384;  // "C"
inline constexpr std::size_t kStationStreamLimit = 4096;  // "R", "Snn", passwords
inline constexpr std::size_t kRebuildStreamLimit = 65536; // what the rebuild copies of any stream
// A station's text macro may be long; reading it back at 4096 bytes would cut it silently.
inline constexpr std::size_t kStationTextLimit = kRebuildStreamLimit; // "Xnn"

// The first letter of every password stream name.
inline constexpr char kPasswortPrefix = 'P';

// "P", the kind letter ("U" Benutzer, "S" Sysop), the method letter ("B" BayCom, "M" MD5, "D" DieBox),
// then the own call sign as given.
std::string MakePasswortStreamName(std::string_view myCall, TPasswortArt kind, TPasswortMethode method);
// The inverse. The name must be at least 4 characters long and start with the prefix (assertions); an
// unknown kind or method letter gives 0.
void ParsePasswortStreamName(std::string_view name, std::string& myCall, TPasswortArt& kind,
                             TPasswortMethode& method);

// "S00" .. "S19" and "X00" .. "X13".
std::string SoundStreamName(int event);
std::string TextStreamName(int kind);

// Opening or checking the database failed; the text is what the start-up shows the user
// ("OpenStorage/CreateDocfile: STG_E_ACCESSDENIED", "Kann neue Datei nicht anlegen.", ...).
class EStationenDatenbank : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "EStationenDatenbank"; }
};

// What the database needs from its surroundings. Every member has a default that suits the program.
struct TStationenDatenbankOptions {
    // The folder of "Stations.qvd"; empty: AppDataFolder() + "Database".
    std::filesystem::path folder;
    // The older file taken over once; empty: the executable's path with "-S.DAT" for its extension.
    std::filesystem::path legacyFile;
    // Shows (true) and hides (false) the progress window of the check.
    std::function<void(bool visible)> progress;
    // Tells the user that a damaged file was moved aside (the text says where); empty: the message box,
    // unless no one can answer it (offscreen platform).
    std::function<void(const std::string& text)> notice;
    // Free bytes on the file system of a path; empty: std::filesystem::space.
    std::function<std::uintmax_t(const std::filesystem::path& path)> freeSpace;
    // How long after a change the background flush writes the file; zero: right after each change.
    std::chrono::milliseconds flushDelay{1000};
};

struct TStationenDatenbankCore;

// One station. Every operation runs under the entry's own lock, so any thread may call.
class TStationenDatenbankEintrag final : public IStationenDatenbankEintrag {
public:
    TStationenDatenbankEintrag(std::string call, std::shared_ptr<IStorage> storage);
    ~TStationenDatenbankEintrag() override;
    TStationenDatenbankEintrag(const TStationenDatenbankEintrag&) = delete;
    TStationenDatenbankEintrag& operator=(const TStationenDatenbankEintrag&) = delete;

    std::string GetRufzeichen() const override;
    void SetName(std::string_view name) override;
    std::string GetName() const override;
    void SetNotizen(std::string_view notes) override;
    std::string GetNotizen() const override;
    void SetTyp(TStationType kind) override;
    TStationType GetTyp() const override;
    void SetFirewall(TIncomingConnects rule) override;
    TIncomingConnects GetFirewall() const override;
    void SetPasswort(std::string_view myCall, TPasswortArt kind, std::string_view password,
                     TPasswortMethode method) override;
    std::string GetPasswort(std::string_view myCall, TPasswortArt kind,
                            TPasswortMethode method) const override;
    std::string GetPasswortStream(std::string_view streamName) const override;
    void DeleteStream(std::string_view streamName) override;
    std::shared_ptr<IStorage> GetStorage() const override;
    void SetStorage(std::shared_ptr<IStorage> storage) override;
    void GetSoundEvent(int event, int& signal, int& announcement, std::string& waveFile) const override;
    bool SetSoundEvent(int event, int signal, int announcement, std::string_view waveFile) override;
    void DeleteSoundEvent(int event) override;
    void GetText(int kind, std::string& text, bool& sendGlobalFirst) const override;
    bool SetText(int kind, std::string_view text, bool sendGlobalFirst) override;
    void DeleteText(int kind) override;
    bool GetRemoteCommand(std::string_view name, bool& allowed) const override;
    void SetRemoteCommand(std::string_view name, bool allowed) override;
    void DeleteRemoteCommand(std::string_view name) override;

    // For the database's CreateEintrag of a station in use: destroys every element of the storage and
    // forgets what was loaded, so the holders see an empty station.
    void Empty();

private:
    void LoadTyp() const;
    void StoreTyp(const char* method);
    void LoadRemoteCommands() const;
    void StoreRemoteCommands(const char* method);
    void WriteStream(std::string_view streamName, std::string_view bytes, const char* method);
    std::string ReadStream(std::string_view streamName, std::size_t limit) const;

    mutable CriticalSection lock_;
    const std::string call_;
    std::shared_ptr<IStorage> storage_;
    // "T" has been read into kind_ and rule_.
    mutable bool typLoaded_ = false;
    mutable std::uint8_t kind_ = 0;
    mutable std::uint8_t rule_ = 0;
    // "R" as its "Name=Value" lines in stored order; empty optional: not loaded.
    mutable std::optional<std::vector<std::string>> remoteCommands_;
};

// The one station database of the program. All operations run under the database lock.
class TStationenDatenbank {
public:
    // Opens (or creates) the file; with `check` the file is first checked and rebuilt. A damaged file is
    // rebuilt too, keeping what can be read of it, and is itself moved aside (never deleted). Raises
    // EStationenDatenbank when the database cannot be opened; a second live instance is an assertion.
    explicit TStationenDatenbank(bool check, TStationenDatenbankOptions options = {});
    // Writes back the entries still held, writes the file and closes it. Entries held after this keep
    // working in memory, but nothing more reaches the file.
    ~TStationenDatenbank();
    TStationenDatenbank(const TStationenDatenbank&) = delete;
    TStationenDatenbank& operator=(const TStationenDatenbank&) = delete;

    // The station stored under exactly this call (upper-cased); null when there is none or on any error.
    std::shared_ptr<IStationenDatenbankEintrag> GetEintrag(std::string_view call);
    // The lookup for a connected peer: the call with SSID ("-0" added when it has none), then the call
    // without SSID when `baseCall` is set or the call had no SSID. Null when nothing is found.
    std::shared_ptr<IStationenDatenbankEintrag> FindEintrag(std::string_view call, bool baseCall);
    // A new, empty station (an existing one of that name is emptied); null on failure (a call that
    // cannot be a storage name, for example).
    std::shared_ptr<IStationenDatenbankEintrag> CreateEintrag(std::string_view call);
    // False while the station is held somewhere or when it does not exist.
    bool DeleteEintrag(std::string_view call);
    // All station names, sorted; always true.
    bool GetRufzeichenListe(std::vector<std::string>& list);
    // The password stream names of the entry in stored order (names shorter than 4 characters are left
    // out); false when the entry has no storage.
    bool GetPasswortListe(const IStationenDatenbankEintrag& entry, std::vector<std::string>& list);

    // Writes all changes made so far to the file now. Raises EStationenDatenbank when that fails.
    void Flush();
    // "Stations.qvd" with its folder.
    const std::filesystem::path& FileName() const;

    // The check and rebuild of the file before it is opened: copies every station stream by stream into
    // a fresh file (streams cut to kRebuildStreamLimit, nested storages and root-level streams dropped,
    // a stream that cannot be read copied empty) and replaces the old file by it atomically; a damaged
    // old file is kept aside. Raises EStationenDatenbank on failure, leaving the old file as it was.
    static void DoCheck(const std::filesystem::path& fileName,
                        const TStationenDatenbankOptions& options = {});

    // The path of the database file for a folder, and of the rebuild's temporary file beside it.
    static std::filesystem::path DatabaseFile(const std::filesystem::path& folder);
    static std::filesystem::path CheckFile(const std::filesystem::path& fileName);

private:
    void Open(bool check);

    TStationenDatenbankOptions options_;
    std::filesystem::path fileName_;
    std::shared_ptr<TStationenDatenbankCore> core_;
};

// The live database, null while none is open; every user tests it.
TStationenDatenbank* StationenDatenbank();
// Writes what the live database holds unsaved; for exit paths that skip the normal shut-down. Never
// raises.
void FlushStationenDatenbank() noexcept;

} // namespace quarn
