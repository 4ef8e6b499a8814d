#include "connections/transfer/VerbindungTextSendU.h"

#include "foundation/DebOutU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/QueueU.h"
#include "foundation/SharedEnums.h"
#include "stations/KlaengeU.h"

#include <array>
#include <cctype>

namespace quarn {

namespace {

constexpr std::string_view kKlasse = "TVerbindungTextSend";
constexpr std::size_t kStueck = 256;
// The longest abort request; a longer line is none and need not be held back.
constexpr std::size_t kLaengsteAnfrage = 7;

} // namespace

TVerbindungTextSend::TVerbindungTextSend(std::shared_ptr<TVerbindungAbstract> owner,
                                         std::shared_ptr<IVerbindungFuerModul> connection)
    : TVerbindungAbstract(std::move(owner), std::move(connection)) {}

std::string TVerbindungTextSend::GetClassName() const {
    return std::string(kKlasse);
}

void TVerbindungTextSend::Init() {
    SetUseEvent(5, true);
    SetUseEvent(7, true);
    // Running transfers can be stopped by the operator.
    SetActive(true);
    const auto& connection = Verbindung();
    item_ = connection->GetDateiSenden();
    stream_ = item_ ? item_->GetStream() : nullptr;
    if (stream_ == nullptr) {
        DebOutObj(kKlasse, "Init", "Kein Datenstrom.");
        AbortTransfer();
        return;
    }
    stream_->SetPosition(0);
    connection->SendeText(item_->GetTextVorher(), true, true, false, false);
    Klang(kKlangStart);
    item_->SetGroesse(stream_->Size());
    item_->Starten();
}

void TVerbindungTextSend::TransmitQueueEmpty() {
    if (stream_ == nullptr) {
        return;
    }
    std::array<char, kStueck> buffer{};
    const std::size_t read = stream_->Read(buffer.data(), buffer.size());
    if (read == 0) {
        Finish();
        return;
    }
    // CR ends a line on the air: the LF of CR LF goes, and a lone LF (a Unix text) becomes the CR.
    std::string piece;
    piece.reserve(read);
    for (std::size_t i = 0; i < read; ++i) {
        const char c = buffer[i];
        if (c == '\n') {
            if (!nachCr_) {
                piece += '\r';
            }
            nachCr_ = false;
            continue;
        }
        piece += c;
        nachCr_ = c == '\r';
    }
    // Progress counts the file's bytes, so a file with CR LF reaches its size.
    item_->SetPosition(item_->GetPosition() + static_cast<std::int64_t>(read));
    item_->AddBytes(static_cast<std::int64_t>(piece.size()));
    if (piece.empty()) {
        return;
    }
    const auto& connection = Verbindung();
    connection->GetTransmitQueue().PushString(piece);
    connection->ZeigeGesendet(piece);
}

bool TVerbindungTextSend::Abbruch(std::string_view line) {
    std::string upper(line);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (upper != "#ABORT#" && upper != "//ABORT" && upper != "//CUT") {
        return false;
    }
    const auto& connection = Verbindung();
    if (connection->GetStationTyp() == TStationType::st_terminal) {
        connection->SendeText("<Quarn>: " + std::string(kAbbruchMeldung) + "\r", true, false, false, false);
    }
    abgebrochen_ = true;
    AbortTransfer();
    return true;
}

void TVerbindungTextSend::ReceiveData() {
    const auto& connection = Verbindung();
    TStringQueue& received = connection->GetReceiveQueue();
    while (!abgebrochen_ && !received.IsEmpty()) {
        zeile_ += received.PopLine();
        const bool komplett = zeile_.ends_with('\r');
        const std::string_view text = std::string_view(zeile_).substr(0, zeile_.size() - (komplett ? 1 : 0));
        // A line that may be an abort request is held back until it is complete, so it is not shown.
        const bool anfrage = gezeigt_ == 0 && (zeile_.starts_with('#') || zeile_.starts_with('/')) &&
                             text.size() <= kLaengsteAnfrage;
        if (anfrage && komplett && Abbruch(text)) {
            zeile_.clear();
            return;
        }
        if (anfrage && !komplett) {
            continue;
        }
        connection->ZeigeEmpfangen(std::string_view(zeile_).substr(gezeigt_));
        gezeigt_ = zeile_.size();
        if (komplett) {
            zeile_.clear();
            gezeigt_ = 0;
        }
    }
}

void TVerbindungTextSend::Terminated(int reason) {
    if (reason >= kBeendet && reason <= kAbgebrochen) {
        Klang(kKlangErfolg + reason);
    }
    if (const auto& connection = Verbindung()) {
        // A held line start belongs to the handler after us.
        if (gezeigt_ == 0 && !zeile_.empty()) {
            connection->GetReceiveQueue().PushFrontString(zeile_);
        }
        if (item_) {
            connection->SendeText(item_->GetTextNachher(), true, true, false, false);
        }
    }
    if (item_) {
        item_->Beenden();
        item_->Release();
        if (const auto& connection = Verbindung(); connection && connection->GetDateiSenden() == item_) {
            connection->SetDateiSenden(nullptr);
        }
    }
    item_.reset();
    stream_ = nullptr;
    TVerbindungAbstract::Terminated(reason);
}

} // namespace quarn
