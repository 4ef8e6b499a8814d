// The connections of a host-mode device: the entry table of its TNC channels, link-status reports,
// incoming links, disconnects, the status pass with the data sent, and saving and restoring live links.
#include "devices/FunkKanalU.h"
#include "devices/hostmode/GeraetHostmodeText.h"
#include "devices/hostmode/GeraetHostmodeU.h"
#include "devices/hostmode/HostmodeLinkStatus.h"
#include "devices/VerbindungFabrik.h"
#include "foundation/DebOutU.h"
#include "foundation/QueueU.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/ThreadMessageQueue.h"

#include <algorithm>
#include <exception>
#include <thread>

namespace quarn {

namespace {

constexpr int kIgnoriertTrennen = 4;
// The TNC has no room for our frames at or below this many free buffers.
constexpr int kMinFreieBuffer = 300;
// Data is held back while this many received frames wait in the TNC.
constexpr int kMaxWartendeFrames = 7;

// A translated format with its first "%s" replaced (a translated format is never handed to printf).
std::string FormatTextS(std::string_view format, std::string_view text) {
    std::string result(format);
    const std::size_t at = result.find("%s");
    if (at != std::string::npos) {
        result.replace(at, 2, text);
    }
    return result;
}

bool GueltigerKanal(int c) {
    return c >= 0 && c < TGeraetHostmode::kKanaele;
}

} // namespace

// ---- the entry table ----

std::shared_ptr<IVerbindung> TGeraetHostmode::GetKanalVerbindung(int c) const {
    if (!GueltigerKanal(c)) {
        return nullptr;
    }
    const Locker lock(kanalLock_);
    return kanaele_[static_cast<std::size_t>(c)];
}

bool TGeraetHostmode::KanalEintragen(int c, std::shared_ptr<IVerbindung> connection) {
    if (!GueltigerKanal(c) || !connection) {
        return false;
    }
    const Locker lock(kanalLock_);
    std::shared_ptr<IVerbindung>& entry = kanaele_[static_cast<std::size_t>(c)];
    if (entry) {
        return false;
    }
    entry = std::move(connection);
    getoetet_[static_cast<std::size_t>(c)] = false; // a new link on the channel
    return true;
}

std::shared_ptr<IVerbindung> TGeraetHostmode::KanalFreigeben(int c) {
    if (!GueltigerKanal(c)) {
        return nullptr;
    }
    const Locker lock(kanalLock_);
    return std::exchange(kanaele_[static_cast<std::size_t>(c)], nullptr);
}

bool TGeraetHostmode::IstGetoetet(int c) const {
    if (!GueltigerKanal(c)) {
        return false;
    }
    const Locker lock(kanalLock_);
    return getoetet_[static_cast<std::size_t>(c)];
}

void TGeraetHostmode::GetoetetSetzen(int c, bool killed) {
    if (!GueltigerKanal(c)) {
        return;
    }
    const Locker lock(kanalLock_);
    getoetet_[static_cast<std::size_t>(c)] = killed;
}

// ---- links coming and going (device thread) ----

void TGeraetHostmode::VerbindungBeenden(int c, int reason, bool ownCalls) {
    if (const std::shared_ptr<IVerbindung> connection = KanalFreigeben(c)) {
        connection->Getrennt(reason);
        connection->Release();
    }
    if (ownCalls) {
        // The TNC gives a channel whose link ended the call of channel 0 again.
        EigeneRufzeichenSetzen(false);
    }
}

void TGeraetHostmode::LinkStatusBehandeln(int c, const std::string& text) {
    const TLinkStatus status = LinkStatusLesen(text);
    if (status.meldung == TLinkMeldung::Keine) {
        return;
    }
    const std::string path = GetConnectPath(status.rest);
    switch (status.meldung) {
    case TLinkMeldung::Busy:
        GetoetetSetzen(c, false);
        VerbindungBeenden(c, 2, true);
        break;
    case TLinkMeldung::Connected:
        Verbunden(c, path, true);
        break;
    case TLinkMeldung::LinkResetFm:
    case TLinkMeldung::LinkResetTo:
        LinkResetBehandeln(c, path);
        break;
    case TLinkMeldung::Disconnected:
        DebOutObj(KlassenName(), "Run", "DISCONNECTED fm: begin...");
        GetoetetSetzen(c, false);
        if (const std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c);
            connection && !path.empty()) {
            connection->Set_RealPath(path);
            connection->Set_Path(path);
        }
        VerbindungBeenden(c, 0, true);
        DebOutObj(KlassenName(), "Run", "DISCONNECTED fm: end.");
        break;
    case TLinkMeldung::LinkFailure:
        GetoetetSetzen(c, false);
        VerbindungBeenden(c, 1, true);
        break;
    case TLinkMeldung::FrameReject:
        if (const std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c)) {
            connection->KanalPrompt(FormatTextS(GeraetText("Frame Reject (%s)"), status.rest), 3);
        }
        break;
    case TLinkMeldung::ConnectRequest:
    case TLinkMeldung::Keine:
        break;
    }
}

void TGeraetHostmode::LinkResetBehandeln(int c, const std::string& path) {
    const std::shared_ptr<IVerbindung> old = KanalFreigeben(c);
    if (!old) {
        return;
    }
    // The link stays ours in the direction it had: no greeting, no rule for incoming links.
    const std::shared_ptr<IKanalFuerVerbindung> kanal = old->GetKanal();
    const std::string oldPath = old->Get_Path();
    const std::string myCall = old->Get_MyCall();
    const bool outgoing = old->GetAusgehend();
    const bool pactor = old->GetPactor();
    old->Getrennt(0);
    old->Release();

    const std::shared_ptr<IVerbindung> connection = VerbindungErzeugen(shared_from_this());
    connection->Set_Path(path.empty() ? oldPath : path);
    connection->Set_RealPath(path.empty() ? oldPath : path);
    connection->Set_MyCall(myCall);
    connection->Set_Handle(c);
    connection->SetAusgehend(outgoing);
    connection->SetConnectText(false);
    connection->SetPactor(pactor);
    connection->SetFernsteuerung(true);
    if (kanal) {
        connection->SetKanal(kanal);
    }
    if (!KanalEintragen(c, connection)) {
        connection->Release();
        return;
    }
    connection->Start();
}

void TGeraetHostmode::Verbunden(int c, const std::string& path, bool sendConnectText) {
    if (!GueltigerKanal(c)) {
        DebOutObj(KlassenName(), "Verbunden", "TNCKanal nicht gültig.");
        return;
    }
    if (IstGetoetet(c)) {
        DebOutObjFmt(KlassenName(), "Verbunden", "Kanal %d wurde getrennt, Verbindung ignoriert.", c);
        return;
    }
    if (const std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c)) {
        // An outgoing connect completed: the TNC's report names the path as it really runs.
        if (connection->GetState() == 2) {
            if (!path.empty()) {
                connection->Set_RealPath(path);
            }
            connection->SetConnectText(false);
            connection->Start();
            EigeneRufzeichenSetzen(false);
        }
        return;
    }
    if (path.empty()) {
        DebOutObjFmt(KlassenName(), "Verbunden", "Kanal %d: Verbindung ohne Pfad ignoriert.", c);
        return;
    }
    const std::shared_ptr<IVerbindung> connection = VerbindungErzeugen(shared_from_this());
    connection->Set_Path(path);
    connection->Set_RealPath(path);
    connection->Set_Handle(c);
    connection->SetAusgehend(false);
    connection->SetConnectText(sendConnectText);
    connection->SetPactor(c == pactorKanal_);
    EingehendeVerbindung(c, connection);
}

void TGeraetHostmode::EingehendeVerbindung(int c, const std::shared_ptr<IVerbindung>& connection) {
    const std::string call = connection->Get_Call();
    int code = 0;
    std::string reply;
    switch (connection->GetIncomingConnects()) {
    case TIncomingConnects::Accept: {
        const std::shared_ptr<IKanal> kanal = FreienKanalHolen();
        const auto fuerVerbindung = std::dynamic_pointer_cast<IKanalFuerVerbindung>(kanal);
        if (!fuerVerbindung) {
            if (kanal) {
                kanal->SetReserviert(false);
            }
            DebOutObjFmt(KlassenName(), "Verbunden",
                         "Verbindungswunsch von %s abgelehnt (kein freier Kanal).", call.c_str());
            VerbindungAbweisen(c);
            break;
        }
        connection->SetKanal(fuerVerbindung);
        if (!Sende(c, true, code, reply, "I")) {
            kanal->SetReserviert(false);
            break;
        }
        connection->Set_MyCall(reply);
        connection->SetFernsteuerung(true);
        if (!KanalEintragen(c, connection)) {
            kanal->SetReserviert(false);
            break;
        }
        connection->Start();
        EigeneRufzeichenSetzen(false);
        return;
    }
    case TIncomingConnects::Ignore:
        DebOutObjFmt(KlassenName(), "Verbunden", "Verbindungswunsch von %s ignoriert.", call.c_str());
        for (int i = 0; i < kIgnoriertTrennen; ++i) {
            if (!Sende(c, true, code, reply, "D")) {
                break;
            }
        }
        break;
    default:
        DebOutObjFmt(KlassenName(), "Verbunden", "Verbindungswunsch von %s abgelehnt.", call.c_str());
        VerbindungAbweisen(c);
        break;
    }
    connection->Release();
}

void TGeraetHostmode::VerbindungAbweisen(int c) {
    int code = 0;
    std::string reply;
    const std::string text = "<Quarn>: " + GeraetText("Alle Kanäle sind belegt.") + "\r";
    if (Sende(c, false, code, reply, std::string_view(text).substr(0, kMaxText))) {
        Sende(c, true, code, reply, "D");
    }
}

// ---- the status pass (device thread) ----

void TGeraetHostmode::StatusDurchlauf() {
    const std::uint64_t jetzt = Clock().NowMs();
    const bool refresh = !statusZeitGesetzt_ || jetzt - statusZeitMs_ >= kStatusIntervallMs;
    if (refresh) {
        statusZeitMs_ = jetzt;
        statusZeitGesetzt_ = true;
    }
    // The stop check costs system calls: it is made only before a channel that gets traffic, so an
    // idle cycle does not ask it for each of the 256 entries.
    for (int c = 0; c < kKanaele; ++c) {
        if (c > kanalAnzahl_ && c != pactorKanal_) {
            continue;
        }
        if (const std::shared_ptr<IVerbindung> connection = GetKanalVerbindung(c)) {
            if (IsTerminated()) {
                return;
            }
            KanalStatus(c, connection, refresh);
            NachrichtenBehandeln();
            std::this_thread::yield();
        }
    }
}

void TGeraetHostmode::KanalStatus(int c, const std::shared_ptr<IVerbindung>& connection, bool refresh) {
    int code = 0;
    std::string reply;
    if (!Sende(c, true, code, reply, "L")) {
        return;
    }
    const std::optional<TLinkZaehler> zaehler = LZaehlerLesen(code, reply);
    if (!zaehler) {
        DebOutObjFmt(KlassenName(), "Run", "Kanal %d: L-Antwort nicht lesbar (%d, \"%s\").", c, code,
                     reply.c_str());
        return;
    }
    // A kill on the GUI thread may have ended and released the link during the exchange.
    const auto nochDa = [&] { return GetKanalVerbindung(c) == connection; };
    if (!nochDa()) {
        return;
    }
    const std::shared_ptr<IStatus> status = connection->GetStatus();
    if (status) {
        status->SetLinkStatus(LinkStatusAusZustand(zaehler->zustand));
        status->SetOutstanding(connection->GetTransmitQueue().Count() + zaehler->ungesendet +
                               zaehler->unbestaetigt);
        status->SetTries(zaehler->versuche);
    }
    if (zaehler->meldungen != 0 || zaehler->empfangen != 0) {
        mehrArbeit_ = true;
    }
    // The data first: Maxframe and FRACK are only shown, while a reply or an echo is waited for, so
    // after frames went out they wait for the next visit (once: a transfer does not starve them).
    int& faellig = ofFaellig_[static_cast<std::size_t>(c)];
    if (refresh && faellig == 0) {
        faellig = 1;
    }
    const int gesendet = KanalSenden(c, connection, *zaehler);
    if (gesendet < 0 || faellig == 0) {
        return;
    }
    if (gesendet > 0 && faellig == 1) {
        faellig = 2;
        return;
    }
    faellig = 0;
    if (!Sende(c, true, code, reply, "O")) {
        return;
    }
    if (const std::optional<int> maxframe = ZahlAusText(reply);
        status && code == 1 && maxframe && nochDa()) {
        status->SetMaxframe(*maxframe);
    }
    if (!Sende(c, true, code, reply, "F")) {
        return;
    }
    if (const std::optional<int> frack = ZahlAusText(reply); status && code == 1 && frack && nochDa()) {
        status->SetFrack(FrackAusAntwort(*frack, frackSkaliert_));
    }
}

int TGeraetHostmode::KanalSenden(int c, const std::shared_ptr<IVerbindung>& connection,
                                 TLinkZaehler zaehler) {
    // What is still queued after this visit is the rest of a transfer, served by the status pass;
    // data the gate held back stays fresh, to go out at the next chance.
    struct Merken {
        bool& flag;
        const TStringQueue& queue;
        bool frisch = false;
        ~Merken() { flag = !frisch && !queue.IsEmpty(); }
    } merken{sendetSchon_[static_cast<std::size_t>(c)], connection->GetTransmitQueue()};
    // "@B" and the frames only for a link with something to send and room in its window.
    const int fenster = kFensterFrames - zaehler.ungesendet - zaehler.unbestaetigt;
    if (connection->GetTransmitQueue().IsEmpty() || fenster < 1) {
        return 0;
    }
    int code = 0;
    std::string reply;
    if (zaehler.meldungen != 0 || zaehler.empfangen >= kMaxWartendeFrames) {
        // The gate holds our frames back until what the TNC holds for us is read: read it now, so a
        // reply does not wait behind a peer that keeps sending.
        bool check = false;
        KanalLesen(c, std::min(zaehler.meldungen + zaehler.empfangen, kPollsEntleeren), check, std::nullopt,
                   false);
        if (GetKanalVerbindung(c) != connection || !Sende(c, true, code, reply, "L")) {
            return -1;
        }
        const std::optional<TLinkZaehler> neu = LZaehlerLesen(code, reply);
        if (!neu || neu->meldungen != 0 || neu->empfangen >= kMaxWartendeFrames) {
            mehrArbeit_ = true;
            merken.frisch = true;
            return 0;
        }
        zaehler = *neu;
    }
    if (!Sende(c, true, code, reply, "@B")) {
        return -1;
    }
    const std::optional<int> frei = ZahlAusText(reply);
    int gesendet = 0;
    if (code == 1 && frei && *frei > kMinFreieBuffer && GetKanalVerbindung(c) == connection) {
        gesendet = DatenSenden(c, connection, kFensterFrames - zaehler.ungesendet - zaehler.unbestaetigt,
                               zaehler.ungesendet + zaehler.unbestaetigt);
    }
    return GetKanalVerbindung(c) == connection ? gesendet : -1;
}

int TGeraetHostmode::DatenSenden(int c, const std::shared_ptr<IVerbindung>& connection, int window,
                                 int imTnc) {
    TStringQueue& queue = connection->GetTransmitQueue();
    int code = 0;
    std::string reply;
    int gesendet = 0;
    while (window >= 1 && !queue.IsEmpty()) {
        // One frame carries 256 bytes: the rest stays at the head of the queue.
        const std::string head = queue.PeekChars(kMaxText);
        if (head.empty()) {
            queue.PopString();
            continue;
        }
        if (!InformationSenden(c, head, imTnc, code, reply)) {
            return gesendet;
        }
        if (code != 0) {
            DebOutObj(KlassenName(), "Run", "Senden: Fehler = " + reply);
            if (code < 0) {
                Resync();
            }
            return gesendet;
        }
        queue.PopChars(kMaxText);
        --window;
        ++imTnc;
        ++gesendet;
        // The echo or the acknowledgement is on its way: the loop does not pause for it.
        mehrArbeit_ = true;
        if (Messages().HasMessage()) {
            // A full window takes a while: a connect or a disconnect does not wait for all of it.
            NachrichtenBehandeln();
            if (GetKanalVerbindung(c) != connection) {
                return gesendet;
            }
        }
    }
    return gesendet;
}

bool TGeraetHostmode::InformationSenden(int c, std::string_view data, int& imTnc, int& code,
                                        std::string& reply) {
    while (!Befehl(c, false, code, reply, data)) {
        if (!Resync()) {
            return false;
        }
        // Only the reply may have been lost: a frame the TNC took shows in its counts, and sent again it
        // would reach the other station twice.
        int lCode = 0;
        std::string lText;
        if (!Sende(c, true, lCode, lText, "L")) {
            return false;
        }
        const std::optional<TLinkZaehler> zaehler = LZaehlerLesen(lCode, lText);
        if (!zaehler) {
            continue;
        }
        const int jetzt = zaehler->ungesendet + zaehler->unbestaetigt;
        if (jetzt > imTnc) {
            DebOutObjFmt(KlassenName(), "Run", "Kanal %d: Frame ohne Antwort angenommen, nicht wiederholt.",
                         c);
            imTnc = jetzt - 1; // the caller counts the frame
            code = 0;
            reply.clear();
            return true;
        }
        imTnc = jetzt;
    }
    return true;
}

// ---- disconnects ----

void TGeraetHostmode::Trenne(const std::shared_ptr<IVerbindung>& connection) {
    DebOutObj(KlassenName(), "Trenne", "");
    if (!connection) {
        return;
    }
    const int c = connection->Get_Handle();
    const auto eintragLoesen = [&](bool kill) {
        if (!GueltigerKanal(c)) {
            return;
        }
        const Locker lock(kanalLock_);
        std::shared_ptr<IVerbindung>& entry = kanaele_[static_cast<std::size_t>(c)];
        if (entry == connection) {
            entry.reset();
            // Whatever the TNC still delivers for the link must not bring it back.
            getoetet_[static_cast<std::size_t>(c)] = kill;
        }
    };
    if (!HasThread()) {
        connection->DiscLevelDone();
        connection->Getrennt(0);
        eintragLoesen(false);
        connection->Release();
        return;
    }
    const std::uint8_t level = connection->GetDiscLevel();
    if (level != 1 && level != 3 && level != 5) {
        return;
    }
    if (c > 0 && c < kKanaele) {
        PostMessage(msg_trennen, static_cast<std::uintptr_t>(c));
    }
    connection->DiscLevelDone();
    if (level == 5) {
        eintragLoesen(true);
        connection->Getrennt(0);
        connection->Release();
    }
}

void TGeraetHostmode::TrennenNachricht(int c) {
    if (!GueltigerKanal(c)) {
        return;
    }
    int code = 0;
    std::string reply;
    if (Sende(c, true, code, reply, "D") && !reply.empty()) {
        DebOutObj(KlassenName(), "Run", "Disconnect fehlgeschlagen (" + reply + ")");
    }
}

// ---- saving and restoring live links ----

void TGeraetHostmode::VerbindungenSpeichern() {
    const std::string key = GetRegistryKey();
    DebOutObj(KlassenName(), "Run", "RegKey = " + key);
    if (key.empty()) {
        return;
    }
    // Links saved at an earlier end that are gone by now must not come back at the next start.
    RegistryStore& store = RegistryStore::Instance();
    for (const std::string& name : store.SubKeyNames(Hive::LocalMachine, key)) {
        if (ZahlAusText(name)) {
            store.DeleteKey(Hive::LocalMachine, key + "\\" + name);
        }
    }
    std::vector<std::shared_ptr<IVerbindung>> live;
    {
        const Locker lock(kanalLock_);
        for (int c = 1; c < kKanaele; ++c) {
            if (IstLinkKanal(c) && kanaele_[static_cast<std::size_t>(c)]) {
                live.push_back(kanaele_[static_cast<std::size_t>(c)]);
            }
        }
    }
    // The entries stay: a restart of the device after a change of settings finds its links again.
    for (const std::shared_ptr<IVerbindung>& connection : live) {
        connection->SaveToRegistry(key);
    }
}

void TGeraetHostmode::Restore() {
    const std::string key = GetRegistryKey();
    if (key.empty()) {
        return;
    }
    RegistryStore::Instance().CreateKey(Hive::LocalMachine, key);
    GespeicherteVerbindungen(
        shared_from_this(), KlassenName(), [this](const std::shared_ptr<IVerbindung>& connection) {
            const int c = connection->Get_Handle();
            connection->SetPactor(c >= 0 && c == pactorKanal_);
            if (!KanalEintragen(c, connection)) {
                DebOutObjFmt(KlassenName(), "Restore", "Kanal %d: Verbindung nicht wiederhergestellt.", c);
                connection->Release();
            }
        });
}

} // namespace quarn
