#include "devices/hostmode/GeraetHostmodeU.h"

#include "devices/hostmode/GeraetHostmodeText.h"
#include "devices/RufzeichenU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "stations/MyCallsU.h"

namespace quarn {

namespace {

constexpr const char* kUnit = "GeraetHostmodeU";

// How often a line that went away is tried again.
constexpr std::uint32_t kWiederOeffnenMs = 2000;
// The longest reply: channel, code, length and 256 data bytes, or a text and its NUL.
constexpr std::size_t kMaxAntwort = 3 + TGeraetHostmode::kMaxText;

std::string JoinList(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += TrimText(line);
        bytes += '\0';
    }
    return bytes;
}

// A stored list: every line ends with a NUL byte; bytes after the last one are not a line.
std::vector<std::string> SplitList(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\0'); end != std::string::npos; end = bytes.find('\0', start)) {
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

std::unique_ptr<TGeraetHostmodeParameter> TGeraetHostmodeParameter::Kopie() const {
    return std::make_unique<TGeraetHostmodeParameter>(*this);
}

TGeraetHostmode::TGeraetHostmode() {
    if (const TConfig* config = Config()) {
        monitorFlags_ = config->GetMonitorFlags();
    }
}

TGeraetHostmode::~TGeraetHostmode() {
    if (rufSubscriber_) {
        if (const std::shared_ptr<TMyCalls> calls = MyCalls()) {
            calls->Unsubscribe(rufSubscriber_);
        }
    }
    const Locker lock(kanalLock_);
    for (std::shared_ptr<IVerbindung>& connection : kanaele_) {
        if (connection) {
            connection->Release();
            connection.reset();
        }
    }
}

void TGeraetHostmode::Init() {
    if (!parameter_) {
        parameter_ = ParameterErzeugen();
    }
    const std::string key = GetRegistryKey();
    if (!key.empty()) {
        const RegistryStore& store = RegistryStore::Instance();
        parameter_->initListe = SplitList(store.ReadBinary(Hive::LocalMachine, key, "Init").value_or(""));
        parameter_->deinitListe = SplitList(store.ReadBinary(Hive::LocalMachine, key, "Deinit").value_or(""));
    }
    EigeneRufzeichenAbonnieren();
    TGeraet::Init();
}

void TGeraetHostmode::DeInit() {
    TGeraet::DeInit();
    StatusDetailZeigen();
}

void TGeraetHostmode::Save() {
    TGeraet::Save();
    if (!parameter_) {
        parameter_ = ParameterErzeugen();
    }
    RegistryStore& store = RegistryStore::Instance();
    const std::string key = GetRegistryKey();
    store.CreateKey(Hive::LocalMachine, key);
    store.WriteString(Hive::LocalMachine, key, "", KlassenName());
    const auto writeList = [&](const char* name, const std::vector<std::string>& lines, const char* failure) {
        if (lines.empty()) {
            store.DeleteValue(Hive::LocalMachine, key, name); // absent already is as good
            return;
        }
        if (!store.WriteBinary(Hive::LocalMachine, key, name, JoinList(lines))) {
            DebOutObj(KlassenName(), "Save", failure);
        }
    };
    writeList("Init", parameter_->initListe, "FEHLER: Kann INIT nicht in die Registry schreiben.");
    writeList("Deinit", parameter_->deinitListe, "FEHLER: Kann DEINIT nicht in die Registry schreiben.");
}

std::unique_ptr<TGeraetHostmodeParameter> TGeraetHostmode::ParameterKopie() const {
    const Locker lock(Lock());
    return parameter_->Kopie();
}

void TGeraetHostmode::EditedParameterUebernehmen() {
    const Locker lock(Lock());
    if (editedParameter_) {
        parameter_ = std::move(editedParameter_);
    }
}

void TGeraetHostmode::NachAusnahme() {
    if (CommIsOpen()) {
        CommClose();
    }
}

void TGeraetHostmode::Run() {
    imTakt_ = false;
    antwortOffen_ = false;
    if (!Hochfahren()) {
        if (!CommIsOpen()) {
            return; // the transport did not open and has said why
        }
    } else {
        Schleife();
    }
    Herunterfahren();
}

bool TGeraetHostmode::WriteAll(std::string_view bytes) {
    std::size_t written = 0;
    return CommWrite(bytes.data(), bytes.size(), written) && written == bytes.size();
}

bool TGeraetHostmode::CommReadVorhanden(char* buffer, std::size_t count, std::size_t& read) {
    return CommRead(buffer, std::min<std::size_t>(count, 1), read);
}

bool TGeraetHostmode::ReadByte(std::uint8_t& byte, bool& failed) {
    failed = false;
    if (!eingang_.empty()) {
        byte = static_cast<std::uint8_t>(eingang_.front());
        eingang_.erase(0, 1);
        return true;
    }
    char c = 0;
    std::size_t read = 0;
    failed = !CommRead(&c, 1, read);
    if (failed || read < 1) {
        return false;
    }
    byte = static_cast<std::uint8_t>(c);
    return true;
}

bool TGeraetHostmode::Vorrat(std::size_t count, bool& failed) {
    failed = false;
    char buffer[kMaxAntwort + 1];
    while (eingang_.size() < count) {
        std::size_t read = 0;
        if (!CommReadVorhanden(buffer, sizeof buffer, read)) {
            failed = true;
            return false;
        }
        if (read == 0) {
            return false;
        }
        eingang_.append(buffer, read);
    }
    return true;
}

std::string TGeraetHostmode::Entnehmen(std::size_t count) {
    count = std::min(count, eingang_.size());
    std::string taken = eingang_.substr(0, count);
    eingang_.erase(0, count);
    return taken;
}

bool TGeraetHostmode::Befehl(int channel, bool command, int& code, std::string& text, std::string_view data) {
    QUARN_ASSERT(data.size() <= kMaxText, kUnit);
    QUARN_ASSERT(channel >= 0 && channel < kKanaele, kUnit);
    code = 0;
    text.clear();
    if (data.empty()) {
        return true;
    }
    code = -1;
    bool ok = true;
    const auto fehler = [&](const char* id, const std::string& message) {
        ok = false;
        DebOutObjFmt(KlassenName(), "Befehl", "FEHLER: %s: %s [%s]", id, message.c_str(),
                     LastErrorText().c_str());
    };

    const char header[3] = {static_cast<char>(channel), static_cast<char>(command ? 1 : 0),
                            static_cast<char>(data.size() - 1)};
    std::size_t written = 0;
    if (!CommWrite(header, 3, written)) {
        fehler("1a", "Header schreiben fehlgeschlagen");
    } else if (written < 3) {
        fehler("1b", "Header unvollständig geschrieben");
    }
    if (!CommWrite(data.data(), data.size(), written)) {
        fehler("2a", "Daten schreiben fehlgeschlagen");
    } else if (written < data.size()) {
        fehler("2b", "Daten unvollständig geschrieben");
    }

    bool failed = false;
    if (!Vorrat(1, failed)) {
        fehler(failed ? "3a" : "3b", failed ? "Kanal lesen fehlgeschlagen" : "Kein Kanal empfangen");
    }
    Entnehmen(1);
    if (!Vorrat(1, failed)) {
        fehler(failed ? "4a" : "4b", failed ? "Code lesen fehlgeschlagen" : "Kein Code empfangen");
        BefehlFehlgeschlagen();
        return false; // without a code there is nothing more to read
    }
    code = static_cast<std::uint8_t>(Entnehmen(1)[0]);

    if (code >= 1 && code <= 5) {
        for (;;) {
            const std::size_t nul = eingang_.find('\0');
            if (nul != std::string::npos && nul < kMaxText) {
                text = Entnehmen(nul);
                Entnehmen(1);
                break;
            }
            if (eingang_.size() >= kMaxText) {
                text = Entnehmen(kMaxText);
                fehler("5c", "Mehr als 256 Bytes gelesen");
                break;
            }
            if (!Vorrat(eingang_.size() + 1, failed)) {
                text = Entnehmen(eingang_.size());
                fehler(failed ? "5a" : "5b", failed ? "Text lesen fehlgeschlagen" : "Textbyte fehlt");
                break;
            }
        }
    } else if (code == 6 || code == 7) {
        if (!Vorrat(1, failed)) {
            // Without the length byte the amount of data is unknown: reading on would only eat the next
            // reply, so the resynchronisation of the caller takes over.
            fehler(failed ? "6a" : "6b", failed ? "Länge lesen fehlgeschlagen" : "Keine Länge empfangen");
        } else {
            const std::size_t expected = static_cast<std::uint8_t>(Entnehmen(1)[0]) + std::size_t{1};
            if (!Vorrat(expected, failed)) {
                if (failed) {
                    fehler("7a", "Daten lesen fehlgeschlagen");
                } else {
                    char message[48];
                    std::snprintf(message, sizeof message, "%d <> %d", static_cast<int>(eingang_.size()),
                                  static_cast<int>(expected));
                    fehler("7b", message);
                }
            }
            text = Entnehmen(expected);
        }
    } else if (code != 0) {
        fehler("8", "Falsches Byte empfangen");
    }
    if (!ok) {
        BefehlFehlgeschlagen();
    }
    return ok;
}

void TGeraetHostmode::BefehlFehlgeschlagen() {
    // A reply the stop request cut short still comes; a missing or garbled one puts the stream out of step.
    if (IsTransportStopped()) {
        antwortOffen_ = true;
    } else {
        imTakt_ = false;
    }
}

bool TGeraetHostmode::Sende(int channel, bool command, int& code, std::string& text, std::string_view data) {
    while (!Befehl(channel, command, code, text, data)) {
        if (!Resync()) {
            return false;
        }
    }
    return true;
}

bool TGeraetHostmode::SchnittstelleWiederOeffnen() {
    DebOutObj(KlassenName(), "Resync", "FEHLER: Schnittstelle verloren.");
    SetStatus(TGeraetStatus::Fehler, GeraetText("Schnittstelle verloren"));
    CommClose();
    // An unplugged adapter may come back; until then each try says why it failed.
    while (Warte(kWiederOeffnenMs)) {
        if (CommOpen()) {
            return true;
        }
    }
    return false;
}

void TGeraetHostmode::FehlerZeigen() {
    const int count = GetFehlerZaehler();
    if (count > 0) {
        SetStatus(TGeraetStatus::Bereit, FormatText(GeraetText("%d Fehler"), count));
    } else {
        SetStatus(TGeraetStatus::Bereit);
    }
}

int TGeraetHostmode::GetFehlerZaehler() const {
    const Locker lock(fehlerLock_);
    return fehlerZaehler_;
}

std::string TGeraetHostmode::GetGeraeteKlasse() const {
    const Locker lock(Lock());
    return geraeteKlasse_;
}

void TGeraetHostmode::SetMonitor() {
    std::string command;
    if (monitorFlags_ & (kMonitorSUFrames | kMonitorIFrames | kMonitorUIFrames)) {
        int code = 0;
        std::string reply;
        Befehl(0, true, code, reply, "M-");
        command = "M";
        if (monitorFlags_ & kMonitorIFrames) {
            command += 'I';
        }
        if (monitorFlags_ & kMonitorUIFrames) {
            command += 'U';
        }
        if (monitorFlags_ & kMonitorSUFrames) {
            command += 'S';
        }
    } else {
        command = "MN";
    }
    DebOutObj(KlassenName(), "SetMonitor", command);
    int code = 0;
    std::string reply;
    Befehl(0, true, code, reply, command);
}

void TGeraetHostmode::AntwortrestLesen() {
    eingang_.clear(); // the start of that rest
    SetTimeouts(true);
    char byte = 0;
    std::size_t read = 0;
    for (std::size_t n = 0; n < kMaxAntwort && CommRead(&byte, 1, read) && read == 1; ++n) {
    }
    SetTimeouts(false);
    antwortOffen_ = false;
}

void TGeraetHostmode::Herunterfahren() {
    const ClosingExchange closing;
    if (CommIsOpen()) {
        DebOutObj(KlassenName(), "Run", "TNC deinitialisieren...");
        if (imTakt_ && antwortOffen_) {
            AntwortrestLesen();
        }
        // Each command waits for its reply; a TNC out of step, or one that left a command unanswered,
        // is not asked again.
        int code = 0;
        std::string reply;
        const std::unique_ptr<TGeraetHostmodeParameter> parameter = ParameterKopie();
        for (const std::string& raw : parameter->deinitListe) {
            const std::string line = TrimText(raw);
            if (line.empty() || !imTakt_) {
                continue;
            }
            DebOutObj(KlassenName(), "Run", "DeInit " + line);
            Befehl(0, true, code, reply, std::string_view(line).substr(0, kMaxText));
        }
        for (const char* command : {"MN", "Z3", "S0"}) {
            if (imTakt_) {
                Befehl(0, true, code, reply, command);
            }
        }
        DebOutObj(KlassenName(), "Run", "TNC in den Terminalmodus schalten...");
        if (!WriteAll(std::string_view("\x00\x01\x05JHOST0", 9))) {
            DebOutObj(KlassenName(), "Run", "FEHLER beim Schalten in den Terminalmodus.");
        }
    }
    DebOutObj(KlassenName(), "Run", "Schnittstelle schließen...");
    CommClose();
}

void TGeraetHostmode::EigeneRufzeichenGeaendert() {
    const std::vector<TEigenesRufzeichen> calls = EigeneRufzeichenHolen();
    std::vector<std::string> list;
    for (std::size_t round = 0;; ++round) {
        bool added = false;
        for (const TEigenesRufzeichen& call : calls) {
            if (call.ssids.size() > round) {
                const int ssid = call.ssids[round];
                std::string text = ssid == 0 ? call.call : call.call + "-" + std::to_string(ssid);
                added = true;
                // It would not fit the "I" command, or names an SSID no station can have.
                if (!TRufzeichen(text).IsValid()) {
                    DebOutObj(KlassenName(), "EigeneRufzeichenGeaendert",
                              "FEHLER: Rufzeichen \"" + text + "\" übersprungen.");
                    continue;
                }
                list.push_back(std::move(text));
            }
        }
        if (!added) {
            break;
        }
    }
    const Locker lock(rufLock_);
    eigeneRufzeichen_ = std::move(list);
}

void TGeraetHostmode::EigeneRufzeichenNotify() {
    EigeneRufzeichenGeaendert();
    PostMessage(msg_eigenerufzeichen);
}

std::vector<std::string> TGeraetHostmode::EigeneRufzeichen() const {
    const Locker lock(rufLock_);
    return eigeneRufzeichen_;
}

bool TGeraetHostmode::MonitorKopfLesen(std::string_view text) {
    return quarn::MonitorKopfLesen(text, GetNummer(), monitorFrame_);
}

} // namespace quarn
