// The FlexNet device thread: start-up of the kernel, the rounds over the links and the connect
// requests, and the shut-down that leaves the kernel and the library in order on every path.
#include "devices/flexnet/FlexnetMonitorThread.h"
#include "devices/FunkKanalU.h"
#include "devices/flexnet/GeraetFlexnetU.h"
#include "devices/VerbindungFabrik.h"
#include "foundation/DebOutU.h"
#include "foundation/QueueU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/Registry.h"
#include "stations/MyCallsU.h"

#include <algorithm>
#include <cctype>
#include <exception>

namespace quarn {

namespace {

constexpr const char* kClass = "TGeraetFlexnet";
// How long the end waits for the monitor thread.
constexpr std::uint32_t kMonitorEndeMs = 2000;

enum : int {
    kStatZustand = 0,
    kStatAusstehend = 1,
    kStatMaxframe = 2,
    kStatVersuche = 3,
    kStatFrack = 4,
};

enum : int {
    kBefAnnehmen = 2,
    kBefAblehnen = 3,
    kBefAngenommen = 7,
    kBefEmpfangen = 15,
    kBefSpeichern = 18,
};

std::string FormatS(std::string_view format, std::string_view text) {
    std::string result(format);
    if (const std::size_t at = result.find("%s"); at != std::string::npos) {
        result.replace(at, 2, text);
    }
    return result;
}

} // namespace

void TGeraetFlexnet::Run() {
    try {
        SetStatus(TGeraetStatus::Init, GeraetText("Lade DLL..."));
        std::string fehler;
        std::unique_ptr<IFlexnetKernel> kernel = KernelLaden(fehler);
        if (!kernel) {
            DebOutObj(kClass, "Run", "FEHLER: " + fehler);
            SetStatus(TGeraetStatus::Fehler, fehler);
            return;
        }
        SetStatus(TGeraetStatus::Init, "ax_init...");
        // Starting may take seconds (a modem host that is slow to answer, or never does). Nobody else
        // can reach this kernel yet, so the lock is not held: the GUI thread asks for the ports under
        // it and must not wait. The kernel is published only once it is up.
        const std::uint8_t init = kernel->ax_init();
        if (init == 0) {
            DebOutObj(kClass, "Run", "FEHLER: Kernel nicht geladen");
            kernel.reset(); // unloads the library
            Herunterfahren();
            SetStatus(TGeraetStatus::Fehler, GeraetText("Kernel nicht geladen"));
            return;
        }
        {
            const Locker lock(kernLock_);
            kernel_ = std::move(kernel);
            verfuegbar_ = true;
            digiModul_ = init == 2;
        }
        {
            const Locker lock(kernLock_);
            FunkKanaeleAufbauen();
        }
        CheckRestored();
        SetStatus(TGeraetStatus::Bereit);

        const auto self = std::static_pointer_cast<TGeraetFlexnet>(shared_from_this());
        monitor_ = std::make_unique<TMonitorThread>(self);
        monitor_->Start();

        for (unsigned zaehler = 0; !IsTerminated(); ++zaehler) {
            bool weiter = false;
            try {
                weiter = Runde(zaehler) && Warte(kRundeMs);
            } catch (...) {
                // The round's own report names it; the run's report below says the device ended.
                ReportUnhandledException(std::current_exception(), KlassenName(), "Run", "1");
                throw;
            }
            if (!weiter) {
                break;
            }
        }
        Herunterfahren();
    } catch (...) {
        // Nothing may stay behind: the kernel is ended and the library unloaded before the report.
        const std::exception_ptr error = std::current_exception();
        Herunterfahren();
        SetStatus(TGeraetStatus::Fehler);
        ReportUnhandledException(error, KlassenName(), "Run", "2");
    }
}

void TGeraetFlexnet::NachAusnahme() {
    Herunterfahren();
}

void TGeraetFlexnet::Herunterfahren() {
    if (monitor_) {
        monitor_->Beenden(kMonitorEndeMs);
        monitor_.reset();
    }
    if (KernelVerfuegbar()) {
        VerbindungenSpeichern();
    }
    std::unique_ptr<IFlexnetKernel> kernel;
    {
        const Locker lock(kernLock_);
        const bool warAktiv = verfuegbar_;
        // From here on no caller reaches the kernel: every call checks this flag under the same lock.
        verfuegbar_ = false;
        digiModul_ = false;
        funkKanaele_ = {};
        kernel = std::move(kernel_);
        if (kernel && warAktiv) {
            try {
                kernel->ax_exit();
            } catch (const std::exception& error) {
                DebOutObj(kClass, "Run", std::string("ax_exit: ") + error.what());
            }
        }
    }
    kernel.reset(); // unloads the library
}

// ---- one round ----

bool TGeraetFlexnet::Runde(unsigned zaehler) {
    bool stop = false;
    for (const std::shared_ptr<IVerbindung>& connection : Verbindungen()) {
        if (!LinkBehandeln(connection, stop) || stop) {
            break;
        }
    }
    if (stop) {
        return false;
    }
    if (zaehler % kSabmRunden == 0) {
        Verbindungswuensche();
    }
    return !IsTerminated();
}

bool TGeraetFlexnet::LinkBehandeln(const std::shared_ptr<IVerbindung>& connection, bool& stop) {
    const auto qso = static_cast<FlexnetQso>(connection->Get_Handle());
    int w = 0;
    std::optional<FlexnetAdresse> record;
    std::string myCall, call, digis;
    {
        const Kern kern(*this);
        if (!kern) {
            stop = true;
            return false;
        }
        w = kern->l2_stat(kStatZustand, qso);
        if (connection->GetState() == 2 && (w & 0x0F) > 4) {
            record = kern->l2_get_f(qso);
            if (record) {
                myCall = kern->strcall(record->quelle);
                call = kern->strcall(record->ziel);
                digis = kern->strpath(*record);
            }
        }
    }
    const int s = w & 0x0F;
    if (record) {
        connection->Set_MyCall(myCall);
        connection->Set_Call(call);
        connection->Set_Digis(digis);
        connection->Start();
    }
    const std::shared_ptr<IStatus> status = connection->GetStatus();
    if (status) {
        status->SetLinkStatus(w & 0x3F);
    }
    if (w & 0x40) {
        for (int i = 0; i < kMaxEmpfang; ++i) {
            std::optional<FlexnetInfo> frame;
            {
                const Kern kern(*this);
                if (!kern) {
                    break;
                }
                frame = kern->l2_get_i(qso);
                if (frame) {
                    kern->l2_bef(kBefEmpfangen, qso);
                }
            }
            if (!frame) {
                break;
            }
            connection->EmpfangeText(frame->daten);
        }
    }
    if (s == 0 || s == 1) {
        const int reason = s == 0 ? 1 : (connection->GetState() == 2 ? 2 : 0);
        VerbindungEntfernen(connection);
        connection->Getrennt(reason);
        connection->Release();
        return false;
    }
    if (s == 4) {
        connection->SetState(1);
    }
    if (IsTerminated()) {
        stop = true;
        return false;
    }
    DatenSenden(connection, qso);
    int ausstehend = 0, versuche = 0, frack = 0, maxframe = 0;
    {
        const Kern kern(*this);
        if (!kern) {
            stop = true;
            return false;
        }
        ausstehend = kern->l2_stat(kStatAusstehend, qso);
        versuche = kern->l2_stat(kStatVersuche, qso);
        frack = kern->l2_stat(kStatFrack, qso);
        maxframe = kern->l2_stat(kStatMaxframe, qso);
    }
    if (status) {
        status->SetOutstanding(connection->GetTransmitQueue().Count() + ausstehend);
        status->SetTries(versuche);
        status->SetFrack(frack);
        status->SetMaxframe(maxframe);
    }
    return true;
}

void TGeraetFlexnet::DatenSenden(const std::shared_ptr<IVerbindung>& connection, FlexnetQso qso) {
    TStringQueue& queue = connection->GetTransmitQueue();
    const Kern kern(*this);
    if (!kern) {
        return;
    }
    const int ausstehend = kern->l2_stat(kStatAusstehend, qso);
    for (int n = kFenster - ausstehend; n > 0 && !queue.IsEmpty(); --n) {
        // A frame carries 256 bytes: the rest stays at the head of the queue.
        std::string head = queue.PeekChars(kMaxFrame);
        if (head.empty()) {
            queue.PopString();
            ++n;
            continue;
        }
        if (!kern->l2_ialloc(qso, static_cast<int>(head.size()))) {
            break;
        }
        queue.PopChars(kMaxFrame);
        kern->l2_send_frame(qso, FlexnetInfo{kPid, std::move(head)});
    }
}

// ---- connect requests ----

void TGeraetFlexnet::Verbindungswuensche() {
    std::vector<std::string> calls;
    if (const std::shared_ptr<TMyCalls> myCalls = MyCalls()) {
        const TMyCallsLocker lock(*myCalls);
        for (int i = 0; i < myCalls->GetCount(); ++i) {
            const std::shared_ptr<TMyCall> call = myCalls->GetItem(i);
            for (int k = 0; call && k < call->GetCount(); ++k) {
                calls.push_back(call->GetRufzeichen(k));
            }
        }
    }
    // The connect requests are answered outside the list's lock: accepting one starts a connection.
    for (const std::string& call : calls) {
        Verbindungswunsch(call);
    }
}

void TGeraetFlexnet::Verbindungswunsch(const std::string& myCall) {
    FlexnetQso q = 0;
    std::optional<FlexnetAdresse> record;
    std::string quelle, ziel, digis;
    {
        const Kern kern(*this);
        if (!kern) {
            return;
        }
        q = kern->l2_get_sabm(myCall);
        if (q == 0) {
            return;
        }
        record = kern->l2_get_f(q);
        if (!record) {
            return;
        }
        quelle = kern->strcall(record->quelle);
        ziel = kern->strcall(record->ziel);
        digis = kern->strpath(*record);
    }
    const std::shared_ptr<IVerbindung> connection = VerbindungErzeugen(shared_from_this());
    connection->Set_MyCall(quelle);
    connection->Set_Call(ziel);
    connection->Set_Digis(digis);
    connection->Set_RealPath(connection->Get_Path());
    connection->Set_Handle(q);
    connection->SetAusgehend(false);
    const std::string call = connection->Get_Call();
    bool behalten = false;
    int befehl = 0;
    switch (connection->GetIncomingConnects()) {
    case TIncomingConnects::Accept: {
        const std::shared_ptr<IKanal> kanal = FreienKanalHolen();
        const auto fuerVerbindung = std::dynamic_pointer_cast<IKanalFuerVerbindung>(kanal);
        if (!fuerVerbindung) {
            if (kanal) {
                kanal->SetReserviert(false);
            }
            DebOutObj(kClass, "Run",
                      FormatS("Verbindungswunsch von %s abgelehnt (kein freier Kanal).", call));
            befehl = kBefAblehnen;
            break;
        }
        connection->SetKanal(fuerVerbindung);
        connection->SetConnectText(true);
        connection->SetFernsteuerung(true);
        connection->Start();
        DebOutObj(kClass, "Run", FormatS("Verbindungswunsch von %s akzeptiert.", call));
        behalten = true;
        break;
    }
    case TIncomingConnects::Ignore:
        // Left pending in the kernel: nothing is told.
        DebOutObj(kClass, "Run", FormatS("Verbindungswunsch von %s ignoriert.", call));
        break;
    default:
        DebOutObj(kClass, "Run", FormatS("Verbindungswunsch von %s abgelehnt.", call));
        befehl = kBefAblehnen;
        break;
    }
    {
        const Kern kern(*this);
        if (kern && behalten) {
            kern->l2_bef(kBefAnnehmen, q);
            kern->l2_bef(kBefAngenommen, static_cast<FlexnetQso>(connection->Get_Handle()));
        } else if (kern && befehl != 0) {
            kern->l2_bef(befehl, q);
        }
    }
    if (behalten) {
        VerbindungHinzufuegen(connection);
    } else {
        connection->Release();
    }
}

// ---- the end ----

void TGeraetFlexnet::VerbindungenSpeichern() {
    const std::string key = GetRegistryKey();
    if (key.empty()) {
        return;
    }
    // Links saved at an earlier end that are gone by now must not come back at the next start.
    RegistryStore& store = RegistryStore::Instance();
    for (const std::string& name : store.SubKeyNames(Hive::LocalMachine, key)) {
        if (!name.empty() && std::all_of(name.begin(), name.end(), ::isdigit)) {
            store.DeleteKey(Hive::LocalMachine, key + "\\" + name);
        }
    }
    for (const std::shared_ptr<IVerbindung>& connection : Verbindungen()) {
        try {
            {
                const Kern kern(*this);
                if (!kern) {
                    return;
                }
                kern->l2_bef(kBefSpeichern, static_cast<FlexnetQso>(connection->Get_Handle()));
            }
            connection->SaveToRegistry(key);
        } catch (const std::exception& error) {
            DebOutObj(kClass, "Run", std::string("Speichern: ") + error.what());
        }
    }
}

} // namespace quarn
