#include "connections/automation/AutomationConnect.h"

#include "connections/automation/ApplicationU.h"
#include "connections/ConnectionsListU.h"
#include "connections/VerbindungU.h"
#include "devices/GeraeteU.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/QuarnException.h"
#include "foundation/SynchronizeU.h"
#include "foundation/ZielPfad.h"
#include "platform/Codepage.h"
#include "platform/WaitForAny.h"
#include "stations/MyCallsU.h"

#include <mutex>

namespace quarn {
namespace {

constexpr std::string_view kClass = "TApplication";
constexpr int kMaxPorts = 100;
constexpr std::uint32_t kConnectPollMs = 100;
constexpr int kReasonBusy = 2;

std::mutex sourceMutex;
TAutomationPortSource portSource;

std::vector<std::shared_ptr<IFunkKanal>> DevicePorts() {
    std::vector<std::shared_ptr<IFunkKanal>> ports;
    // The device set belongs to the GUI thread.
    Synchronize([&ports] {
        if (TGeraete* devices = TGeraete::Instance()) {
            devices->GetFunkKanaele(ports);
        }
    });
    return ports;
}

std::vector<std::shared_ptr<IFunkKanal>> Ports() {
    TAutomationPortSource source;
    {
        const std::lock_guard lock(sourceMutex);
        source = portSource;
    }
    std::vector<std::shared_ptr<IFunkKanal>> ports = source ? source() : DevicePorts();
    if (ports.size() > kMaxPorts) {
        ports.resize(kMaxPorts);
    }
    return ports;
}

std::string FirstOwnCall() {
    const std::shared_ptr<TMyCalls> calls = MyCalls();
    if (!calls) {
        return {};
    }
    const TMyCallsLocker locker(*calls);
    return calls->GetCount() > 0 ? calls->GetItem(0)->GetCall() : std::string();
}

bool IsReleased(const IVerbindung& connection) {
    const auto* own = dynamic_cast<const TVerbindung*>(&connection);
    return own && own->IsReleased();
}

// The path as the connect dialog reads it; a fault is named before anything reaches a device.
std::string GeprueftePfad(std::string_view path) {
    const TPfadPruefung pruefung = PfadPruefen(path);
    const std::string teil = Cp1252ToUtf8(pruefung.teil);
    switch (pruefung.fehler) {
    case TPfadFehler::Keiner:
        return pruefung.ziel.Pfad();
    case TPfadFehler::KeinZiel:
        throw EAutomationError("Invalid path: no destination call");
    case TPfadFehler::ZuLang:
        throw EAutomationError("Invalid path: call sign longer than " +
                               std::to_string(kMaxRufzeichenZeichen) + " characters: " + teil);
    case TPfadFehler::UngueltigesZeichen:
        throw EAutomationError("Invalid path: a call sign holds only letters A-Z and digits: " + teil);
    case TPfadFehler::SsidUngueltig:
        throw EAutomationError("Invalid path: SSID not between 0 and 15: " + teil);
    case TPfadFehler::ZuVieleDigipeater:
        throw EAutomationError("Invalid path: more than " + std::to_string(kMaxDigipeater) + " digipeaters");
    }
    throw EAutomationError("Invalid path");
}

} // namespace

EAutomationError::EAutomationError(const std::string& text) : Exception(text) {
    DebOutObj("EAutomationError", "", text);
}

std::string AutomationErrorText(const std::exception& error) {
    const std::string text = error.what();
    if (dynamic_cast<const QuarnException*>(&error) != nullptr) {
        // "<class>.<method>: <message>"
        if (const auto colon = text.find(": "); colon != std::string::npos) {
            return text.substr(colon + 2);
        }
    }
    return text;
}

void SetAutomationPortSource(TAutomationPortSource source) {
    const std::lock_guard lock(sourceMutex);
    portSource = std::move(source);
}

std::string ConnectResultText(TConnectResult result) {
    switch (result) {
    case TConnectResult::UnknownError:
        return "Unknown error";
    case TConnectResult::DeviceTimeout:
        return "Device timeout";
    case TConnectResult::NoDevice:
        return "No device";
    case TConnectResult::ChannelConnected:
        return "Channel already connected";
    case TConnectResult::NoFreeSsid:
        return "No unused SSID available";
    case TConnectResult::DeviceError:
        return "Device error";
    case TConnectResult::NoFreeChannel:
        return "No channel available";
    default:
        return "Unhandled error";
    }
}

std::shared_ptr<IVerbindung> AutomationConnect(std::string_view path, TApplication& client) {
    DebOutObj(kClass, "Connect", Cp1252ToUtf8(path));
    std::string target = GeprueftePfad(path);
    const std::vector<std::shared_ptr<IFunkKanal>> ports = Ports();
    if (ports.empty() || !ports.front()) {
        throw EAutomationError(ConnectResultText(TConnectResult::NoDevice));
    }
    std::string myCall = FirstOwnCall();
    if (myCall.empty()) {
        throw EAutomationError("No MyCall");
    }
    std::shared_ptr<IVerbindung> connection;
    std::shared_ptr<IKanal> channel;
    const TConnectResult result = ports.front()->Verbinde(target, myCall, connection, channel);
    if (result != TConnectResult::Connected) {
        throw EAutomationError(ConnectResultText(result));
    }
    if (!connection) {
        throw EAutomationError(ConnectResultText(TConnectResult::UnknownError));
    }
    client.Attach(connection);
    // A link that never leaves "Verbinde..." (its connection released, the program quitting, the
    // client gone) must not hold the caller for ever.
    while (connection->GetState() == 2 && !IsReleased(*connection) && !QuitEvent().IsSet() &&
           !client.IsReleased()) {
        WaitForAny({QuitEvent(), client.ReleasedEvent()}, kConnectPollMs);
    }
    if (client.IsReleased()) {
        throw EAutomationError("Application not found.");
    }
    if (connection->GetState() != 3) {
        const auto* own = dynamic_cast<const TVerbindung*>(connection.get());
        const bool busy = own && connection->GetState() == 0 && own->GetTrennGrund() == kReasonBusy;
        DebOutObj(kClass, "Connect", busy ? "Busy" : "Connection failed");
        throw EAutomationError(busy ? "Busy" : "Connection failed");
    }
    return connection;
}

std::shared_ptr<IVerbindung> FindOpenConnection(std::string_view call) {
    const TConnectionsList* list = TConnectionsList::Instance();
    if (!list) {
        return nullptr;
    }
    const std::string wanted = Cp1252UpperCase(call);
    const TConnectionsList::ScopedLock locker(*list);
    for (int index = 0; index < list->Count(); ++index) {
        std::shared_ptr<IVerbindung> connection = list->Get(index);
        if (connection && Cp1252UpperCase(connection->Get_Call()) == wanted) {
            return connection;
        }
    }
    return nullptr;
}

} // namespace quarn
