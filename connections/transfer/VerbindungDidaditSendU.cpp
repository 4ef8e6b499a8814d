#include "connections/transfer/VerbindungDidaditSendU.h"

#include "connections/send/DateiSendenU.h"
#include "foundation/DebOutU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/QueueU.h"
#include "foundation/SharedEnums.h"
#include "platform/Codepage.h"

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TVerbindungDidaditSend";
constexpr std::size_t kMd5Block = 65536;
constexpr std::string_view kOk = "#OK#\r";
constexpr std::string_view kAbort = "#ABORT#\r";

// The modification time of the stream's file, when it is an open file.
std::optional<std::int64_t> DateiZeit(const TStream& stream) {
    const auto* datei = dynamic_cast<const TFileStreamKio*>(&stream);
    struct stat info {};
    if (datei == nullptr || datei->Handle() <= 0 || ::fstat(datei->Handle(), &info) != 0) {
        return std::nullopt;
    }
    return DidaditZeit(info.st_mtim.tv_sec);
}

} // namespace

TVerbindungDidaditSend::TVerbindungDidaditSend(std::shared_ptr<TVerbindungAbstract> owner,
                                               std::shared_ptr<IVerbindungFuerModul> connection)
    : TVerbindungDidadit(std::move(owner), std::move(connection)) {}

std::string TVerbindungDidaditSend::GetClassName() const {
    return std::string(kKlasse);
}

void TVerbindungDidaditSend::Init() {
    const auto& connection = Verbindung();
    SetUseEvent(5, true);
    SetUseEvent(6, false);
    item_ = connection->GetDateiSenden();
    stream_ = item_ ? item_->GetStream() : nullptr;
    if (stream_ == nullptr || item_->GetProtokoll() != kProtokollDidadit) {
        DebOutObj(kKlasse, "Init", "Kein DIDADIT-Auftrag.");
        abgelehnt_ = true;
        Beenden(true);
        return;
    }
    groesse_ = stream_->Size();
    if (groesse_ < 0 || groesse_ > kDidaditMaxGroesse) {
        // The protocol's offsets are signed 32-bit numbers: such a file could never arrive whole.
        DebOutObjFmt(kKlasse, "Init", "Datei zu gross: %lld", static_cast<long long>(groesse_));
        connection->KanalPrompt(Utf8ToCp1252("Didadit-Senden nicht möglich: die Datei ist größer als "
                                             "2147483647 Bytes."),
                                kPromptSystem);
        abgelehnt_ = true;
        Beenden(true);
        return;
    }
    SetActive(true);
    connection->SendeText(item_->GetTextVorher(), true, true, false, false);
    item_->Warten();

    DebOutObj(kKlasse, "Init", "Berechne MD5...");
    MD5Context context;
    std::vector<char> block(kMd5Block);
    stream_->SetPosition(0);
    for (std::size_t read = 0; (read = stream_->Read(block.data(), block.size())) > 0;) {
        MD5Update(context, block.data(), read);
    }
    MD5Digest digest{};
    MD5Final(context, digest);
    SetDigest(digest);
    DebOutObj(kKlasse, "Init", "MD5 = " + MD5DigestToHex(digest));
    stream_->SetPosition(0);

    blockgroesse_ = kDidaditBlockgroesse;
    const std::string start = "#DIDADIT#\r";
    connection->GetTransmitQueue().PushString(start);
    connection->ZeigeGesendet(start);
    item_->SetGroesse(groesse_);
    item_->Starten();
    DebOutObj(kKlasse, "Init", "Sende INFO.");
    SendBlock(TDidaditTyp::Info,
              BuildDidaditInfo(item_->GetAnzeigename(), groesse_, digest, DateiZeit(*stream_)));
    zustand_ = Zustand::WartetOk;
    puffer_.clear();
    Klang(kKlangStart);
}

void TVerbindungDidaditSend::ReceiveData() {
    const auto& connection = Verbindung();
    if (!connection) {
        return;
    }
    TStringQueue& received = connection->GetReceiveQueue();
    while (!ende_ && !received.IsEmpty()) {
        const std::string piece = received.PopString();
        if (zustand_ == Zustand::WartetOk) {
            puffer_ += piece;
            // "#OK#" and the first frames may come in one piece: the rest goes on to the frames at once.
            if (!Antwort()) {
                continue;
            }
        } else if (zustand_ != Zustand::Leer) {
            EmpfangeBytes(piece);
        }
        Bloecke();
    }
}

bool TVerbindungDidaditSend::Antwort() {
    const auto& connection = Verbindung();
    const std::size_t ok = puffer_.find(kOk);
    const std::size_t abort = puffer_.find(kAbort);
    if (abort != std::string::npos && (ok == std::string::npos || abort < ok)) {
        const std::size_t ende = abort + kAbort.size();
        connection->ZeigeEmpfangen(std::string_view(puffer_).substr(0, ende));
        puffer_.erase(0, ende);
        DebOutObj(kKlasse, "ReceiveData", "Abbruch durch Gegenstation.");
        Beenden(true);
        return false;
    }
    if (ok == std::string::npos) {
        return false;
    }
    const std::size_t ende = ok + kOk.size();
    connection->ZeigeEmpfangen(std::string_view(puffer_).substr(0, ende));
    const std::string rest = puffer_.substr(ende);
    puffer_.clear();
    zustand_ = Zustand::WartetStart;
    EmpfangeBytes(rest);
    return true;
}

void TVerbindungDidaditSend::Bloecke() {
    // Text between "#OK#" and the first frame is the peer's, not the protocol's.
    if (const std::string text = Splitter().TakeText(); !text.empty()) {
        Verbindung()->ZeigeEmpfangen(text);
    }
    while (!ende_) {
        const std::optional<TDidaditBlock> block = NaechsterBlock();
        if (!block) {
            break;
        }
        Block(*block);
    }
}

void TVerbindungDidaditSend::Block(const TDidaditBlock& block) {
    switch (static_cast<TDidaditTyp>(block.typ)) {
    case TDidaditTyp::Info:
        DebOutObj(kKlasse, "ReceiveData", "Empfange INFO: Nicht beim Senden.");
        Fehler(100, {"INFO"});
        return;
    case TDidaditTyp::Start:
        if (zustand_ != Zustand::WartetStart) {
            DebOutObj(kKlasse, "ReceiveData", "Empfange START: Falscher Zustand.");
            Fehler(100, {"START"});
            return;
        }
        StartBlock(block.data);
        return;
    case TDidaditTyp::Err:
        if (ErrEmpfangen(block.data)) {
            ende_ = true;
        }
        return;
    case TDidaditTyp::Data:
        DebOutObj(kKlasse, "ReceiveData", "Empfange DATA: Nicht beim Senden.");
        Fehler(100, {"DATA"});
        return;
    case TDidaditTyp::Fin:
        DebOutObj(kKlasse, "ReceiveData", "Empfange FIN: Nicht beim Senden.");
        Fehler(100, {"FIN"});
        return;
    case TDidaditTyp::Req:
        SetUseEvent(6, Chat());
        ReqBlock(block.data);
        return;
    case TDidaditTyp::FinAck:
        DebOutObj(kKlasse, "ReceiveData", "Empfange FINACK: Beende Protokoll.");
        Beenden(false);
        return;
    case TDidaditTyp::Abort:
        ende_ = true;
        break;
    default:
        break;
    }
    HandleGemeinsam(block);
}

void TVerbindungDidaditSend::StartBlock(std::string_view data) {
    const TDidaditStart start = ParseDidaditStart(data);
    if (start.blockgroesse >= 1 && start.blockgroesse < blockgroesse_) {
        blockgroesse_ = start.blockgroesse;
    }
    // An offset before the file's start asks for everything.
    naechsterOffset_ = std::max<std::int64_t>(start.offset, 0);
    DebOutObjFmt(kKlasse, "ReceiveData", "Empfange START: Offset %lld, BlockSize %lld.",
                 static_cast<long long>(naechsterOffset_), static_cast<long long>(blockgroesse_));
    for (const std::string& feature : start.features) {
        DebOutObjFmt(kKlasse, "ReceiveData", "Empfange START: Feature %s.", feature.c_str());
    }
    SetChat(start.chat);
    zustand_ = Zustand::Sendet;
    SetUseEvent(7, true);
}

void TVerbindungDidaditSend::ReqBlock(std::string_view data) {
    const std::optional<std::vector<TDidaditRequest>> requests = ParseDidaditReq(data);
    if (!requests) {
        Fehler(101, {"0", "0"});
        return;
    }
    anfragen_.clear();
    DebOutObjFmt(kKlasse, "ReqBlock", "Empfange REQ: %d Request(s).", static_cast<int>(requests->size()));
    // A peer that never takes a range asks for it after every FIN; without a bound both sides loop.
    wiederholteReq_ = (hatteReq_ && *requests == letzteReq_) ? wiederholteReq_ + 1 : 0;
    hatteReq_ = true;
    letzteReq_ = *requests;
    if (wiederholteReq_ >= kMaxWiederholteReq) {
        DebOutObj(kKlasse, "ReqBlock", "Empfange REQ: immer dieselben Bereiche, Abbruch.");
        SendBlock(TDidaditTyp::Abort, {});
        Beenden(true);
        return;
    }
    for (const TDidaditRequest& request : *requests) {
        DebOutObjFmt(kKlasse, "ReqBlock", "Empfange REQ: Offset %d, Länge %d.", request.offset,
                     request.length);
        const std::int64_t offset = request.offset;
        const std::int64_t length = request.length;
        if (offset < 0 || length <= 0 || offset + length > groesse_) {
            anfragen_.clear();
            Fehler(101, {std::to_string(offset), std::to_string(length)});
            return;
        }
        anfragen_.push_back({offset, length});
    }
    SetUseEvent(7, true);
}

void TVerbindungDidaditSend::TransmitQueueEmpty() {
    if (ende_ || stream_ == nullptr) {
        return;
    }
    std::int64_t offset = 0;
    std::int64_t length = 0;
    bool sequentiell = false;
    if (!anfragen_.empty()) {
        Anfrage& anfrage = anfragen_.front();
        offset = anfrage.offset;
        if (anfrage.length > blockgroesse_) {
            length = blockgroesse_;
            anfrage.offset += length;
            anfrage.length -= length;
        } else {
            length = anfrage.length;
            anfragen_.pop_front();
        }
    } else if (zustand_ == Zustand::Sendet) {
        offset = naechsterOffset_;
        length = blockgroesse_;
        sequentiell = true;
    } else {
        return;
    }
    std::string bytes;
    if (offset >= 0 && offset < groesse_ && length > 0) {
        // A file that grew since INFO still ends at the size announced there.
        bytes.resize(static_cast<std::size_t>(std::min(length, groesse_ - offset)));
        stream_->SetPosition(offset);
        bytes.resize(stream_->Read(bytes.data(), bytes.size()));
    }
    if (bytes.empty()) {
        DebOutObj(kKlasse, "TransmitQueueEmpty", "Sende FIN.");
        SendBlock(TDidaditTyp::Fin, {});
        SetUseEvent(7, false);
        SetUseEvent(6, false);
        return;
    }
    const auto count = static_cast<std::int64_t>(bytes.size());
    if (sequentiell) {
        naechsterOffset_ = offset + count;
        item_->SetPosition(naechsterOffset_);
    }
    item_->AddBytes(count);
    SendBlock(TDidaditTyp::Data, BuildDidaditData(static_cast<std::int32_t>(offset), bytes));
}

void TVerbindungDidaditSend::Fehler(int number, std::initializer_list<std::string_view> arguments) {
    if (DidaditFehlerFatal(number)) {
        ende_ = true;
    }
    SendError(number, arguments);
}

void TVerbindungDidaditSend::Beenden(bool abbruch) {
    ende_ = true;
    if (abbruch) {
        AbortTransfer();
    } else {
        Finish();
    }
}

void TVerbindungDidaditSend::Terminated(int reason) {
    const auto& connection = Verbindung();
    if (connection && item_ && !abgelehnt_) {
        if (reason == kGestoppt) {
            SendBlock(TDidaditTyp::Abort, {});
        }
        const bool terminal = connection->GetStationTyp() == TStationType::st_terminal;
        if (reason == kBeendet) {
            connection->SendeText(item_->GetTextNachher(), true, true, false, false);
            if (terminal) {
                connection->SendeText("<Quarn>: " + std::string(kOkMeldung) + "\r", true, false, false,
                                      false);
            } else {
                connection->KanalPrompt(kOkMeldung, kPromptSystem);
            }
        } else if (reason == kGestoppt || reason == kAbgebrochen) {
            if (terminal) {
                connection->SendeText("\r<Quarn>: " + std::string(kAbbruchMeldung) + "\r", true, false, false,
                                      false);
            } else {
                connection->KanalPrompt(kAbbruchMeldung, kPromptSystem);
            }
        }
        if (const std::string rest = puffer_ + TakeRest(); !rest.empty()) {
            connection->ZeigeEmpfangen(rest);
        }
    }
    if (connection && reason >= kBeendet && reason <= kAbgebrochen) {
        Klang(kKlangErfolg + reason);
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
    anfragen_.clear();
    puffer_.clear();
    TVerbindungDidadit::Terminated(reason);
}

} // namespace quarn
