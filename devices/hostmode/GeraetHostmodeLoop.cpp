// The host-mode device between start-up and shut-down: the 50 ms cycle that polls the TNC for link
// status, monitored frames and received data, and the thread messages of the set-up.
#include "devices/FunkKanalU.h"
#include "devices/hostmode/GeraetHostmodeText.h"
#include "devices/hostmode/GeraetHostmodeU.h"
#include "devices/hostmode/HostmodeLinkStatus.h"
#include "devices/channel/KanaeleU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/QueueU.h"
#include "platform/Clock.h"
#include "platform/ThreadMessageQueue.h"
#include "platform/WaitForAny.h"
#include "stations/MyCallsU.h"

#include <algorithm>
#include <thread>

namespace quarn {

namespace {

constexpr int kLetzterKanal = 255;
constexpr std::string_view kNotSentInit = "CDIMQY";

} // namespace

// Tells its device when the own-call list changed; the device may be gone by then.
class TEigeneRufzeichenSubscriber final : public ISubscriber {
public:
    explicit TEigeneRufzeichenSubscriber(std::weak_ptr<TGeraetHostmode> device)
        : device_(std::move(device)) {}
    void Notify(void*) override {
        if (const std::shared_ptr<TGeraetHostmode> device = device_.lock()) {
            device->EigeneRufzeichenNotify();
        }
    }

private:
    std::weak_ptr<TGeraetHostmode> device_;
};

void TGeraetHostmode::EigeneRufzeichenAbonnieren() {
    if (rufSubscriber_) {
        return;
    }
    const std::shared_ptr<TMyCalls> calls = MyCalls();
    const auto self = std::static_pointer_cast<TGeraetHostmode>(weak_from_this().lock());
    if (calls && self) {
        rufSubscriber_ = std::make_shared<TEigeneRufzeichenSubscriber>(self);
        calls->Subscribe(rufSubscriber_);
    }
}

void TGeraetHostmode::Schleife() {
    // Every start, and so every restart after a change of settings, begins with a full check.
    pollZaehler_ = 0;
    statusZeitGesetzt_ = false;
    headerPending_ = false;
    while (!IsTerminated()) {
        Zyklus();
        // The pause is only for a TNC with nothing for us: with more waiting, or frames just sent
        // whose echo or acknowledgement is on its way, the next cycle follows at once. A thread
        // message ends the pause early.
        if (mehrArbeit_) {
            std::this_thread::yield();
        } else if (!Pause()) {
            break;
        }
    }
    VerbindungenSpeichern();
}

bool TGeraetHostmode::Pause() {
    if (IsTerminated()) {
        return false;
    }
    // A line put into an idle link's queue ends the pause as a thread message does.
    std::vector<std::shared_ptr<IVerbindung>> idle;
    std::vector<WaitHandle> handles{StopEvent(), QuitEvent()};
    for (int c = 1; c < kKanaele; ++c) {
        if (IstLinkKanal(c)) {
            std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c);
            if (connection && FrischeDaten(c)) {
                return true; // queued after its link's status visit: no pause
            }
            if (connection && connection->GetTransmitQueue().IsEmpty()) {
                handles.emplace_back(connection->GetTransmitQueue().NotEmptyEvent());
                idle.push_back(std::move(connection));
            }
        }
    }
    const std::uint64_t ende = Clock().NowMs() + kZyklusMs;
    for (std::uint64_t jetzt = Clock().NowMs(); jetzt < ende; jetzt = Clock().NowMs()) {
        const auto scheibe = static_cast<std::uint32_t>(std::min<std::uint64_t>(ende - jetzt, kZyklusMs));
        const int woken = MsgWaitForAny(handles, Messages(), scheibe);
        if (woken == 0 || woken == 1) {
            return false;
        }
        if (woken != kWaitTimeout) {
            break;
        }
    }
    return !IsTerminated();
}

void TGeraetHostmode::NachrichtenBehandeln() {
    for (int i = 0; i < kNachrichtenJeBlick && !IsTerminated(); ++i) {
        const std::optional<ThreadMessage> message = Messages().Peek(true);
        if (!message) {
            break;
        }
        NachrichtBehandeln(*message);
    }
}

void TGeraetHostmode::Zyklus() {
    mehrArbeit_ = false;
    // What came while the TNC was busy goes first: a connect, a disconnect or a typed line does not
    // wait for a round over every channel.
    Zwischendurch(-1);
    const int zaehler = pollZaehler_;
    const bool fullCheck = zaehler < 1 || zaehler > 50;
    pollZaehler_ = fullCheck ? 1 : zaehler + 1;
    if (fullCheck) {
        if (const TConfig* config = Config()) {
            const std::int32_t flags = config->GetMonitorFlags();
            if (flags != monitorFlags_) {
                monitorFlags_ = flags;
                SetMonitor();
            }
        }
    }
    std::vector<int> liste;
    if (extended_ && !fullCheck) {
        int code = 0;
        std::string reply;
        if (!Sende(kLetzterKanal, true, code, reply, "G")) {
            DebOutObj(KlassenName(), "Run", "Terminated, break. (1)");
            return;
        }
        for (const char byte : reply) {
            liste.push_back(static_cast<std::uint8_t>(byte) - 1);
        }
        // Whatever was pending may have grown while it was read: the next cycle asks again at once.
        mehrArbeit_ = !liste.empty();
    } else {
        liste = PollListe(fullCheck);
    }
    for (const int c : liste) {
        if (IsTerminated()) {
            return;
        }
        if (c >= 0 && c < kKanaele && KanalAbfragen(c, fullCheck)) {
            mehrArbeit_ = true;
        }
        Zwischendurch(-1);
        std::this_thread::yield();
    }
    if (IsTerminated()) {
        return;
    }
    StatusDurchlauf();
    WiedervorlagePosten();
    NachrichtenBehandeln();
}

bool TGeraetHostmode::IstLinkKanal(int c) const {
    return (c >= 1 && c <= kanalAnzahl_) || (c > 0 && c == pactorKanal_);
}

std::vector<int> TGeraetHostmode::PollListe(bool fullCheck) {
    // The extended poll names the channels with something pending; its full check asks every link.
    std::vector<int> liste;
    for (int c = extended_ ? 1 : 0; c <= kanalAnzahl_; ++c) {
        liste.push_back(c);
    }
    if (pactorKanal_ > kanalAnzahl_) {
        liste.push_back(pactorKanal_);
    }
    return liste;
}

bool TGeraetHostmode::KanalAbfragen(int c, bool fullCheck) {
    int code = 0;
    std::string text;
    if (c > kanalAnzahl_ && !IstLinkKanal(c)) {
        // Not a channel the device serves: what waits there is read away.
        for (int i = 0; i < kPollsKanal; ++i) {
            if (!Sende(c, true, code, text, "G")) {
                return false;
            }
        }
        return false;
    }
    bool check = fullCheck && c != 0;
    std::optional<std::string> connectedTo;
    if (check) {
        bool known = false;
        connectedTo = TNCKanalConnectedTo(c, known);
        check = known;
    }
    const int polls = c == 0 ? kPollsKanal0 : kPollsKanal;
    return KanalLesen(c, polls, check, connectedTo, true);
}

bool TGeraetHostmode::FrischeDaten(int c) const {
    if (sendetSchon_[static_cast<std::size_t>(c)]) {
        return false;
    }
    const std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c);
    return connection && !connection->GetTransmitQueue().IsEmpty();
}

void TGeraetHostmode::Zwischendurch(int aktiv) {
    if (zwischendurch_) {
        return;
    }
    zwischendurch_ = true;
    NachrichtenBehandeln();
    for (int c = 1; c < kKanaele && !IsTerminated(); ++c) {
        if (c == aktiv || !IstLinkKanal(c)) {
            continue;
        }
        const std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c);
        if (!connection) {
            continue;
        }
        if (FrischeDaten(c)) {
            KanalStatus(c, connection, false);
        } else if (aktiv < 0 && connection->GetState() == 2) {
            // A connect the TNC took: its report is read now and then, not only when a round over
            // every channel reaches it.
            const std::uint64_t jetzt = Clock().NowMs();
            std::uint64_t& zuletzt = verbindetGefragt_[static_cast<std::size_t>(c)];
            if (zuletzt == 0 || jetzt - zuletzt >= kVerbindetFrageMs) {
                zuletzt = jetzt;
                bool check = false;
                KanalLesen(c, kPollsKanal, check, std::nullopt, false);
            }
        }
    }
    zwischendurch_ = false;
}

bool TGeraetHostmode::KanalLesen(int c, int polls, bool& check, const std::optional<std::string>& connectedTo,
                                 bool zwischendurch) {
    int code = 0;
    std::string text;
    for (int i = 0; i < polls; ++i) {
        if (IsTerminated()) {
            return false;
        }
        if (zwischendurch && i > 0) {
            // A reply typed or made meanwhile goes out between two polls, not after the round.
            if (IstLinkKanal(c) && FrischeDaten(c)) {
                return true; // its own channel: served right after, the rest is read next cycle
            }
            Zwischendurch(c);
        }
        if (!Befehl(c, true, code, text, "G")) {
            DebOutObjFmt(KlassenName(), "Run", "Fehler beim Abfragen von Kanal %d (1)", c);
            if (!Resync()) {
                return false;
            }
            if (code == 0 || (code >= 3 && code <= 7)) {
                continue; // the reply may be incomplete: it is dropped
            }
        }
        if (!AntwortBehandeln(c, code, text, check, connectedTo)) {
            return false;
        }
    }
    return true; // every poll brought something: there may be more
}

bool TGeraetHostmode::AntwortBehandeln(int c, int code, const std::string& text, bool& fullCheck,
                                       const std::optional<std::string>& connectedTo) {
    constexpr std::int32_t kMonitorFrames = kMonitorSUFrames | kMonitorIFrames | kMonitorUIFrames;
    switch (code) {
    case 0:
        if (fullCheck) {
            FullCheckAbschliessen(c, connectedTo);
        }
        return false;
    case 3:
        fullCheck = false; // the link changes under the comparison
        DebOutObj(KlassenName(), "Run", "Verbindungsstatus: " + text);
        if (text.empty()) {
            Resync();
            return false;
        }
        LinkStatusBehandeln(c, text);
        return true;
    case 4:
        if ((monitorFlags_ & kMonitorSUFrames) && MonitorKopfLesen(text)) {
            MonitorAnzeigen({});
        }
        return true;
    case 5:
        if (monitorFlags_ & kMonitorFrames) {
            headerPending_ = MonitorKopfLesen(text);
            if (headerPending_ && monitorFrame_.kind == 1) {
                if (!(monitorFlags_ & kMonitorIFrames)) {
                    headerPending_ = false;
                } else if (!(monitorFlags_ & kMonitorIInformation)) {
                    MonitorAnzeigen({});
                    headerPending_ = false;
                }
            } else if (headerPending_ && monitorFrame_.kind == 10 && !(monitorFlags_ & kMonitorUIFrames)) {
                headerPending_ = false;
            }
        }
        return true;
    case 6:
        if ((monitorFlags_ & kMonitorFrames) && headerPending_) {
            MonitorAnzeigen(text);
            headerPending_ = false;
        }
        return true;
    case 7:
        fullCheck = false;
        DatenEmpfangen(c, text);
        return true;
    default:
        DebOutObjFmt(KlassenName(), "Run", "Fehler beim Abfragen von Kanal %d (2)", c);
        return Resync();
    }
}

void TGeraetHostmode::FullCheckAbschliessen(int c, const std::optional<std::string>& connectedTo) {
    const std::string tnc = connectedTo.value_or(std::string());
    if (const std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c)) {
        // A connect being set up has no report yet to compare with.
        if (connection->GetState() != 2 &&
            PfadNormalisiert(connection->Get_RealPath()) != PfadNormalisiert(tnc)) {
            DebOutObj(KlassenName(), "Run", "FULLCHECK: TNCKanalConnectedTo = " + tnc);
            DebOutObj(KlassenName(), "Run", "FULLCHECK: RealPath = " + connection->Get_RealPath());
            VerbindungBeenden(c, 1, true);
        }
    } else if (IstGetoetet(c)) {
        if (!connectedTo) {
            GetoetetSetzen(c, false); // the killed link is gone at last
        }
    } else if (!tnc.empty()) {
        DebOutObj(KlassenName(), "Run", "FULLCHECK: Verbindung aufgetaucht.");
        Verbunden(c, tnc, false);
    }
    if (const std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c)) {
        connection->SetFernsteuerung(true);
    }
}

void TGeraetHostmode::DatenEmpfangen(int c, const std::string& text) {
    if (IstGetoetet(c)) {
        DebOutObjFmt(KlassenName(), "Run", "Daten auf getrenntem Kanal %d verworfen.", c);
        return;
    }
    std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c);
    if (!connection || connection->GetState() == 2) {
        DebOutObj(KlassenName(), "Run", "WARNUNG: AX25-Daten ohne vs_connected");
        bool known = false;
        const std::optional<std::string> path = TNCKanalConnectedTo(c, known);
        Verbunden(c, path.value_or(std::string()), false);
        connection = GetKanalVerbindung(c);
    }
    if (!connection) {
        DebOutObj(KlassenName(), "Run", "Fehler bei EmpfangeText");
        return;
    }
    connection->EmpfangeText(text);
}

void TGeraetHostmode::MonitorAnzeigen(std::string_view information) {
    monitorFrame_.information = std::string(information);
    MonitorFrameZeigen(monitorFrame_);
}

void TGeraetHostmode::MonitorFrameZeigen(const TMonitorFrame& frame) {
    if (TKanaele* channels = TKanaele::Instance()) {
        channels->MonitorZeile(frame);
    }
}

std::optional<std::string> TGeraetHostmode::TNCKanalConnectedTo(int c, bool& known) {
    int code = 0;
    std::string text;
    known = Sende(c, true, code, text, "C") && code == 1;
    if (!known) {
        return std::nullopt;
    }
    return ConnectedToAus(text);
}

std::string TGeraetHostmode::GetConnectPath(std::string_view text) const {
    DebOutObj(KlassenName(), "GetConnectPath", "Eingabe: " + std::string(text));
    std::string path = ConnectPathAus(text);
    DebOutObj(KlassenName(), "GetConnectPath", "Ausgabe: " + path);
    return path;
}

void TGeraetHostmode::NachrichtBehandeln(const ThreadMessage& message) {
    switch (message.message) {
    case msg_trennen:
        TrennenNachricht(static_cast<int>(message.wParam));
        break;
    case msg_init:
        InitSenden();
        break;
    case msg_verbinden:
        VerbindenBehandeln(message);
        break;
    case msg_uiframe:
        UIFrameSenden(message);
        break;
    case msg_pactorbreakin:
        PactorBefehl(message, "%I", "Pactor BreakIn");
        break;
    case msg_pactorchangeover:
        PactorBefehl(message, "%O", "Pactor ChangeOver");
        break;
    case msg_eigenerufzeichen:
        DebOutObj(KlassenName(), "Run", "msg_eigenerufzeichen empfangen");
        EigeneRufzeichenSetzen(true);
        break;
    default:
        DebOutObjFmt(KlassenName().c_str(), "Run", "unbekannte Message $%x empfangen.", message.message);
        break;
    }
}

void TGeraetHostmode::InitSenden() {
    int code = 0;
    std::string reply;
    if (!Sende(0, true, code, reply, "U0")) {
        return;
    }
    std::string report;
    const std::unique_ptr<TGeraetHostmodeParameter> parameter = ParameterKopie();
    for (const std::string& raw : parameter->initListe) {
        const std::string line = TrimText(raw);
        report += "  " + line + ": ";
        // Commands that would change channels, calls or the monitor behind the device's back.
        const bool ignored =
            !line.empty() && kNotSentInit.find(UpperText(line.substr(0, 1))[0]) != std::string_view::npos;
        if (ignored) {
            report += "ignoriert";
        } else if (!line.empty()) {
            if (!Sende(0, true, code, reply, std::string_view(line).substr(0, 256))) {
                return;
            }
            report += reply.empty() ? std::string("ok") : "\"" + reply + "\"";
        }
        report += '\r';
    }
    if (monitorFlags_ & kMonitorNotices) {
        MonitorMeldung("[TNC " + GetStatusDetail() + ": Init]", report);
    }
}

void TGeraetHostmode::MonitorMeldung(std::string_view header, std::string_view text) {
    DebOutObj(KlassenName(), "MonitorMeldung", std::string(header) + " " + std::string(text));
    if (TKanaele* channels = TKanaele::Instance()) {
        channels->MonitorMeldung(header, text);
    }
}

std::vector<TEigenesRufzeichen> TGeraetHostmode::EigeneRufzeichenHolen() const {
    std::vector<TEigenesRufzeichen> result;
    if (const std::shared_ptr<TMyCalls> calls = MyCalls()) {
        for (const TMyCall& call : calls->Kopie()) {
            result.push_back({call.GetCall(), call.GetSSIDs()});
        }
    }
    return result;
}

std::shared_ptr<IFunkKanal> TGeraetHostmode::FunkKanalErzeugen(const TFunkKanalEintrag& eintrag) {
    auto port = std::make_shared<TFunkKanal>(weak_from_this());
    port->SetBezeichnung(eintrag.bezeichnung);
    port->SetNummer(eintrag.nummer);
    port->SetName(eintrag.name);
    return port;
}

std::array<std::optional<TFunkKanalEintrag>, TGeraetHostmode::kFunkKanaele>
TGeraetHostmode::GetFunkKanalEintraege() const {
    const Locker lock(funkLock_);
    return funkEintraege_;
}

int TGeraetHostmode::GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>& ports, int capacity) {
    const Locker lock(funkLock_);
    int count = 0;
    for (const std::shared_ptr<IFunkKanal>& port : funkKanaele_) {
        if (port && count < capacity) {
            ports.push_back(port);
            ++count;
        }
    }
    return count;
}

} // namespace quarn
