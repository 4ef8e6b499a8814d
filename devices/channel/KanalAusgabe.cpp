// The channel's output (received, sent and monitor text, system lines, the capture file) and the
// typed line going out.
#include "console/ConsoleU.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanalTexte.h"
#include "devices/channel/KanalU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/FileStreamKioU.h"
#include "platform/Codepage.h"
#include "stations/KlaengeU.h"

#include <QCoreApplication>

namespace quarn {
namespace {

constexpr const char* kClass = "TKanal";

int PromptFarbe(int kind) {
    switch (kind) {
    case 0:
        return kanalfarbe::kHinweis;
    case 1:
        return kanalfarbe::kEmpfangen;
    case 2:
        return kanalfarbe::kGesendet;
    case 3:
        return kanalfarbe::kPrompt3;
    default:
        return kanalfarbe::kPromptSonst;
    }
}

void Schreiben(TConsole& console, int colour, std::string_view text) {
    console.SetTextAttr(static_cast<std::uint8_t>(colour));
    console.Write(text);
}

void Meldung(const char* text) {
    TDlgMessage::Run(QStringLiteral("Quarn"), QCoreApplication::translate("TKanal", text), mbOK);
}

} // namespace

// ---- output ----------------------------------------------------------------------------------------

int TKanal::Ausgabe(int colour, std::string_view text) {
    int row = -1;
    AufGui([&] { row = AusgabeGui(colour, text); });
    return row;
}

int TKanal::AusgabeGui(int colour, std::string_view text) {
    Mitschreiben(text);
    const int row = console_->GetCursorRow();
    Schreiben(*console_, colour, text);
    return row;
}

int TKanal::TextEmpfangen(std::string_view text) {
    int row = -1;
    AufGui([&] {
        row = AusgabeGui(kanalfarbe::kEmpfangen, text);
        if (!active_) {
            unseen_ = true;
        }
        KnopfBild();
        if (!text.empty() && text != "\r" && Klaenge() != nullptr) {
            const std::shared_ptr<IVerbindung> connection = GetVerbindung();
            Klaenge()->Play(active_ ? 7 : 8, connection.get());
        }
    });
    return row;
}

void TKanal::TextGesendet(std::string_view text) {
    Ausgabe(kanalfarbe::kGesendet, text);
}

void TKanal::NeueZeile(std::string_view text, int image) {
    Mitschreiben("\r" + std::string(text));
    console_->SetTextAttr(kanalfarbe::kHinweis);
    if (console_->GetCursorCol() > 0) {
        console_->Write("\r");
    }
    if (image != 0) {
        console_->SetGutterImage(image, console_->GetCursorRow());
    }
    console_->Write(text);
}

void TKanal::PromptAusgabe(std::string_view text, int kind) {
    AufGui([&] { PromptAusgabeGui(text, kind); });
}

void TKanal::PromptAusgabeGui(std::string_view text, int kind) {
    Schreiben(*console_, PromptFarbe(kind), text);
}

void TKanal::Prompt(std::string_view text, int kind) {
    AufGui([&] {
        for (const std::string& piece : PromptZeilen(text)) {
            PromptAusgabeGui(piece, kind);
        }
    });
}

void TKanal::MonitorAusgabe(std::string_view header, std::string_view information, bool flag) {
    AufGui([&] {
        Mitschreiben("\r" + std::string(header) + "\r" + std::string(information));
        // Header and information stay together whoever else writes to the monitor.
        const Locker lock(outputLock_);
        std::string line(header);
        line += '\r';
        Schreiben(*console_, flag ? kanalfarbe::kGesendet : kanalfarbe::kEmpfangen, line);
        if (!information.empty()) {
            line.assign(information);
            line += '\r';
            Schreiben(*console_, kanalfarbe::kMonitorInfo, line);
        }
    });
}

void TKanal::MarkiereZeile(int row) {
    AufGui([this, row] {
        if (row < 0 || row >= console_->Rows()) {
            return;
        }
        console_->SetGutterImage(4, row);
        console_->SetListLine(row, true);
    });
}

// ---- capture file ----------------------------------------------------------------------------------

void TKanal::Mitschreiben(std::string_view text) {
    const Locker lock(captureLock_);
    if (!capture_ || !capture_->IsOpen()) {
        return;
    }
    std::string bytes;
    bytes.reserve(text.size() + 16);
    for (const char c : text) {
        bytes += c;
        if (c == '\r') {
            bytes += '\n';
        }
    }
    try {
        capture_->Write(bytes.data(), bytes.size());
    } catch (const std::exception& error) {
        DebOutObj(kClass, "Mitschreiben", std::string("FEHLER: ") + error.what());
    }
}

bool TKanal::MitschreibenStarten(const std::filesystem::path& file, bool append) {
    const Locker lock(captureLock_);
    capture_.reset();
    auto stream = std::make_unique<TFileStreamKio>();
    try {
        stream->SetFileName(file);
        if (!append) {
            stream->SetMode(fmCreate);
            stream->Open();
            stream->Close();
        }
        stream->SetMode(fmOpenReadWrite | fmShareDenyWrite);
        stream->Open();
        if (!stream->IsOpen()) {
            return false;
        }
        stream->Seek(0, TSeekOrigin::End);
    } catch (const std::exception& error) {
        DebOutObj(kClass, "MitschreibenStarten", std::string("FEHLER: ") + error.what());
        return false;
    }
    capture_ = std::move(stream);
    return true;
}

std::filesystem::path TKanal::GetMitschriebDatei() const {
    const Locker lock(captureLock_);
    return capture_ ? capture_->FileName() : std::filesystem::path();
}

// ---- the typed line --------------------------------------------------------------------------------

void TKanal::TextEingegeben(const std::string& line) {
    if (released_) {
        return;
    }
    if (number_ == 0) {
        UIFrameSenden(line);
        return;
    }
    const std::shared_ptr<IVerbindung> connection = GetVerbindung();
    if (!connection || line.empty()) {
        return;
    }
    const TStationType kind = connection->GetStationTyp();
    const bool wrap = kind == TStationType::st_box || kind == TStationType::st_terminal;
    connection->SendeText(dosUmlaute_ ? Cp1252ToCp850(line) : line, true, true, wrap, true);
    if (Klaenge() != nullptr) {
        Klaenge()->Play(9, connection.get());
    }
}

void TKanal::UIFrameSenden(const std::string& line) {
    const TConfig& config = *Config();
    const std::string portName = config.GetPort();
    std::shared_ptr<IFunkKanal> port;
    if (TGeraete* devices = TGeraete::Instance()) {
        std::vector<std::shared_ptr<IFunkKanal>> ports;
        devices->GetFunkKanaele(ports);
        for (const std::shared_ptr<IFunkKanal>& candidate : ports) {
            if (candidate && candidate->GetName() == portName) {
                port = candidate;
                break;
            }
        }
    }
    const std::string destination = config.GetDestination();
    const std::string myCall = config.GetMyCall();
    if (destination.empty()) {
        Meldung("Kein Ziel für UI-Pakete ausgewählt.");
    } else if (myCall.empty()) {
        Meldung("Kein eigenes Rufzeichen für UI-Pakete ausgewählt.");
    } else if (!port) {
        Meldung("Kein Kanal für UI-Pakete ausgewählt.");
    } else if (!port->SendUI(destination, myCall, line)) {
        DebOutObj(kClass, "TextEingegeben", "FEHLER: SendUI " + portName);
        // The operator typed the line: it must not vanish without a word on the monitor.
        Prompt(QStringToCp1252(QCoreApplication::translate(
                                   "TKanal", "UI-Paket nicht gesendet: das Gerät von %1 ist nicht bereit.")
                                   .arg(Cp1252ToQString(portName))),
               3);
    }
}

} // namespace quarn
