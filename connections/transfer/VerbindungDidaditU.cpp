#include "connections/transfer/VerbindungDidaditU.h"

#include "foundation/DebOutU.h"
#include "foundation/QueueU.h"

#include <algorithm>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TVerbindungDidadit";

} // namespace

TVerbindungDidadit::TVerbindungDidadit(std::shared_ptr<TVerbindungAbstract> owner,
                                       std::shared_ptr<IVerbindungFuerModul> connection)
    : TVerbindungAbstract(std::move(owner), std::move(connection)) {}

void TVerbindungDidadit::SendBlock(TDidaditTyp typ, std::string_view data) {
    SendBlock(static_cast<std::uint16_t>(typ), data);
}

void TVerbindungDidadit::SendBlock(std::uint16_t typ, std::string_view data) {
    const auto& connection = Verbindung();
    if (!connection) {
        return;
    }
    const std::string frame = DidaditEncodeFrame(typ, digest_, data);
    TStringQueue& transmit = connection->GetTransmitQueue();
    for (std::size_t start = 0; start < frame.size(); start += kStueck) {
        transmit.PushString(std::string_view(frame).substr(start, kStueck));
    }
}

void TVerbindungDidadit::SendError(int number, std::initializer_list<std::string_view> arguments) {
    const std::string text = DidaditErrorText(number, arguments);
    SendBlock(TDidaditTyp::Err, text);
    if (!DidaditFehlerFatal(number)) {
        DebOutObjFmt(kKlasse, "SendError", "FEHLER: %s", text.c_str());
        return;
    }
    DebOutObjFmt(kKlasse, "SendError", "FATALER FEHLER: %s", text.c_str());
    AbortTransfer();
}

bool TVerbindungDidadit::ErrEmpfangen(std::string_view text) {
    const std::string shown(text);
    DebOutObjFmt(kKlasse, "ErrEmpfangen", "Empfange ERR: %s", shown.c_str());
    if (const auto& connection = Verbindung()) {
        connection->KanalNotify("Empfange ERR: " + shown, kPromptSystem);
    }
    if (!DidaditFehlerFatal(DidaditFehlerNummer(text))) {
        return false;
    }
    AbortTransfer();
    return true;
}

void TVerbindungDidadit::SendData() {
    const auto& connection = Verbindung();
    if (!connection) {
        return;
    }
    if (!chat_) {
        SetUseEvent(6, false);
        return;
    }
    TStringQueue& typed = connection->GetTypedTextQueue();
    if (typed.IsEmpty()) {
        return;
    }
    const std::string text = typed.PopString();
    DebOutObj(kKlasse, "SendData", "Sende CHAT.");
    for (std::size_t start = 0; start < text.size(); start += kStueck) {
        SendBlock(TDidaditTyp::Chat, std::string_view(text).substr(start, kStueck));
    }
}

void TVerbindungDidadit::SetChat(bool chat) {
    chat_ = chat;
    SetUseEvent(6, chat);
}

void TVerbindungDidadit::EmpfangeBytes(std::string_view bytes) {
    splitter_.Add(bytes);
}

std::optional<TDidaditBlock> TVerbindungDidadit::NaechsterBlock() {
    while (std::optional<std::string> frame = splitter_.Next()) {
        if (std::optional<TDidaditBlock> block = DidaditDecodeFrame(*frame)) {
            return block;
        }
        DebOutObj(kKlasse, "NaechsterBlock", "Fehler.");
    }
    return std::nullopt;
}

bool TVerbindungDidadit::HandleGemeinsam(const TDidaditBlock& block) {
    const auto& connection = Verbindung();
    switch (static_cast<TDidaditTyp>(block.typ)) {
    case TDidaditTyp::Info:
    case TDidaditTyp::Start:
    case TDidaditTyp::Err:
    case TDidaditTyp::Data:
    case TDidaditTyp::Fin:
    case TDidaditTyp::Req:
    case TDidaditTyp::FinAck:
        return false;
    case TDidaditTyp::EchoReq:
        DebOutObj(kKlasse, "HandleGemeinsam", "Empfange ECHOREQ: Sende ECHOREP.");
        SendBlock(TDidaditTyp::EchoRep, block.data);
        return true;
    case TDidaditTyp::EchoRep:
        DebOutObj(kKlasse, "HandleGemeinsam", "Empfange ECHOREP: Verworfen.");
        return true;
    case TDidaditTyp::Abort:
        DebOutObj(kKlasse, "HandleGemeinsam", "Empfange ABORT: Abbrechen.");
        AbortTransfer();
        return true;
    case TDidaditTyp::Chat:
        if (connection) {
            connection->ZeigeEmpfangen(block.data);
        }
        return true;
    }
    DebOutObj(kKlasse, "HandleGemeinsam", "Empfange UNBEKANNTEN BLOCK.");
    SendError(150, {std::to_string(block.typ)});
    return true;
}

} // namespace quarn
