#include "connections/transfer/VerbindungDidaditReceiveU.h"

#include "connections/transfer/DateiEmpfangenPostprozessorU.h"
#include "connections/send/DateiSendenU.h"
#include "connections/transfer/EmpfangsGroesseU.h"
#include "foundation/DebOutU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/MD5U.h"
#include "foundation/QueueU.h"
#include "foundation/SharedEnums.h"

#include <algorithm>
#include <array>
#include <exception>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TVerbindungDidaditReceive";
constexpr std::int64_t kKleinsteBlockgroesse = 256;
constexpr std::int64_t kGroessteBlockgroesse = 16384;

} // namespace

TVerbindungDidaditReceive::TVerbindungDidaditReceive(std::shared_ptr<TVerbindungAbstract> owner,
                                                     std::shared_ptr<IVerbindungFuerModul> connection)
    : TVerbindungDidadit(std::move(owner), std::move(connection)) {}

std::string TVerbindungDidaditReceive::GetClassName() const {
    return std::string(kKlasse);
}

void TVerbindungDidaditReceive::Init() {
    const auto& connection = Verbindung();
    SetActive(true);

    TStringQueue& received = connection->GetReceiveQueue();
    std::string header = received.IsEmpty() ? std::string() : received.PopLine();
    if (header.ends_with('\r')) {
        header.pop_back();
    }
    DebOutObj(kKlasse, "Init", "Didadit-Header: " + header);

    SetUseEvent(5, true);
    SetUseEvent(6, false);
    item_ = std::make_shared<TDateiSenden>(connection);
    // Onto the transmit queue, ahead of START: typed text waits for the transfer's end, and the sender
    // waits for this answer.
    connection->SendeText("#OK#\r", true, false, false, false);
    item_->Warten();
    zustand_ = Zustand::WarteAufInfo;
    Klang(kKlangStart);
}

void TVerbindungDidaditReceive::ReceiveData() {
    const auto& connection = Verbindung();
    if (ende_ || !connection) {
        return;
    }
    TStringQueue& received = connection->GetReceiveQueue();
    while (!received.IsEmpty()) {
        EmpfangeBytes(received.PopString());
    }
    while (!ende_) {
        const std::optional<TDidaditBlock> block = NaechsterBlock();
        if (!block) {
            break;
        }
        Block(*block);
    }
}

void TVerbindungDidaditReceive::Block(const TDidaditBlock& block) {
    switch (static_cast<TDidaditTyp>(block.typ)) {
    case TDidaditTyp::Info:
        InfoBlock(block.data);
        return;
    case TDidaditTyp::Start:
        DebOutObj(kKlasse, "Block", "Empfange START: Nicht beim Empfangen.");
        Fehler(100, {"START"});
        return;
    case TDidaditTyp::Err:
        ende_ = ErrEmpfangen(block.data);
        return;
    case TDidaditTyp::Data:
        DataBlock(block.data);
        return;
    case TDidaditTyp::Fin:
        FinBlock();
        return;
    case TDidaditTyp::Req:
        DebOutObj(kKlasse, "Block", "Empfange REQ: Nicht beim Senden.");
        Fehler(100, {"REQ"});
        return;
    case TDidaditTyp::FinAck:
        // Only this side says the file is complete; taking the peer's word would hand an unchecked,
        // possibly incomplete file to the post-processing.
        DebOutObj(kKlasse, "Block", "Empfange FINACK: Nicht beim Empfangen.");
        Fehler(100, {"FINACK"});
        return;
    default:
        break;
    }
    if (block.typ == static_cast<std::uint16_t>(TDidaditTyp::Abort)) {
        ende_ = true;
    }
    HandleGemeinsam(block);
}

void TVerbindungDidaditReceive::Fehler(int number, std::initializer_list<std::string_view> arguments) {
    if (DidaditFehlerFatal(number)) {
        ende_ = true;
    }
    SendError(number, arguments);
}

void TVerbindungDidaditReceive::InfoBlock(std::string_view data) {
    if (zustand_ != Zustand::WarteAufInfo) {
        DebOutObj(kKlasse, "InfoBlock", "Empfange INFO: Falscher Zustand");
        Fehler(100, {"INFO"});
        return;
    }
    const auto& connection = Verbindung();
    for (const auto& [name, value] : DidaditZeilen(data)) {
        DebOutObj(kKlasse, "InfoBlock", name + "=" + value);
    }
    const TDidaditInfo info = ParseDidaditInfo(data);
    SetChat(info.chat);

    const bool blockgroesseAbgelehnt =
        info.blockgroesse < kKleinsteBlockgroesse || info.blockgroesse > kGroessteBlockgroesse;
    blockgroesse_ = blockgroesseAbgelehnt ? kDidaditBlockgroesse : info.blockgroesse;

    if (GroesseAbgelehnt(info)) {
        return;
    }
    // A size that is missing or no number leaves -1: refused below.
    liste_.SetGroesse(std::max<std::int64_t>(info.groesse, 0));
    std::filesystem::path pfad;
    std::int64_t offset = 0;
    if (info.groesse >= 0) {
        if (info.md5) {
            SetDigest(*info.md5);
            digestText_ = MD5DigestToHex(*info.md5);
            mitIndex_ = true;
            pfad = IncompleteFilesFolder() / (digestText_ + ".qvf");
            std::error_code ignored;
            if (std::filesystem::exists(pfad, ignored)) {
                offset = liste_.ReadIndexFile(digestText_);
            } else {
                pfad = CreateIncompleteFile(digestText_);
                // A fresh file never meets the index of an earlier one.
                if (!pfad.empty()) {
                    liste_.DeleteIndexFile(digestText_);
                }
            }
        } else {
            // Without a digest the bytes cannot be told apart from another file's: no resume.
            pfad = CreateIncompleteFileUnique();
        }
    }

    auto datei = std::make_unique<TFileStreamKio>();
    datei_ = datei.get();
    item_->SetStream(std::move(datei));
    item_->SetProtokoll(kProtokollDidadit);
    item_->SetGroesse(std::max<std::int64_t>(info.groesse, 0));
    item_->SetAnzeigename(info.dateiname.empty() ? connection->Get_Call() + ".dat" : info.dateiname);
    item_->SetDateiname(pfad);
    connection->SetDateiSenden(item_);
    item_->Starten();
    DebOutObj(kKlasse, "InfoBlock", "Zieldatei: " + item_->GetAnzeigename());
    DebOutObj(kKlasse, "InfoBlock", "Quelldatei: " + pfad.string());
    DebOutObjFmt(kKlasse, "InfoBlock", "Dateigröße: %lld", static_cast<long long>(info.groesse));

    if (!pfad.empty()) {
        datei_->SetFileName(pfad);
        datei_->SetMode(fmOpenReadWrite | fmShareExclusive);
        datei_->Open();
    }
    offen_ = datei_->IsOpen();
    if (!offen_) {
        DebOutObj(kKlasse, "InfoBlock", "Datei nicht geöffnet.");
        mitIndex_ = false;
        Fehler(300);
        return;
    }
    try {
        // Bytes beyond the announced size cannot belong to this file.
        if (datei_->Size() > info.groesse) {
            datei_->SetSize(info.groesse);
        }
    } catch (const std::exception& error) {
        DebOutObj(kKlasse, "InfoBlock", error.what());
        Fehler(300);
        return;
    }
    item_->SetPosition(liste_.Gehalten());
    DebOutObj(kKlasse, "InfoBlock", "Sende START.");
    SendBlock(TDidaditTyp::Start, BuildDidaditStart(offset, blockgroesseAbgelehnt, Chat()));
    zustand_ = Zustand::Empfang;
}

bool TVerbindungDidaditReceive::GroesseAbgelehnt(const TDidaditInfo& info) {
    const std::filesystem::path ordner = IncompleteFilesFolder();
    std::int64_t frei = -1;
    std::string groesse;
    TEmpfangsGroesse pruefung = TEmpfangsGroesse::ZuGross;
    if (info.zuGross) {
        groesse = *info.zuGross;
    } else if (info.groesse < 0) {
        return false;
    } else {
        frei = FreeBytes(ordner);
        // A resumed file already holds its room.
        std::int64_t vorhanden = 0;
        if (info.md5) {
            std::error_code fehler;
            const auto laenge =
                std::filesystem::file_size(ordner / (MD5DigestToHex(*info.md5) + ".qvf"), fehler);
            if (!fehler) {
                vorhanden = std::min(static_cast<std::int64_t>(laenge), info.groesse);
            }
        }
        pruefung = PruefeEmpfangsGroesse(info.groesse, vorhanden, frei);
        if (pruefung == TEmpfangsGroesse::Passt || pruefung == TEmpfangsGroesse::Leer) {
            return false;
        }
        groesse = std::to_string(info.groesse);
    }
    const std::string meldung = GroessenMeldung("Didadit", pruefung, groesse, frei, ordner);
    DebOutObj(kKlasse, "InfoBlock", meldung);
    Verbindung()->KanalPrompt(meldung, kPromptSystem);
    // The protocol's own error for the size: "Could not create file" would send the peer's operator
    // looking for a fault that is not there.
    Fehler(203);
    return true;
}

void TVerbindungDidaditReceive::DataBlock(std::string_view data) {
    if (zustand_ != Zustand::Empfang) {
        DebOutObj(kKlasse, "DataBlock", "Empfange DATA: Keine Datei.");
        Fehler(100, {"DATA"});
        return;
    }
    const std::optional<TDidaditData> block = ParseDidaditData(data);
    if (!block || !DidaditBereichImFile(block->offset, static_cast<std::int64_t>(block->bytes.size()),
                                        liste_.GetGroesse())) {
        DebOutObj(kKlasse, "DataBlock", "Empfange DATA: Ungültiger Bereich.");
        Fehler(104);
        return;
    }
    if (block->bytes.empty()) {
        return;
    }
    bool ok = false;
    try {
        datei_->Seek(block->offset, TSeekOrigin::Beginning);
        ok = datei_->Write(block->bytes.data(), block->bytes.size()) == block->bytes.size();
    } catch (const std::exception& error) {
        DebOutObj(kKlasse, "DataBlock", error.what());
    }
    if (!ok) {
        DebOutObj(kKlasse, "DataBlock", "Schreibfehler");
        Fehler(300);
        return;
    }
    geschrieben_ = true;
    const auto laenge = static_cast<std::int64_t>(block->bytes.size());
    item_->AddBytes(laenge);
    item_->SetPosition(liste_.Add(block->offset, laenge));
}

void TVerbindungDidaditReceive::FinBlock() {
    if (zustand_ != Zustand::Empfang) {
        DebOutObj(kKlasse, "FinBlock", "Empfange FIN: Keine Datei.");
        Fehler(100, {"FIN"});
        return;
    }
    const auto kapazitaet = static_cast<std::size_t>(std::max<std::int64_t>(blockgroesse_ / 8 - 1, 1));
    const std::vector<TDidaditRequest> requests = liste_.GetRequests(kapazitaet);
    if (requests.empty()) {
        if (mitIndex_ && !DigestStimmt()) {
            md5Fehler_ = true;
            Fehler(102);
            return;
        }
        // Stored before the peer hears that the file is whole: a store that fails is its error too, and
        // file and index stay, so the next offer of the file ends at once with another try.
        if (!Speichern()) {
            Fehler(300);
            return;
        }
        DebOutObj(kKlasse, "FinBlock", "Sende FINACK.");
        SendBlock(TDidaditTyp::FinAck, {});
        komplett_ = true;
        ende_ = true;
        Finish();
        return;
    }
    DebOutObjFmt(kKlasse, "FinBlock", "Sende %d Request(s).", static_cast<int>(requests.size()));
    for (const TDidaditRequest& request : requests) {
        DebOutObjFmt(kKlasse, "FinBlock", "Sende REQ Offset %d, Länge %d", request.offset, request.length);
    }
    SendBlock(TDidaditTyp::Req, BuildDidaditReq(requests));
}

bool TVerbindungDidaditReceive::Speichern() {
    try {
        genommen_ = TDateiEmpfangenPostprozessor(Verbindung()).Execute(item_);
    } catch (const std::exception& error) {
        DebOutObj(kKlasse, "Speichern", error.what());
        genommen_ = false;
    }
    aufbewahren_ = !genommen_;
    return genommen_;
}

bool TVerbindungDidaditReceive::DigestStimmt() {
    MD5Context context;
    MD5Init(context);
    try {
        datei_->Seek(0, TSeekOrigin::Beginning);
        std::array<char, 65536> puffer{};
        while (const std::size_t gelesen = datei_->Read(puffer.data(), puffer.size())) {
            MD5Update(context, puffer.data(), gelesen);
        }
    } catch (const std::exception& error) {
        DebOutObj(kKlasse, "DigestStimmt", error.what());
        return false;
    }
    MD5Digest digest{};
    MD5Final(context, digest);
    DebOutObj(kKlasse, "DigestStimmt", "MD5: " + MD5DigestToHex(digest));
    return digest == Digest();
}

void TVerbindungDidaditReceive::Antwort(std::string_view text) {
    const auto& connection = Verbindung();
    if (connection->GetStationTyp() == TStationType::st_terminal) {
        connection->SendeText("\r<Quarn>: " + std::string(text) + "\r", true, false, false, true);
    } else {
        connection->KanalPrompt(text, kPromptSystem);
    }
}

void TVerbindungDidaditReceive::Terminated(int reason) {
    const auto& connection = Verbindung();
    if (connection) {
        if (reason == kGestoppt) {
            SendBlock(TDidaditTyp::Abort, {});
        }
        if (reason == kBeendet && komplett_ && item_) {
            if (connection->GetStationTyp() == TStationType::st_terminal) {
                connection->SendeText("<Quarn>: " + std::string(kOkMeldung) + "\r", true, false, false, true);
            }
        } else if (reason >= kGestoppt && reason <= kAbgebrochen) {
            if (md5Fehler_) {
                connection->KanalPrompt(kMd5Meldung, kPromptSystem);
            }
            Antwort(kAbbruchMeldung);
        }
        const std::string rest = TakeRest();
        if (!rest.empty()) {
            connection->ZeigeEmpfangen(rest);
        }
        if (item_ && connection->GetDateiSenden() == item_) {
            connection->SetDateiSenden(nullptr);
        }
        if (reason >= kBeendet && reason <= kAbgebrochen) {
            Klang(kKlangErfolg + reason);
        }
    }
    if (item_) {
        item_->Beenden();
    }
    DateienAufraeumen(genommen_);
    if (item_) {
        item_->Release();
        item_.reset();
    }
    datei_ = nullptr;
    TVerbindungDidadit::Terminated(reason);
}

void TVerbindungDidaditReceive::DateienAufraeumen(bool behalten) {
    if (!offen_ || datei_ == nullptr) {
        return;
    }
    // Nothing here may raise: the reception is over whatever happens to its files.
    try {
        const std::filesystem::path pfad = datei_->FileName();
        datei_->Close();
        std::error_code ignored;
        // A file that holds nothing (a download refused at once) is no start for a resume.
        const bool leer = !behalten && !aufbewahren_ && liste_.Bereiche().empty();
        if (mitIndex_) {
            if (behalten || md5Fehler_ || leer) {
                liste_.DeleteIndexFile(digestText_);
            } else if (!liste_.WriteIndexFile(digestText_)) {
                DebOutObj(kKlasse, "DateienAufraeumen", "Index nicht geschrieben.");
            }
            if (md5Fehler_ || leer) {
                std::filesystem::remove(pfad, ignored);
            }
        } else if (!behalten && !aufbewahren_) {
            // A file without a digest can never be resumed: what came of it goes to the trash.
            if (!geschrieben_ || !RecycleFile(pfad)) {
                std::filesystem::remove(pfad, ignored);
            }
        }
    } catch (const std::exception& error) {
        DebOutObj(kKlasse, "DateienAufraeumen", error.what());
    }
}

} // namespace quarn
