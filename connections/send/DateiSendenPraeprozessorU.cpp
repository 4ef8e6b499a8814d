#include "connections/send/DateiSendenPraeprozessorU.h"

#include "connections/send/DateiSendenU.h"
#include "foundation/CrcU.h"
#include "foundation/DebOutU.h"
#include "foundation/MemoryStreamU.h"
#include "foundation/VersionInfo.h"
#include "platform/Codepage.h"
#include "platform/Exception.h"
#include "platform/TempFile.h"
#include "stations/PGPU.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <system_error>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TDateiSendenPraeprozessor";
// Source bytes are copied through a buffer of this size, whatever the part size.
constexpr std::int64_t kBlock = 64 * 1024;

constexpr std::string_view kSignierenFehlgeschlagen =
    "PGP-Signatur fehlgeschlagen, der Text wurde nicht gesendet.";
constexpr std::string_view kQuelleZuKurz = "Datei konnte nicht ganz gelesen werden, Aufteilen abgebrochen.";

std::string_view OhneOrdner(std::string_view name) {
    const std::size_t slash = name.find_last_of('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

std::string ZweiStellen(std::int64_t value) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%2.2lld", static_cast<long long>(value));
    return text.data();
}

std::string Hex(std::uint64_t value, int minDigits, bool upper) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), upper ? "%0*llX" : "%0*llx", minDigits,
                  static_cast<unsigned long long>(value));
    return text.data();
}

// "XXXXXXXX" LF of the complemented running value.
std::string Crc32Zeile(std::uint32_t running) {
    return Hex(~running & 0xFFFFFFFFU, 8, true) + "\n";
}

// The modification time in local time as "yyyymmddhhmmss".
std::string DatumText(std::filesystem::file_time_type time) {
    const auto system = std::chrono::file_clock::to_sys(time);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(system));
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) {
        return "00000000000000";
    }
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y%m%d%H%M%S", &local);
    return text.data();
}

struct Kopf {
    std::int64_t nummer = 0;
    std::int64_t anzahl = 0;
    std::int64_t teilGroesse = 0;
    std::int64_t dateiGroesse = 0;
    std::string name;
    std::string datum;
};

// The header text (up to its NUL) and the header CRC line.
std::string KopfUndCrc(const Kopf& kopf) {
    std::string text = ">BS<\n";
    text += Hex(static_cast<std::uint64_t>(kopf.nummer), 2, true) + "\n";
    text += Hex(static_cast<std::uint64_t>(kopf.anzahl), 2, true) + "\n";
    text += std::to_string(kopf.teilGroesse) + "\n";
    text += std::to_string(kopf.dateiGroesse) + "\n";
    text += kopf.name + "\n";
    text += kopf.datum + "\n";
    text += "P\rQuarn " + ProgramVersion() + "\r\n";
    text += '\0';
    text += Hex(Crc16Str(text, 0), 4, true) + "\n";
    return text;
}

bool Schreibe(TFileStreamKio& stream, std::string_view bytes) {
    return stream.Write(bytes.data(), bytes.size()) == bytes.size();
}

// A new temporary part file, open for reading and writing with other writers locked out; null when it
// could not be made.
std::unique_ptr<TFileStreamKio> NeueTeilDatei(const std::filesystem::path& tempOrdner) {
    const std::filesystem::path name = CreateTempFile(tempOrdner, "qbs");
    if (name.empty()) {
        return nullptr;
    }
    auto stream = std::make_unique<TFileStreamKio>();
    stream->SetFileName(name);
    stream->SetTemporary(true);
    stream->SetMode(fmOpenReadWrite | fmShareDenyWrite);
    stream->Open();
    if (!stream->IsOpen()) {
        stream->DeleteIfTemporary();
        return nullptr;
    }
    return stream;
}

// A part that cannot be finished leaves no file behind.
void Verwerfen(std::unique_ptr<TFileStreamKio>& teil) {
    if (teil) {
        DebOutObj(kClass, "BinSplit", "Teil verworfen: " + teil->FileName().string());
        teil->DeleteIfTemporary();
        teil.reset();
    }
}

} // namespace

TDateiSendenPraeprozessor::TDateiSendenPraeprozessor(std::unique_ptr<TStream> quelle,
                                                     std::filesystem::path dateiname,
                                                     std::shared_ptr<IVerbindung> verbindung,
                                                     std::uint8_t protokoll)
    : quelle_(std::move(quelle)), dateiname_(std::move(dateiname)), verbindung_(std::move(verbindung)),
      protokoll_(protokoll) {}

TDateiSendenPraeprozessor::~TDateiSendenPraeprozessor() = default;

void TDateiSendenPraeprozessor::SetSignieren(std::string_view key, std::string_view passphrase,
                                             std::string_view comment) {
    signieren_ = true;
    key_ = key;
    passphrase_ = passphrase;
    comment_ = comment;
}

void TDateiSendenPraeprozessor::SetTeileAnzahl(int anzahl) {
    teileAnzahl_ = std::max(anzahl, 0);
    auswahl_.assign(alleTeile_ ? 0 : static_cast<std::size_t>(teileAnzahl_), false);
}

void TDateiSendenPraeprozessor::SetAlleTeile(bool alle) {
    alleTeile_ = alle;
    auswahl_.assign(alleTeile_ ? 0 : static_cast<std::size_t>(teileAnzahl_), false);
}

void TDateiSendenPraeprozessor::SetTeil(int index, bool selected) {
    QUARN_ASSERT(index >= 0 && index < teileAnzahl_, "DateiSendenPraeprozessorU");
    if (static_cast<std::size_t>(index) < auswahl_.size()) {
        auswahl_[static_cast<std::size_t>(index)] = selected;
    }
}

bool TDateiSendenPraeprozessor::TeilGewuenscht(std::int64_t nummer) const {
    if (alleTeile_) {
        return true;
    }
    // A selection made for fewer parts than the file gives does not ask for the later ones.
    const auto index = static_cast<std::uint64_t>(nummer - 1);
    return index < auswahl_.size() && auswahl_[index];
}

std::shared_ptr<IDateiSendenQueue> TDateiSendenPraeprozessor::Queue() const {
    return verbindung_ ? verbindung_->GetDateiSendenQueue() : nullptr;
}

std::string TDateiSendenPraeprozessor::QuellName() const {
    return Utf8ToCp1252(dateiname_.string());
}

std::string TDateiSendenPraeprozessor::Expand(std::string_view vorlage, std::string_view name,
                                              std::int64_t anzahl, std::int64_t nummer) const {
    return ExpandText(vorlage, name, QuellName(), anzahl, nummer);
}

void TDateiSendenPraeprozessor::Melde(std::string_view text) const {
    DebOutObj(kClass, "Execute", text);
    if (verbindung_) {
        verbindung_->KanalPrompt(text, 3);
    }
}

std::string TDateiSendenPraeprozessor::ExpandText(std::string_view vorlage, std::string_view name,
                                                  std::string_view quelle, std::int64_t anzahl,
                                                  std::int64_t nummer) {
    std::string text;
    for (std::size_t i = 0; i < vorlage.size(); ++i) {
        const char c = vorlage[i];
        if (c == '\n') {
            continue;
        }
        if (c != '%') {
            text += c;
            continue;
        }
        if (++i >= vorlage.size()) {
            break;
        }
        switch (vorlage[i]) {
        case '%':
            text += '%';
            break;
        case 'n':
        case 'N':
            text += OhneOrdner(name);
            break;
        case 'o':
        case 'O':
            text += OhneOrdner(quelle);
            break;
        case 'p':
        case 'P':
            text += ZweiStellen(nummer);
            break;
        case 'q':
        case 'Q':
            text += ZweiStellen(anzahl);
            break;
        default:
            break;
        }
    }
    if (!text.empty() && text.back() != '\r') {
        text += '\r';
    }
    return text;
}

std::string TDateiSendenPraeprozessor::TeilDateiname(std::string_view dateiname, std::int64_t nummer) {
    const std::string_view name = OhneOrdner(dateiname);
    const std::size_t punkt = name.find_last_of('.');
    const std::string_view stamm = punkt == std::string_view::npos ? name : name.substr(0, punkt);
    return std::string(stamm) + ".b" + Hex(static_cast<std::uint64_t>(nummer), 2, false);
}

void TDateiSendenPraeprozessor::Execute() {
    if (!quelle_) {
        return;
    }
    if (protokoll_ == 1) {
        TextJob();
    } else if (teilGroesseKib_ <= 0 || (protokoll_ != 2 && protokoll_ != 5)) {
        GanzeDateiJob();
    } else {
        BinSplit();
    }
    quelle_.reset();
}

void TDateiSendenPraeprozessor::TextJob() {
    const auto queue = Queue();
    if (!queue) {
        DebOutObj(kClass, "TextJob", "keine Sendeliste");
        return;
    }
    std::unique_ptr<TStream> stream;
    if (signieren_) {
        std::string text(static_cast<std::size_t>(std::max<std::int64_t>(quelle_->Size(), 0)), '\0');
        quelle_->SetPosition(0);
        text.resize(quelle_->Read(text.data(), text.size()));
        std::string signedText;
        try {
            TPGP pgp;
            signedText = pgp.ClearSign(key_, passphrase_, text, comment_);
        } catch (const std::exception& error) {
            DebOutObj(kClass, "PGPSign", error.what());
        }
        // Sending the text unsigned, or nothing while the operator thinks it went out, would both
        // mislead: the job is dropped and the channel says so.
        if (signedText.empty()) {
            Melde(kSignierenFehlgeschlagen);
            return;
        }
        stream = std::make_unique<TMemoryStream>(std::move(signedText));
    } else {
        stream = std::move(quelle_);
    }
    const auto item = std::make_shared<TDateiSenden>(verbindung_);
    item->SetStream(std::move(stream));
    item->SetDateiname(dateiname_);
    item->SetProtokoll(kProtokollText);
    item->SetTextVorher(Expand(textVorher_, QuellName(), 1, 1));
    item->SetTextNachher(Expand(textNachher_, QuellName(), 1, 1));
    queue->EnQueue(item);
}

void TDateiSendenPraeprozessor::GanzeDateiJob() {
    const auto queue = Queue();
    if (!queue) {
        DebOutObj(kClass, "GanzeDatei", "keine Sendeliste");
        return;
    }
    const std::string name(OhneOrdner(QuellName()));
    const auto item = std::make_shared<TDateiSenden>(verbindung_);
    item->SetDateiname(dateiname_);
    item->SetProtokoll(protokoll_);
    item->SetStream(std::move(quelle_));
    item->SetTextVorher(Expand(textVorher_, name, 1, 1));
    item->SetTextNachher(Expand(textNachher_, name, 1, 1));
    queue->EnQueue(item);
}

void TDateiSendenPraeprozessor::BinSplit() {
    const auto queue = Queue();
    if (!queue) {
        DebOutObj(kClass, "BinSplit", "keine Sendeliste");
        return;
    }
    std::error_code error;
    const std::uintmax_t gefunden = std::filesystem::file_size(dateiname_, error);
    const std::int64_t groesse = error ? 0 : static_cast<std::int64_t>(gefunden);
    const auto zeit = std::filesystem::last_write_time(dateiname_, error);
    const std::string datum = error ? std::string(14, '0') : DatumText(zeit);
    if (teilGroesseKib_ > std::numeric_limits<std::int64_t>::max() / 1024) {
        GanzeDateiJob();
        return;
    }
    const std::int64_t teilGroesse = teilGroesseKib_ * 1024;
    const std::int64_t anzahl = groesse <= 0 ? 1 : (groesse - 1) / teilGroesse + 1;
    if (anzahl < 2) {
        GanzeDateiJob();
        return;
    }

    // The name goes into a header of LF-separated fields: it gets the display name's reduction.
    const std::string name = TDateiSenden::SichererName(OhneOrdner(QuellName()), verbindung_->Get_Call());
    DebOutObj(kClass, "BinSplit", "Datei: " + dateiname_.string());
    DebOutObj(kClass, "BinSplit", "Größe: " + std::to_string(groesse));
    DebOutObj(kClass, "BinSplit", "Datum: " + datum);
    DebOutObj(kClass, "BinSplit", "Größe pro Teil: " + std::to_string(teilGroesse));
    DebOutObj(kClass, "BinSplit", "Anzahl der Teile: " + std::to_string(anzahl));
    const std::filesystem::path tempOrdner = TempFolder();
    DebOutObj(kClass, "BinSplit",
              tempOrdner.empty() ? "Temp-Pfad: Fehler" : "Temp-Pfad: " + tempOrdner.string());

    Kopf kopf{0, anzahl, teilGroesse, groesse, name, datum};
    std::vector<char> puffer(static_cast<std::size_t>(std::min(teilGroesse, kBlock)));
    std::uint32_t laufend = 0xFFFFFFFFU;
    quelle_->SetPosition(0);
    for (std::int64_t nummer = 1; nummer <= anzahl; ++nummer) {
        const std::int64_t laenge = nummer < anzahl ? teilGroesse : (groesse - 1) % teilGroesse + 1;
        std::unique_ptr<TFileStreamKio> teil;
        std::string teilName;
        if (TeilGewuenscht(nummer)) {
            teilName = TeilDateiname(name, nummer);
            DebOutObj(kClass, "BinSplit", "Teil-Dateiname: " + teilName);
            teil = NeueTeilDatei(tempOrdner);
            DebOutObj(kClass, "BinSplit", teil ? "Öffne Datei... ok." : "Öffne Datei... Fehler");
            kopf.nummer = nummer;
            if (teil && !Schreibe(*teil, KopfUndCrc(kopf))) {
                Verwerfen(teil);
            }
            if (!teil) {
                Melde("Teildatei " + teilName + " konnte nicht angelegt werden.");
            }
        }

        // Every part's bytes count in the running CRC, wanted or not.
        std::uint32_t teilCrc = 0xFFFFFFFFU;
        for (std::int64_t rest = laenge; rest > 0;) {
            const auto stueck = static_cast<std::size_t>(std::min<std::int64_t>(rest, kBlock));
            if (quelle_->Read(puffer.data(), stueck) != stueck) {
                // The file shrank since its size was taken: what follows could not be joined.
                Verwerfen(teil);
                Melde(kQuelleZuKurz);
                return;
            }
            laufend = Crc32Buf(puffer.data(), stueck, laufend);
            if (teil) {
                teilCrc = Crc32Buf(puffer.data(), stueck, teilCrc);
                if (!Schreibe(*teil, std::string_view(puffer.data(), stueck))) {
                    Verwerfen(teil);
                }
            }
            rest -= static_cast<std::int64_t>(stueck);
        }
        if (!teil) {
            continue;
        }

        const std::string summeZeile = Crc32Zeile(laufend);
        teilCrc = Crc32Buf(summeZeile.data(), summeZeile.size(), teilCrc);
        if (!Schreibe(*teil, summeZeile + Crc32Zeile(teilCrc))) {
            Verwerfen(teil);
            continue;
        }
        teil->SetPosition(0);
        const auto item = std::make_shared<TDateiSenden>(verbindung_);
        item->SetDateiname(teil->FileName());
        item->SetAnzeigename(teilName);
        item->SetProtokoll(protokoll_);
        item->SetStream(std::move(teil));
        item->SetTextVorher(Expand(textVorher_, teilName, anzahl, nummer));
        item->SetTextNachher(Expand(textNachher_, teilName, anzahl, nummer));
        queue->EnQueue(item);
    }
}

} // namespace quarn
