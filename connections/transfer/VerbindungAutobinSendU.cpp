#include "connections/transfer/VerbindungAutobinSendU.h"

#include "connections/send/DateiSendenU.h"
#include "connections/transfer/DosDatumU.h"
#include "foundation/CrcU.h"
#include "foundation/DebOutU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/QueueU.h"
#include "foundation/SharedEnums.h"
#include "stations/KlaengeU.h"

#include <array>
#include <cstdio>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TVerbindungAutobinSend";
constexpr std::size_t kStueck = 256;
constexpr int kStueckeProLeerung = 5;
constexpr std::size_t kCrcBlock = 4096;

} // namespace

std::string AutobinKopf(std::int64_t length, std::uint16_t crc, std::uint32_t date, std::string_view name) {
    char felder[80];
    std::snprintf(felder, sizeof felder, "#BIN#%lld#|%u#$%08X#", static_cast<long long>(length),
                  static_cast<unsigned>(crc), static_cast<unsigned>(date));
    return std::string(felder) + std::string(name) + "\r";
}

TVerbindungAutobinSend::TVerbindungAutobinSend(std::shared_ptr<TVerbindungAbstract> owner,
                                               std::shared_ptr<IVerbindungFuerModul> connection)
    : TVerbindungAbstract(std::move(owner), std::move(connection)) {}

std::string TVerbindungAutobinSend::GetClassName() const {
    return std::string(kKlasse);
}

void TVerbindungAutobinSend::Init() {
    const auto& connection = Verbindung();
    SetUseEvent(5, true);
    if (connection->GetStationTyp() == TStationType::st_terminal) {
        SetUseEvent(6, true);
    }
    item_ = connection->GetDateiSenden();
    stream_ = item_ ? item_->GetStream() : nullptr;
    if (stream_ == nullptr || item_->GetProtokoll() != kProtokollAutobin) {
        DebOutObj(kKlasse, "Init", "Kein AutoBIN-Auftrag.");
        AbortTransfer();
        return;
    }
    SetActive(true);
    connection->SendeText(item_->GetTextVorher(), true, true, false, false);
    warten_ = true;
    item_->SetGroesse(stream_->Size());
    item_->Starten();

    DebOutObj(kKlasse, "Init", "Berechne CRC...");
    stream_->SetPosition(0);
    std::uint16_t crc = 0;
    std::array<char, kCrcBlock> block{};
    for (std::size_t read = 0; (read = stream_->Read(block.data(), block.size())) > 0;) {
        crc = Crc16Buf(block.data(), read, crc);
    }
    DebOutObjFmt(kKlasse, "Init", "MyCRC = %u", static_cast<unsigned>(crc));
    stream_->SetPosition(0);

    std::uint32_t date = 0;
    if (const auto* datei = dynamic_cast<const TFileStreamKio*>(stream_); datei && datei->Handle() != 0) {
        date = DosDatumDatei(datei->Handle());
    }
    const std::string kopf = AutobinKopf(stream_->Size(), crc, date, item_->GetAnzeigename());
    connection->GetTransmitQueue().PushString(kopf);
    connection->ZeigeGesendet(kopf);
    Klang(kKlangStart);
}

void TVerbindungAutobinSend::ReceiveData() {
    const auto& connection = Verbindung();
    TStringQueue& received = connection->GetReceiveQueue();
    while (connection && !received.IsEmpty()) {
        const std::string piece = received.PopString();
        connection->ZeigeEmpfangen(piece);
        antwort_ += piece;
        std::size_t cr = 0;
        while ((cr = antwort_.find('\r')) != std::string::npos) {
            const std::string line = antwort_.substr(0, cr);
            antwort_.erase(0, cr + 1);
            Zeile(line);
        }
    }
}

void TVerbindungAutobinSend::Zeile(std::string_view line) {
    if (line.starts_with("#ABORT#") || (warten_ && line.starts_with("#NO#"))) {
        DebOutObj(kKlasse, "ReceiveData", "Abbruch durch Gegenstation: " + std::string(line));
        AbortTransfer();
        return;
    }
    if (warten_ && line.starts_with("#OK#")) {
        warten_ = false;
        SetUseEvent(7, true);
    }
}

void TVerbindungAutobinSend::SendData() {
    const auto& connection = Verbindung();
    TStringQueue& typed = connection->GetTypedTextQueue();
    if (!typed.IsEmpty()) {
        connection->GetTransmitQueue().PushString("SP\\-" + typed.PopLine());
    }
}

void TVerbindungAutobinSend::TransmitQueueEmpty() {
    if (stream_ == nullptr) {
        return;
    }
    const auto& connection = Verbindung();
    std::array<char, kStueck> buffer{};
    for (int i = 0; i < kStueckeProLeerung; ++i) {
        const std::size_t read = stream_->Read(buffer.data(), buffer.size());
        if (read == 0) {
            Finish();
            return;
        }
        item_->AddBytes(static_cast<std::int64_t>(read));
        item_->SetPosition(item_->GetPosition() + static_cast<std::int64_t>(read));
        connection->GetTransmitQueue().PushString(std::string_view(buffer.data(), read));
    }
}

void TVerbindungAutobinSend::Terminated(int reason) {
    const auto& connection = Verbindung();
    if (connection && item_) {
        if (reason >= kBeendet && reason <= kAbgebrochen) {
            Klang(kKlangErfolg + reason);
        }
        const bool terminal = connection->GetStationTyp() == TStationType::st_terminal;
        if (reason == kGestoppt) {
            connection->GetTransmitQueue().PushString("#ABORT#\r");
        }
        if (reason == kBeendet) {
            connection->SendeText(item_->GetTextNachher(), true, true, false, false);
            if (terminal) {
                connection->SendeText("<Quarn>: " + std::string(kOkMeldung) + "\r", true, false, false,
                                      false);
            }
        } else if (reason == kGestoppt || reason == kAbgebrochen) {
            if (terminal) {
                connection->SendeText("\r<Quarn>: " + std::string(kAbbruchMeldung) + "\r", true, false, false,
                                      false);
            } else {
                connection->KanalPrompt(kAbbruchMeldung, 3);
            }
        }
    }
    if (item_) {
        item_->Beenden();
        item_->Release();
        if (connection && connection->GetDateiSenden() == item_) {
            connection->SetDateiSenden(nullptr);
        }
    }
    item_.reset();
    stream_ = nullptr;
    TVerbindungAbstract::Terminated(reason);
}

} // namespace quarn
