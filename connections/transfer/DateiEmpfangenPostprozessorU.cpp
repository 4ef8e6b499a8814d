#include "connections/transfer/DateiEmpfangenPostprozessorU.h"

#include "connections/transfer/BinSplitPartU.h"
#include "connections/transfer/EmpfangsNameU.h"
#include "foundation/DebOutU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/OrdnerU.h"
#include "platform/Codepage.h"
#include "platform/FileDescriptor.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TDateiEmpfangenPostprozessor";
constexpr int kPromptArt = 3;
// A free name taken again on every try would otherwise spin for ever; a real race is lost a few times.
constexpr int kMaxAnlegeVersuche = 100;

// A path as the channel shows it: Windows-1252 text.
std::string Anzeige(const std::filesystem::path& path) {
    return Utf8ToCp1252(path.string());
}

std::string Zahl3(std::int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%3.3lld", static_cast<long long>(value));
    return text;
}

std::string Hex2(std::int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%2.2llX", static_cast<long long>(value));
    return text;
}

// The line that tells the operator where the data of a file that could not be stored still is.
std::string DatenLiegen(const std::filesystem::path& path) {
    return "\rDie Daten liegen weiterhin in:\r" + Anzeige(path);
}

bool OrdnerAnlegen(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return FolderExists(folder);
}

// One slot of a set: the part read and the file it lives in (empty for the item's own stream when that
// is no file).
struct Slot {
    std::unique_ptr<TBinSplitPart> teil;
    std::filesystem::path datei;
};
using TeilTabelle = std::map<std::int64_t, Slot>;

// The part numbers of 1..count without a slot, ascending; a run of two or more as "first..last".
std::string FehlendeTeile(const TeilTabelle& tabelle, std::int64_t count,
                          std::string (*format)(std::int64_t)) {
    std::string list;
    const auto lauf = [&](std::int64_t first, std::int64_t last) {
        if (!list.empty()) {
            list += ", ";
        }
        list += format(first);
        if (last > first) {
            list += ".." + format(last);
        }
    };
    std::int64_t vorher = 0;
    for (const auto& [nummer, slot] : tabelle) {
        if (nummer > vorher + 1) {
            lauf(vorher + 1, nummer - 1);
        }
        vorher = nummer;
    }
    if (count > vorher) {
        lauf(vorher + 1, count);
    }
    return list;
}

std::string Dezimal(std::int64_t value) {
    return std::to_string(value);
}

bool GehoertZumSet(const TBinSplitPart& teil, const TBinSplitPart& eigener) {
    return teil.TeileAnzahl() == eigener.TeileAnzahl() && teil.TeilGroesse() == eigener.TeilGroesse() &&
           teil.DateiGroesse() == eigener.DateiGroesse() && teil.DateiName() == eigener.DateiName() &&
           teil.Datum() == eigener.Datum();
}

// Fills the empty slots of the set of `set` with the parts found beside its file `eigenerName`. Index files
// and files a receiver still holds are no parts (yet); the folder is read in order, so that of two files for
// one part the same one wins every time.
void SucheTeile(const TBinSplitPart& set, const std::filesystem::path& eigenerName, TeilTabelle& tabelle) {
    std::vector<std::filesystem::path> namen;
    std::error_code fehler;
    for (std::filesystem::directory_iterator it(eigenerName.parent_path(), fehler), ende;
         !fehler && it != ende; it.increment(fehler)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored)) {
            namen.push_back(it->path());
        }
    }
    std::sort(namen.begin(), namen.end());
    for (const auto& name : namen) {
        // Names from the folder itself: the same name is the same file.
        if (name.filename() == eigenerName.filename() ||
            Cp1252LowerCase(Utf8ToCp1252(name.extension().string())) == ".qvi") {
            continue;
        }
        DebOutObj(kClass, "BinSplitCombine", "Öffnen: " + name.string() + "...");
        auto teil = std::make_unique<TBinSplitPart>(name);
        if (!teil->IsOpen()) {
            continue;
        }
        if (!teil->ReadHeader()) {
            DebOutObj(kClass, "BinSplitCombine", "Fehler: ReadHeader");
            continue;
        }
        if (!teil->Parse()) {
            DebOutObj(kClass, "BinSplitCombine", "Fehler: Parse");
            continue;
        }
        if (!GehoertZumSet(*teil, set)) {
            DebOutObj(kClass, "BinSplitCombine", "Passt nicht zu diesem Set.");
            continue;
        }
        const std::int64_t nummer = teil->TeilNummer();
        if (tabelle.count(nummer) != 0) {
            continue;
        }
        DebOutObj(kClass, "BinSplitCombine",
                  "Ist Teil " + Zahl3(nummer) + " von " + Zahl3(set.TeileAnzahl()));
        tabelle[nummer] = Slot{std::move(teil), name};
    }
}

bool GleicheDatei(int fd, const std::filesystem::path& path) {
    struct stat offen {};
    struct stat benannt {};
    return ::fstat(fd, &offen) == 0 && ::stat(path.c_str(), &benannt) == 0 &&
           offen.st_dev == benannt.st_dev && offen.st_ino == benannt.st_ino;
}

// Creates the joined file at the first free name after `wunsch`, never over anything that exists or
// appears meanwhile, and opens it for writing with other users locked out. `ziel` is the name tried last.
bool ZielAnlegen(const std::filesystem::path& wunsch, std::filesystem::path& ziel, TFileStreamKio& stream) {
    FileDescriptor neu;
    ziel = wunsch;
    for (int versuch = 0; versuch < kMaxAnlegeVersuche && !neu; ++versuch) {
        ziel = MakeUniqueFileName(wunsch);
        neu = FileDescriptor(::open(ziel.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!neu && errno != EEXIST) {
            return false;
        }
    }
    if (!neu) {
        return false;
    }
    stream.SetFileName(ziel);
    stream.SetMode(fmOpenWrite | fmShareExclusive);
    stream.Open();
    // Opened by name again: make sure it is still the file just made.
    if (stream.IsOpen() && GleicheDatei(stream.Handle(), ziel) && GleicheDatei(neu.get(), ziel)) {
        return true;
    }
    stream.Close();
    if (GleicheDatei(neu.get(), ziel)) {
        ::unlink(ziel.c_str());
    }
    return false;
}

} // namespace

TDateiEmpfangenPostprozessor::TDateiEmpfangenPostprozessor(std::shared_ptr<IVerbindung> connection)
    : connection_(std::move(connection)) {}

void TDateiEmpfangenPostprozessor::KanalPrompt(std::string_view text) {
    DebOutObj(kClass, "KanalPrompt", text);
    if (connection_) {
        connection_->KanalPrompt(text, kPromptArt);
    }
}

bool TDateiEmpfangenPostprozessor::Execute(const std::shared_ptr<IDateiSenden>& item) {
    DebOutObj(kClass, "Execute", "");
    item_ = item;
    TStream* const stream = item_ ? item_->GetStream() : nullptr;
    if (stream == nullptr) {
        KanalPrompt("Empfangene Datei NICHT gespeichert.");
        item_.reset();
        return false;
    }
    char kennung[5] = {};
    std::size_t gelesen = 0;
    try {
        stream->SetPosition(0);
        gelesen = stream->Read(kennung, sizeof kennung);
    } catch (const EStreamError& error) {
        DebOutObj(kClass, "Execute", error.what());
    }
    bool gespeichert = false;
    if (gelesen != sizeof kennung || std::memcmp(kennung, ">BS<\n", sizeof kennung) != 0) {
        DebOutObj(kClass, "Execute", "ist keine BINSPLIT-Datei");
        gespeichert = Speichern();
    } else {
        DebOutObj(kClass, "Execute", "ist BINSPLIT-Datei");
        gespeichert = BinSplitCombine();
    }
    if (auto* datei = dynamic_cast<TFileStreamKio*>(item_->GetStream())) {
        datei->Close();
    }
    item_.reset();
    return gespeichert;
}

bool TDateiEmpfangenPostprozessor::Speichern() {
    auto* datei = dynamic_cast<TFileStreamKio*>(item_->GetStream());
    const std::string liegen = datei ? DatenLiegen(datei->FileName()) : std::string();
    const std::filesystem::path ordner = TOrdner().GetEmpfang();
    if (!OrdnerAnlegen(ordner)) {
        KanalPrompt("Empfangene Datei NICHT gespeichert.\rEmpfangs-Ordner konnte nicht angelegt werden:\r" +
                    Anzeige(ordner) + liegen);
        return false;
    }
    if (datei == nullptr) {
        KanalPrompt("Empfangene Datei NICHT gespeichert.");
        return false;
    }
    const std::string call = connection_ ? connection_->Get_Call() : std::string();
    std::filesystem::path ziel = EmpfangsPfad(ordner, item_->GetAnzeigename(), call);
    datei->Close();
    if (MoveFileKio(datei->FileName(), ziel, true)) {
        KanalPrompt("Empfangene Datei gespeichert:\r" + Anzeige(ziel));
        return true;
    }
    KanalPrompt("Fehler beim Speichern der Datei:\r" + Anzeige(ziel) + liegen);
    return false;
}

bool TDateiEmpfangenPostprozessor::BinSplitCombine() {
    TStream& stream = *item_->GetStream();
    auto* eigeneDatei = dynamic_cast<TFileStreamKio*>(&stream);
    const std::filesystem::path eigenerName = eigeneDatei ? eigeneDatei->FileName() : item_->GetDateiname();

    // A part that is no use, or waits for the others, has still been taken: it is where parts belong.
    // Only a joined file that cannot be stored is a failure.
    auto eigener = std::make_unique<TBinSplitPart>(stream);
    if (!eigener->ReadHeader()) {
        KanalPrompt(Utf8ToCp1252("FEHLER: Header ungültig oder zu kurz."));
        return true;
    }
    if (!eigener->Parse()) {
        KanalPrompt("FEHLER: Falsche Daten im Header.");
        return true;
    }
    if (!eigener->CheckPartCRC()) {
        KanalPrompt("CRC-Fehler:\r" + eigener->DateiName() + ", Teil " +
                    std::to_string(eigener->TeilNummer()) + " von " + std::to_string(eigener->TeileAnzahl()));
        return true;
    }

    const std::int64_t eigeneNummer = eigener->TeilNummer();
    const std::int64_t anzahl = eigener->TeileAnzahl();
    const std::string dateiName = eigener->DateiName();
    std::string meldung = "Teil " + std::to_string(eigeneNummer) + " von " + dateiName + " empfangen.";
    TeilTabelle tabelle;
    tabelle[eigeneNummer] = Slot{std::move(eigener), eigenerName};

    SucheTeile(*tabelle[eigeneNummer].teil, eigenerName, tabelle);
    for (const auto& [nummer, slot] : tabelle) {
        DebOutObj(kClass, "BinSplitCombine", "Teil " + Zahl3(nummer) + ": " + slot.datei.string());
    }

    if (static_cast<std::int64_t>(tabelle.size()) < anzahl) {
        meldung += "Folgende Teile fehlen noch:\r";
        meldung += "dez: " + FehlendeTeile(tabelle, anzahl, Dezimal) + "\r";
        meldung += "hex: " + FehlendeTeile(tabelle, anzahl, Hex2) + "\r";
        KanalPrompt(meldung);
        return true;
    }

    meldung += Utf8ToCp1252("Alle Teile verfügbar. Kombiniere...\r\r");
    DebOutObj(kClass, "BinSplitCombine", "Überprüfe akkumulierten CRC...");
    std::uint32_t crc = 0xFFFFFFFF;
    for (const auto& [nummer, slot] : tabelle) {
        const bool ok = slot.teil->CheckAccumulatedCRC(crc);
        char spur[64];
        std::snprintf(spur, sizeof spur, "Teil %s: Akkumulierter CRC = %8.8x", Zahl3(nummer).c_str(), ~crc);
        DebOutObj(kClass, "BinSplitCombine", spur);
        if (!ok) {
            meldung += "Fehler im akkumulierten CRC von Teil " + std::to_string(nummer) + ".";
            KanalPrompt(meldung);
            return true;
        }
    }

    const std::string teileLiegen =
        "Die Teile liegen weiterhin in:\r" + Anzeige(eigenerName.parent_path()) + "\r";
    const std::filesystem::path ordner = TOrdner().GetEmpfang();
    if (!OrdnerAnlegen(ordner)) {
        meldung += "Empfangene Datei NICHT gespeichert.\rEmpfangs-Ordner konnte nicht angelegt werden:\r" +
                   Anzeige(ordner) + "\r" + teileLiegen;
        KanalPrompt(meldung);
        return false;
    }
    const std::string call = connection_ ? connection_->Get_Call() : std::string();
    std::filesystem::path ziel;
    TFileStreamKio zielDatei;
    if (!ZielAnlegen(EmpfangsPfad(ordner, dateiName, call), ziel, zielDatei)) {
        meldung += Utf8ToCp1252("Kann Zieldatei nicht öffnen:\r") + Anzeige(ziel) + "\r" + teileLiegen;
        KanalPrompt(meldung);
        return false;
    }

    bool geschrieben = true;
    for (const auto& [nummer, slot] : tabelle) {
        if (!slot.teil->CopyData(zielDatei)) {
            geschrieben = false;
            break;
        }
    }
    // The parts go next: the joined file must be on the disk before they do.
    geschrieben = geschrieben && ::fsync(zielDatei.Handle()) == 0;
    if (!geschrieben) {
        meldung += "Fehler beim Schreiben der Zieldatei:\r" + Anzeige(ziel) + "\r";
        try {
            zielDatei.DeleteFile();
        } catch (const EStreamError& error) {
            meldung +=
                Utf8ToCp1252("Kann Datei nicht löschen: \r") + Anzeige(ziel) + "\r" + error.what() + "\r\r";
        }
        meldung += teileLiegen;
        KanalPrompt(meldung);
        return false;
    }
    zielDatei.Close();

    for (auto& [nummer, slot] : tabelle) {
        const bool eigenerTeil = nummer == eigeneNummer;
        slot.teil.reset();
        bool geloescht = true;
        if (eigenerTeil) {
            if (eigeneDatei != nullptr) {
                try {
                    eigeneDatei->DeleteFile();
                } catch (const EStreamError&) {
                    geloescht = false;
                }
            }
        } else {
            std::error_code error;
            geloescht = std::filesystem::remove(slot.datei, error);
        }
        if (!geloescht) {
            meldung += Utf8ToCp1252("Kann Teil nicht löschen: \r") + Anzeige(slot.datei) + "\r\r";
        }
    }
    meldung += "Empfangene Datei gespeichert:\r" + Anzeige(ziel) + "\r";
    KanalPrompt(meldung);
    return true;
}

} // namespace quarn
