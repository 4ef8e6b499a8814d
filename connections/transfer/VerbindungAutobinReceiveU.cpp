#include "connections/transfer/VerbindungAutobinReceiveU.h"

#include "connections/transfer/DateiEmpfangenPostprozessorU.h"
#include "connections/send/DateiSendenU.h"
#include "connections/transfer/DosDatumU.h"
#include "connections/transfer/EmpfangsGroesseU.h"
#include "foundation/CrcU.h"
#include "foundation/DebOutU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/QueueU.h"
#include "foundation/SharedEnums.h"
#include "platform/Codepage.h"
#include "stations/KlaengeU.h"

#include <algorithm>
#include <exception>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TVerbindungAutobinReceive";

// Takes what the remote station still sends of a file the operator stopped, up to its announced length,
// so none of it reaches the standard handler as lines. The link going down, quitting and a second Stop
// end it early.
class TAutobinVerwerfen final : public TVerbindungAbstract {
public:
    TAutobinVerwerfen(std::shared_ptr<TVerbindungAbstract> owner,
                      std::shared_ptr<IVerbindungFuerModul> connection, std::int64_t rest)
        : TVerbindungAbstract(std::move(owner), std::move(connection)), rest_(rest) {}
    std::string GetClassName() const override { return "TAutobinVerwerfen"; }
    void Starte() { Init(); }

protected:
    void Init() override {
        SetUseEvent(5, true);
        SetActive(true);
        if (rest_ <= 0) {
            Finish();
        }
    }
    void ReceiveData() override {
        TStringQueue& received = Verbindung()->GetReceiveQueue();
        while (rest_ > 0 && !received.IsEmpty()) {
            rest_ -= static_cast<std::int64_t>(received.PopChars(static_cast<std::size_t>(rest_)).size());
        }
        if (rest_ <= 0) {
            Finish();
        }
    }

private:
    std::int64_t rest_;
};

} // namespace

TVerbindungAutobinReceive::TVerbindungAutobinReceive(std::shared_ptr<TVerbindungAbstract> owner,
                                                     std::shared_ptr<IVerbindungFuerModul> connection)
    : TVerbindungAbstract(std::move(owner), std::move(connection)) {}

std::string TVerbindungAutobinReceive::GetClassName() const {
    return std::string(kKlasse);
}

std::string TVerbindungAutobinReceive::OhneCrc() {
    return Utf8ToCp1252("Autobin-Empfang ok. (ohne CRC-Prüfung.)");
}

void TVerbindungAutobinReceive::Init() {
    const auto& connection = Verbindung();
    SetUseEvent(5, true);
    SetUseEvent(6, true);
    SetActive(true);

    TStringQueue& received = connection->GetReceiveQueue();
    std::string header = received.IsEmpty() ? std::string() : received.PopLine();
    if (header.ends_with('\r')) {
        header.pop_back();
    }
    DebOutObj(kKlasse, "Init", "Header: " + header);
    kopf_ = LiesAutobinKopf(header);
    DebOutObjFmt(kKlasse, "Init", "Länge: %lld", static_cast<long long>(kopf_.laenge));
    if (kopf_.crcGegeben) {
        DebOutObjFmt(kKlasse, "Init", "CRC: %u", static_cast<unsigned>(kopf_.crc));
    } else {
        DebOutObj(kKlasse, "Init", "CRC: (keiner)");
    }
    rest_ = kopf_.laenge;
    const std::string name = kopf_.name.empty() ? connection->Get_Call() + ".dat" : kopf_.name;

    item_ = std::make_shared<TDateiSenden>(connection);
    item_->SetAnzeigename(name);
    bool ok = kopf_.laenge >= 0;
    std::string abgelehnt;
    if (ok) {
        // A length nothing can hold would take every later byte of the conversation into the file.
        const std::filesystem::path ordner = IncompleteFilesFolder();
        const std::int64_t frei = FreeBytes(ordner);
        const TEmpfangsGroesse pruefung = PruefeEmpfangsGroesse(kopf_.laenge, 0, frei);
        if (pruefung != TEmpfangsGroesse::Passt) {
            abgelehnt = GroessenMeldung("Autobin", pruefung, std::to_string(kopf_.laenge), frei, ordner);
            DebOutObj(kKlasse, "Init", abgelehnt);
            ok = false;
        }
    }
    if (ok) {
        const std::filesystem::path pfad = CreateIncompleteFileUnique();
        auto datei = std::make_unique<TFileStreamKio>();
        datei_ = datei.get();
        item_->SetStream(std::move(datei));
        if (!pfad.empty()) {
            datei_->SetFileName(pfad);
            datei_->SetMode(fmOpenReadWrite | fmShareExclusive);
            datei_->Open();
        }
        ok = datei_->IsOpen();
        DebOutObj(kKlasse, "Init", "Zieldatei: " + item_->GetAnzeigename());
        DebOutObj(kKlasse, "Init", "Quelldatei: " + pfad.string());
    }
    if (!ok) {
        Klang(kKlangFehler);
        connection->SendeText("#NO#\r", true, false, false, true);
        if (!abgelehnt.empty()) {
            connection->KanalPrompt(abgelehnt, kPromptSystem);
        }
        AbortTransfer();
        ende_ = true;
        return;
    }
    Klang(kKlangStart);
    connection->SendeText("#OK#\r", true, false, false, true);
    item_->SetDateiname(datei_->FileName());
    item_->SetProtokoll(kProtokollAutobin);
    item_->SetGroesse(kopf_.laenge);
    connection->SetDateiSenden(item_);
    item_->Starten();
}

void TVerbindungAutobinReceive::ReceiveData() {
    const auto& connection = Verbindung();
    TStringQueue& received = connection->GetReceiveQueue();
    while (!ende_ && rest_ > 0 && !received.IsEmpty()) {
        const std::string piece = received.PopChars(static_cast<std::size_t>(rest_));
        if (piece.empty()) {
            continue;
        }
        // The protocol's convention, kept on purpose because peers rely on it: a piece that is exactly
        // "#ABORT#" CR is the remote station's abort, and one in "SP\-" ... CR is chat, even in the middle
        // of binary data.
        if (piece == "#ABORT#\r") {
            fehler_ = true;
        } else if (piece.ends_with('\r') && piece.starts_with("SP\\-")) {
            if (connection->GetKanal()) {
                connection->ZeigeEmpfangen(std::string_view(piece).substr(4));
            }
        } else {
            crc_ = Crc16Buf(piece.data(), piece.size(), crc_);
            geschrieben_ = true;
            if (datei_->Write(piece.data(), piece.size()) != piece.size()) {
                DebOutObj(kKlasse, "ReceiveData", "Schreibfehler");
                fehler_ = true;
            }
            item_->AddBytes(static_cast<std::int64_t>(piece.size()));
            rest_ -= static_cast<std::int64_t>(piece.size());
            item_->SetPosition(kopf_.laenge - rest_);
        }
        if (fehler_) {
            ende_ = true;
            AbortTransfer();
        } else if (rest_ == 0) {
            ende_ = true;
            Finish();
        }
    }
}

void TVerbindungAutobinReceive::SendData() {
    const auto& connection = Verbindung();
    TStringQueue& typed = connection->GetTypedTextQueue();
    if (!typed.IsEmpty()) {
        connection->GetTransmitQueue().PushString(typed.PopLine());
    }
}

void TVerbindungAutobinReceive::Antwort(std::string_view text, bool local) {
    const auto& connection = Verbindung();
    if (connection->GetStationTyp() == TStationType::st_terminal) {
        connection->SendeText(std::string(text), true, false, false, true);
    } else if (local) {
        std::string_view zeile = text;
        while (!zeile.empty() && zeile.front() == '\r') {
            zeile.remove_prefix(1);
        }
        zeile.remove_prefix(std::min(zeile.size(), std::string_view("<Quarn>: ").size()));
        if (zeile.ends_with('\r')) {
            zeile.remove_suffix(1);
        }
        connection->KanalPrompt(zeile, 3);
    }
}

void TVerbindungAutobinReceive::Terminated(int reason) {
    const auto& connection = Verbindung();
    bool behalten = false;
    if (connection) {
        int klang = reason >= kBeendet && reason <= kAbgebrochen ? kKlangErfolg + reason : -1;
        if (reason == kGestoppt) {
            connection->GetTransmitQueue().PushString("#ABORT#\r");
        }
        if (reason == kBeendet && item_ && datei_ && datei_->IsOpen()) {
            std::string result;
            if (!kopf_.crcGegeben) {
                result = OhneCrc();
            } else if (crc_ == kopf_.crc) {
                result = kOkMeldung;
            } else {
                result = kCrcFehler;
                fehler_ = true;
            }
            if (fehler_) {
                Antwort("<Quarn>: " + result + "\r", true);
            } else {
                // Writing moved the file's time on; the header's date is set last. A date the file
                // system refuses leaves the time of writing.
                if (kopf_.datumGegeben && !SetDosDatumDatei(datei_->Handle(), kopf_.datum)) {
                    DebOutObj(kKlasse, "Terminated", "Datum nicht gesetzt");
                }
                bool gespeichert = false;
                try {
                    gespeichert = TDateiEmpfangenPostprozessor(connection).Execute(item_);
                    behalten = true;
                } catch (const std::exception& error) {
                    DebOutObj(kKlasse, "Terminated", error.what());
                }
                // Only a stored file is a reception that went well; the post-processing told the
                // operator where the data is otherwise.
                if (gespeichert) {
                    Antwort("<Quarn>: " + result + "\r", false);
                } else {
                    klang = kKlangFehler;
                    Antwort("\r<Quarn>: " + std::string(kAbbruchMeldung) + "\r", true);
                }
            }
        } else if (reason >= kGestoppt && reason <= kAbgebrochen) {
            Antwort("\r<Quarn>: " + std::string(kAbbruchMeldung) + "\r", true);
        } else if (reason == kVerbindungWeg) {
            // Nobody is left to tell but the operator, who must not take a half file for a whole one.
            connection->KanalPrompt(kAbbruchMeldung, kPromptSystem);
        }
        if (klang >= 0) {
            Klang(klang);
        }
        if (connection->GetDateiSenden() == item_) {
            connection->SetDateiSenden(nullptr);
        }
    }
    if (item_) {
        item_->Beenden();
    }
    DateiAufraeumen(behalten);
    if (item_) {
        item_->Release();
        item_.reset();
    }
    datei_ = nullptr;
    if (connection && reason == kGestoppt && rest_ > 0) {
        RestVerwerfen();
    }
    TVerbindungAbstract::Terminated(reason);
}

void TVerbindungAutobinReceive::RestVerwerfen() {
    DebOutObjFmt(kKlasse, "RestVerwerfen", "%lld Bytes", static_cast<long long>(rest_));
    const std::int64_t rest = rest_;
    RunGeschuetzt(
        [rest](std::shared_ptr<TVerbindungAbstract> owner, std::shared_ptr<IVerbindungFuerModul> connection) {
            auto handler = std::make_shared<TAutobinVerwerfen>(std::move(owner), std::move(connection), rest);
            handler->Starte();
            return std::static_pointer_cast<TVerbindungAbstract>(handler);
        });
}

void TVerbindungAutobinReceive::DateiAufraeumen(bool behalten) {
    if (datei_ == nullptr || behalten) {
        return;
    }
    // Nothing here may raise: the reception is over whatever happens to its file.
    try {
        if (datei_->FileName().empty()) {
            return;
        }
        if (!geschrieben_) {
            // A file that never held data is no loss worth a place in the trash.
            datei_->DeleteFile();
        } else {
            datei_->Recycle();
        }
    } catch (const std::exception& error) {
        DebOutObj(kKlasse, "DateiAufraeumen", error.what());
        std::error_code ignored;
        datei_->Close();
        std::filesystem::remove(datei_->FileName(), ignored);
    }
}

} // namespace quarn
