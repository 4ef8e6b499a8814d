// Opening steps of the station database and its check and rebuild.

#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Codepage.h"
#include "stations/StationenDatenbankCore.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <system_error>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TStationenDatenbank";

// Keeps the windows alive during the rebuild on the GUI thread.
void ProcessMessages() {
    QCoreApplication* application = QCoreApplication::instance();
    if (application != nullptr && QThread::currentThread() == application->thread()) {
        QCoreApplication::processEvents();
    }
}

// Shows the progress window for the time of the rebuild, whatever way it ends.
class ProgressShown {
public:
    explicit ProgressShown(const std::function<void(bool)>& progress) : progress_(progress) {
        if (progress_) {
            progress_(true);
        }
        ProcessMessages();
    }
    ~ProgressShown() {
        if (progress_) {
            progress_(false);
        }
    }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    const std::function<void(bool)>& progress_;
};

[[noreturn]] void Fail(const std::string& text) {
    DebOutObj(kClass, "DoCheck", "FEHLER: " + text);
    throw EStationenDatenbank(text);
}

// False when the element is no station (a stream at the root, or a name the format cannot hold).
bool CopyStation(IStorage& source, IStorage& target, const std::string& name) {
    const std::shared_ptr<IStorage> station = source.OpenStorage(name);
    if (!station) {
        return false;
    }
    std::vector<std::string> names;
    for (const StgElement& element : station->EnumElements()) {
        if (!element.name.empty()) {
            names.push_back(element.name);
        }
    }
    const std::shared_ptr<IStorage> copy = target.CreateStorage(name);
    for (const std::string& streamName : names) {
        const std::shared_ptr<IStream> stream = station->OpenStream(streamName);
        if (!stream) {
            continue; // nested storages are dropped
        }
        copy->CreateStream(streamName)->Write(stream->Read(kRebuildStreamLimit));
    }
    return true;
}

// Moves a damaged file aside under a free name and tells the user how many of its stations the new file
// holds; false when it could not be moved (then it must stay where it is and not be replaced).
bool MoveDamagedFileAside(const std::filesystem::path& fileName, const TStationenDatenbankOptions& options,
                          std::size_t keptStations) {
    std::filesystem::path aside =
        fileName.parent_path() / (fileName.stem().string() + ".defekt" + fileName.extension().string());
    if (!MoveFileKio(fileName, aside, true)) {
        DebOutObj(kClass, "DoCheck", "FEHLER: damaged file could not be moved aside: " + fileName.string());
        return false;
    }
    const std::string kept = keptStations == 0
                                 ? std::string("Quarn beginnt mit einer leeren Datenbank.")
                                 : "Quarn hat die lesbaren Daten von " + std::to_string(keptStations) +
                                       " Stationen in eine neue Datenbank übernommen.";
    const std::string text = "Die Datenbank \"" + fileName.string() +
                             "\" ist beschädigt. Sie wurde unter dem Namen \"" + aside.string() +
                             "\" aufbewahrt; " + kept;
    DebOutObj(kClass, "DoCheck", text);
    if (options.notice) {
        options.notice(text);
    } else if (!HeadlessPlatform()) {
        TDlgMessage::Run("Quarn", QString::fromUtf8(text.c_str()), mbOK);
    }
    return true;
}

} // namespace

std::filesystem::path DefaultLegacyFile() {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || executable.empty()) {
        return {};
    }
    executable.replace_extension();
    executable += "-S.DAT";
    return executable;
}

[[noreturn]] void ThrowOpenFailure(StgError error) {
    const std::string text = std::string("OpenStorage/CreateDocfile: ") + StgErrorName(error);
    DebOut(text + "\r");
    throw EStationenDatenbank(text);
}

void TStationenDatenbank::DoCheck(const std::filesystem::path& fileName,
                                  const TStationenDatenbankOptions& options) {
    DebOutObj(kClass, "DoCheck", "begin...");
    std::error_code error;
    if (!std::filesystem::exists(fileName, error)) {
        DebOutObj(kClass, "DoCheck", "Keine Datenbank vorhanden.");
        return;
    }
    ProcessMessages();
    ProgressShown shown(options.progress);
    const std::filesystem::path target = CheckFile(fileName);

    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    const std::filesystem::path folder = fileName.has_parent_path() ? fileName.parent_path() : ".";
    std::uintmax_t free = 0;
    if (options.freeSpace) {
        free = options.freeSpace(folder);
    } else {
        const std::filesystem::space_info space = std::filesystem::space(folder, error);
        free = error ? 0 : space.available;
    }
    DebOutObj(kClass, "DoCheck", "Size of Database: " + std::to_string(error ? 0 : size));
    DebOutObj(kClass, "DoCheck", "Free Disk Space: " + std::to_string(free));
    if (free < size + 0x80000) {
        Fail("Auf der Festplatte ist nicht genügend freier Speicherplatz vorhanden");
    }

    std::unique_ptr<CompoundFile> fresh;
    try {
        fresh = CompoundFile::Create(target, true);
    } catch (const EStorageError& failure) {
        DebOutObj(kClass, "DoCheck", failure.what());
        Fail("Kann neue Datei nicht anlegen.");
    }

    // The old file stays untouched until the new one has replaced it. Its streams are copied one by one,
    // and one that cannot be read (a file cut short) is copied empty. A damaged file is kept aside
    // instead of being deleted.
    std::unique_ptr<CompoundFile> old;
    bool damaged = false;
    try {
        old = CompoundFile::Open(fileName, CompoundReadMode::Salvage);
        damaged = old->UnreadableStreams() > 0;
        if (damaged) {
            DebOutObj(kClass, "DoCheck",
                      "FEHLER: unreadable streams: " + std::to_string(old->UnreadableStreams()));
        }
    } catch (const EStorageError& failure) {
        damaged =
            failure.error() == StgError::FileAlreadyExists || failure.error() == StgError::DocfileCorrupt;
        if (!damaged) {
            DebOutObj(kClass, "DoCheck", failure.what());
            Fail(std::string("OpenStorage/CreateDocfile: ") + StgErrorName(failure.error()));
        }
    }

    std::size_t stations = 0;
    if (old) {
        const std::shared_ptr<IStorage> source = old->Root();
        const std::shared_ptr<IStorage> copy = fresh->Root();
        std::vector<std::string> names;
        for (const StgElement& element : source->EnumElements()) {
            names.push_back(element.name);
        }
        ProcessMessages();
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return Cp1252UpperCase(a) < Cp1252UpperCase(b);
        });
        for (const std::string& name : names) {
            DebOutObj(kClass, "DoCheck", name);
            try {
                if (CopyStation(*source, *copy, name)) {
                    ++stations;
                }
            } catch (const EStorageError& failure) {
                DebOutObj(kClass, "DoCheck", "FEHLER: " + name + ": " + failure.what());
                Fail(std::string("Kann neue Datei nicht anlegen."));
            }
            ProcessMessages();
        }
        old.reset();
    }

    try {
        fresh->Commit();
    } catch (const EStorageError& failure) {
        DebOutObj(kClass, "DoCheck", failure.what());
        Fail("Kann neue Datei nicht anlegen.");
    }
    if (damaged && !MoveDamagedFileAside(fileName, options, stations)) {
        Fail(std::string("OpenStorage/CreateDocfile: ") + StgErrorName(StgError::AccessDenied));
    }
    // An atomic replacement: at every moment the name holds the old or the new complete file.
    std::filesystem::rename(target, fileName, error);
    if (error) {
        DebOutObj(kClass, "DoCheck", "FEHLER: rename: " + error.message());
        Fail("Kann neue Datei nicht anlegen.");
    }
    fresh.reset();
    DebOutObj(kClass, "DoCheck", "end.");
}

} // namespace quarn
