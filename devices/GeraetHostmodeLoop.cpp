// The host-mode device between start-up and shut-down: the thread messages of the set-up (INIT list,
// own calls) and the radio ports. The polling loop with its connections builds on this.
#include "devices/FunkKanalU.h"
#include "devices/GeraetHostmodeText.h"
#include "devices/GeraetHostmodeU.h"
#include "devices/KanaeleU.h"
#include "foundation/DebOutU.h"
#include "platform/ThreadMessageQueue.h"
#include "stations/MyCallsU.h"

namespace quarn {

namespace {

constexpr int kMessagesPerCycle = 3;
constexpr std::uint32_t kCycleMs = 50;
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
    while (!IsTerminated()) {
        WiedervorlagePosten();
        for (int i = 0; i < kMessagesPerCycle && !IsTerminated(); ++i) {
            const std::optional<ThreadMessage> message = Messages().Peek(true);
            if (!message) {
                break;
            }
            NachrichtBehandeln(*message);
        }
        Warte(kCycleMs);
    }
}

void TGeraetHostmode::NachrichtBehandeln(const ThreadMessage& message) {
    switch (message.message) {
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

void TGeraetHostmode::Trenne(const std::shared_ptr<IVerbindung>& connection) {
    DebOutObj(KlassenName(), "Trenne", "");
}

void TGeraetHostmode::Restore() {}

} // namespace quarn
