#include "stations/StationenDatenbankU.h"

#include "foundation/DebOutU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/GlobalU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Codepage.h"
#include "platform/FileSystem.h"
#include "platform/WaitForAny.h"
#include "stations/StationenDatenbankCore.h"

#include <algorithm>
#include <atomic>
#include <system_error>

namespace quarn {
namespace {

constexpr const char* kUnit = "StationenDatenbankU";
constexpr std::string_view kClass = "TStationenDatenbank";

std::atomic<TStationenDatenbank*> gInstance{nullptr};

void Release(const std::shared_ptr<TStationenDatenbankCore>& core, const std::string& call,
             const TStationenDatenbankEintrag* entry) noexcept {
    try {
        Locker lock(core->lock);
        const auto slot = core->cache.find(call);
        // A lookup may have handed the entry out again after our count reached zero: then the newer
        // handle decides.
        if (slot != core->cache.end() && slot->second.entry.get() == entry && slot->second.handle.expired()) {
            core->cache.erase(slot);
        }
    } catch (...) {
        // A deleter must not throw.
    }
}

void CommitNow(TStationenDatenbankCore& core, const char* method) {
    try {
        core.file->Commit();
    } catch (const std::exception& error) {
        DebOutObj(kClass, method, std::string("FEHLER: ") + error.what());
        throw;
    }
}

// Writes the file shortly after changes, so that many changes cost one write and an abrupt end loses
// at most the last moments.
void FlusherBody(Thread& thread, TStationenDatenbankCore& core, std::chrono::milliseconds delay) {
    const auto delayMs = static_cast<std::uint32_t>(delay.count());
    for (;;) {
        const int woken = WaitForAny({thread.StopEvent(), QuitEvent(), core.changed}, kInfinite);
        if (woken == 0) {
            return;
        }
        if (woken == 2 && delayMs > 0) {
            WaitForAny({thread.StopEvent(), QuitEvent()}, delayMs);
        }
        try {
            CommitNow(core, "Flush");
        } catch (const std::exception&) {
            // Kept for the next change or the final write at shut-down.
        }
        if (woken == 1) {
            return;
        }
    }
}

std::string UpperCall(std::string_view call) {
    return Cp1252UpperCase(call);
}

} // namespace

std::shared_ptr<IStationenDatenbankEintrag> HandOut(const std::shared_ptr<TStationenDatenbankCore>& core,
                                                    const std::string& call,
                                                    TStationenDatenbankCore::Slot& slot) {
    std::shared_ptr<TStationenDatenbankEintrag> handle(
        slot.entry.get(), [core, call](TStationenDatenbankEintrag* entry) { Release(core, call, entry); });
    slot.handle = handle;
    return handle;
}

TStationenDatenbank* StationenDatenbank() {
    return gInstance.load(std::memory_order_acquire);
}

void FlushStationenDatenbank() noexcept {
    if (TStationenDatenbank* database = StationenDatenbank()) {
        try {
            database->Flush();
        } catch (...) {
            // Traced by Flush; an exit path has nothing better to do.
        }
    }
}

std::filesystem::path TStationenDatenbank::DatabaseFile(const std::filesystem::path& folder) {
    return folder / "Stations.qvd";
}

std::filesystem::path TStationenDatenbank::CheckFile(const std::filesystem::path& fileName) {
    return std::filesystem::path(fileName).replace_extension(".qvdchk");
}

TStationenDatenbank::TStationenDatenbank(bool check, TStationenDatenbankOptions options)
    : options_(std::move(options)), core_(std::make_shared<TStationenDatenbankCore>()) {
    TStationenDatenbank* expected = nullptr;
    QUARN_ASSERT(gInstance.compare_exchange_strong(expected, this), kUnit);
    try {
        Open(check);
    } catch (...) {
        gInstance.store(nullptr);
        throw;
    }
}

void TStationenDatenbank::Open(bool check) {
    DebOutObj(kClass, "Create", "begin...");
    std::filesystem::path folder = options_.folder.empty() ? AppDataFolder() / "Database" : options_.folder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        ThrowOpenFailure(StgErrorFromErrno(error.value()));
    }
    // The folder holds the passwords: only the owner may look inside.
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
    fileName_ = DatabaseFile(folder);

    if (!NameTaken(fileName_)) {
        const std::filesystem::path legacy =
            options_.legacyFile.empty() ? DefaultLegacyFile() : options_.legacyFile;
        std::filesystem::path destination = fileName_;
        if (!legacy.empty() && NameTaken(legacy) && MoveFileKio(legacy, destination, false)) {
            DebOutObj(kClass, "Create", "taken over: " + legacy.string());
        }
    }
    if (check) {
        DoCheck(fileName_, options_);
    }

    std::unique_ptr<CompoundFile> file;
    try {
        if (NameTaken(fileName_)) {
            try {
                file = CompoundFile::Open(fileName_);
            } catch (const EStorageError& failure) {
                const bool damaged = failure.error() == StgError::FileAlreadyExists ||
                                     failure.error() == StgError::DocfileCorrupt;
                if (!damaged) {
                    throw;
                }
            }
            if (!file) {
                // A damaged file: the rebuild keeps what can be read of it and the file itself aside.
                DoCheck(fileName_, options_);
                file = CompoundFile::Open(fileName_);
            }
        } else {
            file = CompoundFile::Create(fileName_, false);
        }
    } catch (const EStorageError& failure) {
        DebOutObj(kClass, "Create", failure.what());
        ThrowOpenFailure(failure.error());
    }

    Locker lock(core_->lock);
    core_->root = file->Root();
    core_->root->DestroyElement("[ alle ]");
    Event* changed = &core_->changed;
    file->SetChangeListener([changed] { changed->Set(); });
    core_->file = std::move(file);
    core_->open = true;
    const std::chrono::milliseconds delay = options_.flushDelay;
    // The worker holds the core only while it runs, so that the core does not keep itself alive.
    const std::weak_ptr<TStationenDatenbankCore> weakCore = core_;
    core_->flusher = std::make_unique<Thread>("StationenDatenbank", [weakCore, delay](Thread& thread) {
        if (const auto core = weakCore.lock()) {
            FlusherBody(thread, *core, delay);
        }
    });
    core_->flusher->Start();
    DebOutObj(kClass, "Create", "end.");
}

TStationenDatenbank::~TStationenDatenbank() {
    DebOutObj(kClass, "Destroy", "begin...");
    if (core_->flusher) {
        core_->flusher->RequestStop();
        if (!core_->flusher->Join(5000)) {
            DebOutObj(kClass, "Destroy", "FEHLER: flush thread did not end");
        }
    }
    {
        Locker lock(core_->lock);
        if (core_->open) {
            try {
                CommitNow(*core_, "Destroy");
            } catch (const std::exception&) {
                // Traced; the file keeps its last committed state.
            }
            core_->file->SetChangeListener({});
            core_->file.reset();
            core_->root.reset();
            core_->open = false;
        }
    }
    gInstance.store(nullptr);
    DebOutObj(kClass, "Destroy", "end.");
}

std::shared_ptr<IStationenDatenbankEintrag> TStationenDatenbank::GetEintrag(std::string_view call) {
    const std::string key = UpperCall(call);
    try {
        Locker lock(core_->lock);
        if (!core_->open) {
            return nullptr;
        }
        if (const auto slot = core_->cache.find(key); slot != core_->cache.end()) {
            if (auto handle = slot->second.handle.lock()) {
                return handle;
            }
            return HandOut(core_, key, slot->second);
        }
        std::shared_ptr<IStorage> storage = core_->root->OpenStorage(key);
        if (!storage) {
            return nullptr;
        }
        auto& slot = core_->cache[key];
        slot.entry = std::make_unique<TStationenDatenbankEintrag>(key, std::move(storage));
        return HandOut(core_, key, slot);
    } catch (const std::exception& error) {
        DebOutObj(kClass, "GetEintrag", std::string("FEHLER: ") + error.what());
        return nullptr;
    }
}

std::shared_ptr<IStationenDatenbankEintrag> TStationenDatenbank::FindEintrag(std::string_view call,
                                                                             bool baseCall) {
    const bool hasSsid = call.find('-') != std::string_view::npos;
    const std::string candidate = hasSsid ? std::string(call) : std::string(call) + "-0";
    if (auto entry = GetEintrag(candidate)) {
        return entry;
    }
    if (baseCall || !hasSsid) {
        return GetEintrag(StripSSID(call));
    }
    return nullptr;
}

std::shared_ptr<IStationenDatenbankEintrag> TStationenDatenbank::CreateEintrag(std::string_view call) {
    const std::string key = UpperCall(call);
    try {
        Locker lock(core_->lock);
        if (!core_->open) {
            return nullptr;
        }
        // A station in use is emptied in place: a second live object would later write its old data back.
        if (const auto slot = core_->cache.find(key); slot != core_->cache.end()) {
            slot->second.entry->Empty();
            if (auto handle = slot->second.handle.lock()) {
                return handle;
            }
            return HandOut(core_, key, slot->second);
        }
        std::shared_ptr<IStorage> storage = core_->root->CreateStorage(key);
        auto& slot = core_->cache[key];
        slot.entry = std::make_unique<TStationenDatenbankEintrag>(key, std::move(storage));
        DebOutObj(kClass, "CreateEintrag", key + " ok.");
        return HandOut(core_, key, slot);
    } catch (const std::exception& error) {
        DebOutObj(kClass, "CreateEintrag", key + " FEHLER: " + error.what());
        return nullptr;
    }
}

bool TStationenDatenbank::DeleteEintrag(std::string_view call) {
    const std::string key = UpperCall(call);
    Locker lock(core_->lock);
    if (!core_->open) {
        return false;
    }
    if (const auto slot = core_->cache.find(key); slot != core_->cache.end()) {
        if (!slot->second.handle.expired()) {
            return false;
        }
        core_->cache.erase(slot); // its deleter is still on the way; it will find nothing left to do
    }
    return core_->root->DestroyElement(key);
}

bool TStationenDatenbank::GetRufzeichenListe(std::vector<std::string>& list) {
    list.clear();
    Locker lock(core_->lock);
    if (!core_->open) {
        return true;
    }
    for (StgElement& element : core_->root->EnumElements()) {
        list.push_back(std::move(element.name));
    }
    std::sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
        const std::string upperA = Cp1252UpperCase(a);
        const std::string upperB = Cp1252UpperCase(b);
        return upperA != upperB ? upperA < upperB : a < b;
    });
    return true;
}

bool TStationenDatenbank::GetPasswortListe(const IStationenDatenbankEintrag& entry,
                                           std::vector<std::string>& list) {
    list.clear();
    const std::shared_ptr<IStorage> storage = entry.GetStorage();
    if (!storage) {
        return false;
    }
    Locker lock(core_->lock);
    for (StgElement& element : storage->EnumElements()) {
        // Shorter names cannot be split into own call, kind and method.
        if (!element.isStorage && element.name.size() >= 4 && element.name[0] == kPasswortPrefix) {
            list.push_back(std::move(element.name));
        }
    }
    return true;
}

void TStationenDatenbank::Flush() {
    Locker lock(core_->lock);
    if (!core_->open) {
        return;
    }
    try {
        CommitNow(*core_, "Flush");
    } catch (const EStorageError& error) {
        throw EStationenDatenbank(std::string("Flush: ") + StgErrorName(error.error()));
    }
}

const std::filesystem::path& TStationenDatenbank::FileName() const {
    return fileName_;
}

} // namespace quarn
