// Outgoing connects of the host-mode device, UI frames and the Pactor commands: the GUI-thread
// operations and their thread messages.
//
// A connect request is shared between the caller and the device thread. The caller waits for it up to
// its deadline and then gives up; from then on the device thread must neither store nor signal, and a
// link the TNC accepted meanwhile is disconnected at once, so no link lives on without an owner. Which
// side decides is settled under the request's mutex: the device commits only while the caller still
// waits, the caller gives up only while nothing was committed.
#include "devices/SsidIteratorU.h"
#include "devices/VerbindenLaeuft.h"
#include "devices/VerbindungFabrik.h"
#include "devices/hostmode/GeraetHostmodeText.h"
#include "devices/hostmode/GeraetHostmodeU.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/ThreadMessageQueue.h"
#include "platform/WaitForAny.h"

#include <QCursor>
#include <QGuiApplication>

#include <mutex>
#include <vector>

namespace quarn {

namespace {

// How long a caller waits for the device thread to take up its connect.
constexpr std::uint64_t kVerbindenFristMs = 8000;
constexpr std::uint32_t kWarteSchrittMs = 50;
constexpr int kPactorPortNummer = 255;

// The hourglass while a GUI-thread caller waits.
class WarteCursor {
public:
    WarteCursor() : aktiv_(IsGuiThread() && QGuiApplication::instance() != nullptr) {
        if (aktiv_) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        }
    }
    ~WarteCursor() {
        if (aktiv_) {
            QGuiApplication::restoreOverrideCursor();
        }
    }
    WarteCursor(const WarteCursor&) = delete;
    WarteCursor& operator=(const WarteCursor&) = delete;

private:
    bool aktiv_;
};

std::string PortPrefix(int portNummer) {
    return portNummer >= 0 ? std::to_string(portNummer) + ":" : std::string();
}

bool IstSimult(std::string_view reply) {
    return StartsWithNoCase(reply, "*** SIMULT");
}

} // namespace

struct TGeraetHostmode::TVerbindenAuftrag {
    std::shared_ptr<IVerbindung> verbindung;
    std::shared_ptr<IFunkKanal> port;
    std::string eigenesRufzeichen; // the own call the SSID walk starts from
    std::uint64_t fristMs = 0;     // on the 64-bit monotonic clock
    Event fertig{EventReset::Manual};
    std::atomic<bool> abandoned{false};
    std::mutex mutex; // guards the decision: result, fertig, abandoned
    TConnectResult result = TConnectResult::UnknownError;

    // The caller left, or will leave at its next step.
    bool Abgelaufen() const { return abandoned.load() || Clock().NowMs() >= fristMs; }
};

struct TGeraetHostmode::TUIFrame {
    std::string eigenesRufzeichen;
    std::string ziel;
    std::string text;
    int portNummer = -1;
};

// ---- GUI thread ----

TConnectResult TGeraetHostmode::Verbinde(const std::shared_ptr<IFunkKanal>& port, std::string& path,
                                         std::shared_ptr<IVerbindung>& connection,
                                         const std::shared_ptr<IKanal>& channel, std::string& myCall) {
    const std::string cls = KlassenName();
    connection.reset();
    const TVerbindenMarke marke(channel.get());
    if (marke.Belegt()) {
        DebOutObj(cls, "Verbinde", "Auf diesem Kanal wartet schon ein Verbindungswunsch.");
        return TConnectResult::ChannelConnected;
    }

    auto auftrag = std::make_shared<TVerbindenAuftrag>();
    auftrag->verbindung = VerbindungErzeugen(shared_from_this());
    auftrag->verbindung->Set_Path(path);
    auftrag->verbindung->Set_RealPath(path);
    auftrag->verbindung->Set_MyCall(myCall);
    auftrag->verbindung->SetAusgehend(true);
    auftrag->port = port;
    auftrag->eigenesRufzeichen = myCall;
    auftrag->fristMs = Clock().NowMs() + kVerbindenFristMs;

    const WarteCursor cursor;
    DebOutObj(cls, "Verbinde", "Sende msg_verbinden...");
    const bool posted = PostMessage(msg_verbinden, static_cast<std::uintptr_t>(auftrag->fristMs), 0, auftrag);

    const bool gui = IsGuiThread();
    TConnectResult result = TConnectResult::DeviceTimeout;
    DebOutObj(cls, "Verbinde", "Warte auf Event...");
    for (;;) {
        if (posted) {
            if (gui) {
                DispatchPendingSynchronizeCalls();
                ProcessPaintMessages();
                WaitForAny({auftrag->fertig, PendingSynchronizeCallsEvent()}, kWarteSchrittMs);
            } else {
                auftrag->fertig.Wait(kWarteSchrittMs);
            }
        }
        const std::lock_guard lock(auftrag->mutex);
        if (auftrag->fertig.IsSet()) {
            result = auftrag->result;
            break;
        }
        // A device thread that is gone answers nothing any more.
        if (!posted || !HasThread() || auftrag->Abgelaufen()) {
            DebOutObj(cls, "Verbinde", "Event: Timeout");
            auftrag->abandoned = true;
            result = TConnectResult::DeviceTimeout;
            break;
        }
    }

    if (result != TConnectResult::Connected) {
        auftrag->verbindung->Release();
        return result;
    }
    connection = auftrag->verbindung;
    path = connection->Get_Call();
    myCall = connection->Get_MyCall();
    connection->SetKanal(std::dynamic_pointer_cast<IKanalFuerVerbindung>(channel));
    return result;
}

bool TGeraetHostmode::SendUI(const std::shared_ptr<IFunkKanal>& port, std::string_view destination,
                             std::string_view myCall, std::string_view text) {
    DebOutObj(KlassenName(), "SendUI", destination);
    if (text.empty()) {
        return false;
    }
    auto frame = std::make_shared<TUIFrame>();
    frame->eigenesRufzeichen = std::string(myCall);
    frame->ziel = std::string(destination);
    frame->text = std::string(text);
    frame->portNummer = port ? port->GetNummer() : -1;
    return PostMessage(msg_uiframe, 0, 0, std::shared_ptr<const TUIFrame>(std::move(frame)));
}

void TGeraetHostmode::PactorBreakIn(const std::shared_ptr<IVerbindung>& connection) {
    if (connection) {
        PostMessage(msg_pactorbreakin, static_cast<std::uintptr_t>(connection->Get_Handle()));
    }
}

void TGeraetHostmode::PactorChangeOver(const std::shared_ptr<IVerbindung>& connection) {
    if (connection) {
        PostMessage(msg_pactorchangeover, static_cast<std::uintptr_t>(connection->Get_Handle()));
    }
}

// ---- device thread ----

void TGeraetHostmode::WiedervorlagePosten() {
    std::vector<std::shared_ptr<TVerbindenAuftrag>> requests;
    requests.swap(wiedervorlage_);
    for (std::shared_ptr<TVerbindenAuftrag>& auftrag : requests) {
        const auto deadline = static_cast<std::uintptr_t>(auftrag->fristMs);
        Messages().Post(ThreadMessage{msg_verbinden, deadline, 0, std::move(auftrag)});
    }
}

void TGeraetHostmode::VerbindenBehandeln(const ThreadMessage& message) {
    const std::string cls = KlassenName();
    const auto* payload = std::any_cast<std::shared_ptr<TVerbindenAuftrag>>(&message.payload);
    if (payload == nullptr || !*payload || !(*payload)->verbindung) {
        DebOutObj(cls, "Run", "msg_verbinden ohne Auftrag verworfen.");
        return;
    }
    const std::shared_ptr<TVerbindenAuftrag> auftrag = *payload;
    if (auftrag->Abgelaufen()) {
        DebOutObj(cls, "Run", "msg_verbinden empfangen (abgelaufen)");
        return;
    }
    DebOutObj(cls, "Run", "msg_verbinden empfangen (gut und frisch)");
    const int portNummer = auftrag->port ? auftrag->port->GetNummer() : -1;
    const TVerbindenErgebnis ergebnis = pactorKanal_ >= 0 && portNummer == kPactorPortNummer
                                            ? PactorVerbinden(*auftrag)
                                            : PacketVerbinden(*auftrag, portNummer);
    if (ergebnis.gestoppt) {
        return; // the caller sees the thread end and gives up
    }
    if (ergebnis.zurueck) {
        wiedervorlage_.push_back(auftrag);
        return;
    }
    VerbindenAbschliessen(auftrag, ergebnis);
}

TGeraetHostmode::TVerbindenErgebnis TGeraetHostmode::PactorVerbinden(TVerbindenAuftrag& auftrag) {
    const std::string cls = KlassenName();
    TVerbindenErgebnis ergebnis;
    int code = 0;
    std::string reply;
    if (!Sende(pactorKanal_, true, code, reply, "C")) {
        ergebnis.gestoppt = true;
        return ergebnis;
    }
    if (IstSimult(reply)) {
        ergebnis.result = TConnectResult::ModesNotTogether;
    } else if (StartsWithNoCase(reply, "CHANNEL NO")) {
        if (GetKanalVerbindung(pactorKanal_)) {
            ergebnis.zurueck = true;
            return ergebnis;
        }
        VerbindenAufKanal(auftrag, pactorKanal_, auftrag.verbindung->Get_Path(), ergebnis);
        if (ergebnis.linked >= 0) {
            auftrag.verbindung->SetPactor(true);
        }
    } else {
        ergebnis.result = TConnectResult::ChannelConnected; // the Pactor link is busy
    }
    return ergebnis;
}

TGeraetHostmode::TVerbindenErgebnis TGeraetHostmode::PacketVerbinden(TVerbindenAuftrag& auftrag,
                                                                     int portNummer) {
    const std::string cls = KlassenName();
    TVerbindenErgebnis ergebnis;
    const std::string path = PortPrefix(portNummer) + auftrag.verbindung->Get_Path();
    // Channels whose entry holds a link are asked last: with many links up, a connect does not ask
    // each of them before it finds a free one. A killed link's channel counts as taken until its end
    // is read: the TNC may call it free while its report of that end still waits, which would end the
    // new link.
    const auto genommen = [this](int channel) { return GetKanalVerbindung(channel) || IstGetoetet(channel); };
    std::vector<int> reihe;
    std::vector<int> belegt;
    for (int channel = kanalAnzahl_; channel >= 1; --channel) {
        if (channel != pactorKanal_) {
            (genommen(channel) ? belegt : reihe).push_back(channel);
        }
    }
    reihe.insert(reihe.end(), belegt.begin(), belegt.end());
    for (const int channel : reihe) {
        if (auftrag.Abgelaufen()) {
            return ergebnis; // nobody waits for the rest of the walk
        }
        int code = 0;
        std::string reply;
        if (!Sende(channel, true, code, reply, "C")) {
            ergebnis.gestoppt = true;
            return ergebnis;
        }
        if (IstSimult(reply)) {
            ergebnis.result = TConnectResult::ModesNotTogether;
            return ergebnis;
        }
        if (!StartsWithNoCase(reply, "CHANNEL NO")) {
            continue; // in use
        }
        if (genommen(channel)) {
            ergebnis.zurueck = true;
            return ergebnis;
        }
        TSsidIterator ssid(auftrag.eigenesRufzeichen);
        for (bool more = !ssid.Eof(); more; more = ssid.Next()) {
            auftrag.verbindung->Set_MyCall(ssid.GetText());
            if (!VerbindenAufKanal(auftrag, channel, path, ergebnis)) {
                continue;
            }
            return ergebnis;
        }
        DebOutObj(cls, "Run", "Keine freie SSID gefunden.");
        ergebnis.result = TConnectResult::NoFreeSsid;
        return ergebnis;
    }
    return ergebnis;
}

bool TGeraetHostmode::VerbindenAufKanal(TVerbindenAuftrag& auftrag, int channel, const std::string& path,
                                        TVerbindenErgebnis& ergebnis) {
    const std::string cls = KlassenName();
    const std::string myCall = auftrag.verbindung->Get_MyCall();
    const std::string eigenes = "I " + myCall;
    const std::string verbinden = "C" + path;
    // A frame carries 256 bytes at most: a longer path cannot be sent at all.
    if (eigenes.size() > kMaxText || verbinden.size() > kMaxText) {
        DebOutObj(cls, "Run", "Connect fehlgeschlagen (Pfad zu lang)");
        ergebnis.result = TConnectResult::DeviceError;
        return true;
    }
    int code = 0;
    std::string reply;
    DebOutObj(cls, "Run", "Verwende MyCall " + myCall);
    if (!Sende(channel, true, code, reply, eigenes)) {
        ergebnis.gestoppt = true;
        return true;
    }
    if (code > 0 || !reply.empty()) {
        DebOutObj(cls, "Run", "MyCall-setzen fehlgeschlagen (" + reply + ")");
    }
    if (auftrag.Abgelaufen()) {
        return true; // no link for a caller who left
    }
    DebOutObj(cls, "Run", "Connecte...: " + path);
    if (!Sende(channel, true, code, reply, verbinden)) {
        ergebnis.gestoppt = true;
        return true;
    }
    if (code == 0) {
        DebOutObj(cls, "Run", "Connect erfolgreich.");
        auftrag.verbindung->Set_Handle(channel);
        ergebnis.linked = channel;
        ergebnis.result = TConnectResult::Connected;
        return true;
    }
    if (StartsWithNoCase(reply, "STATION AL")) {
        DebOutObj(cls, "Run", "Station bereits verbunden...");
        return false;
    }
    if (IstSimult(reply)) {
        ergebnis.result = TConnectResult::ModesNotTogether;
        return true;
    }
    DebOutObj(cls, "Run", "Connect fehlgeschlagen (" + reply + ")");
    auftrag.verbindung->Getrennt(1);
    ergebnis.result = TConnectResult::DeviceError;
    return true;
}

void TGeraetHostmode::VerbindenAbschliessen(const std::shared_ptr<TVerbindenAuftrag>& auftrag,
                                            const TVerbindenErgebnis& ergebnis) {
    {
        const std::lock_guard lock(auftrag->mutex);
        if (!auftrag->Abgelaufen()) {
            const bool eingetragen =
                ergebnis.linked < 0 || KanalEintragen(ergebnis.linked, auftrag->verbindung);
            auftrag->result = eingetragen ? ergebnis.result : TConnectResult::DeviceError;
            auftrag->fertig.Set();
            if (eingetragen) {
                return;
            }
        } else {
            // Past the deadline the caller gives up, if it has not already: nothing may be stored.
            auftrag->abandoned = true;
            if (ergebnis.linked < 0) {
                return;
            }
            // Until the TNC reports the channel down, its reports and data must not raise an incoming
            // link.
            GetoetetSetzen(ergebnis.linked, true);
        }
    }
    // Nobody serves this link: the caller gave up, or the channel's entry was taken meanwhile (and its
    // owner keeps it). End it before the station starts talking into the void.
    DebOutObjFmt(KlassenName().c_str(), "Run", "Connect ohne Abnehmer: Kanal %d wird getrennt.",
                 ergebnis.linked);
    int code = 0;
    std::string reply;
    Sende(ergebnis.linked, true, code, reply, "D");
}

void TGeraetHostmode::UIFrameSenden(const ThreadMessage& message) {
    const std::string cls = KlassenName();
    DebOutObj(cls, "Run", "msg_uiframe empfangen.");
    const auto* payload = std::any_cast<std::shared_ptr<const TUIFrame>>(&message.payload);
    if (payload == nullptr || !*payload) {
        return;
    }
    const TUIFrame& frame = **payload;
    const std::string path = PortPrefix(frame.portNummer) + frame.ziel;
    DebOutObj(cls, "Run", path);
    const std::string eigenes = "I" + frame.eigenesRufzeichen;
    const std::string ziel = "C" + path;
    if (eigenes.size() > kMaxText || ziel.size() > kMaxText) {
        DebOutObj(cls, "Run", "UI-Frame verworfen (Pfad zu lang)");
        return;
    }
    int code = 0;
    std::string reply;
    if (!Sende(0, true, code, reply, eigenes) || !Sende(0, true, code, reply, ziel)) {
        return;
    }
    for (std::size_t start = 0; start < frame.text.size(); start += kMaxText) {
        if (!Sende(0, false, code, reply, std::string_view(frame.text).substr(start, kMaxText))) {
            return;
        }
    }
    // The call given on channel 0 became the call of every idle channel: give them their own back.
    const std::vector<std::string> calls = EigeneRufzeichen();
    if (!calls.empty() && UpperText(frame.eigenesRufzeichen) != UpperText(calls.front())) {
        EigeneRufzeichenSetzen(true);
    }
}

void TGeraetHostmode::PactorBefehl(const ThreadMessage& message, std::string_view command,
                                   std::string_view name) {
    const auto channel = static_cast<int>(message.wParam);
    if (message.wParam >= static_cast<std::uintptr_t>(kKanaele)) {
        DebOutObjFmt(KlassenName().c_str(), "Run", "Pactor: Kanal %d nicht gültig.", channel);
        return;
    }
    int code = 0;
    std::string reply;
    if (!Sende(channel, true, code, reply, command)) {
        return;
    }
    if (monitorFlags_ & kMonitorNotices) {
        MonitorMeldung("[TNC " + GetStatusDetail() + ": " + std::string(name) + "]", reply);
    }
}

} // namespace quarn
