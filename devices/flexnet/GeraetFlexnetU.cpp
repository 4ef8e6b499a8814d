// The FlexNet device: settings, radio ports and the GUI-thread operations (connect, disconnect, UI
// frames), the connection list and restoring saved links.
#include "devices/flexnet/GeraetFlexnetU.h"

#include "devices/flexnet/FlexnetAgwKernel.h"
#include "devices/flexnet/FlexnetBibliothek.h"
#include "devices/flexnet/FlexnetMonitorThread.h"
#include "devices/FunkKanalU.h"
#include "devices/flexnet/GeraetFlexnetDialog.h"
#include "devices/SsidIteratorU.h"
#include "devices/VerbindungFabrik.h"
#include "foundation/DebOutU.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <mutex>

namespace quarn {

namespace {

constexpr const char* kClass = "TGeraetFlexnet";

struct ModemFabrik {
    std::mutex mutex;
    TFlexnetModemKernelFabrik factory = &MakeFlexnetAgwKernel;
};

ModemFabrik& Fabrik() {
    static ModemFabrik fabrik;
    return fabrik;
}

} // namespace

void SetFlexnetModemKernelFabrik(TFlexnetModemKernelFabrik factory) {
    const std::lock_guard lock(Fabrik().mutex);
    Fabrik().factory = factory ? std::move(factory) : &MakeFlexnetAgwKernel;
}

TGeraetFlexnet::Kern::Kern(const TGeraetFlexnet& device)
    : lock_(device.kernLock_), kernel_(device.verfuegbar_ ? device.kernel_.get() : nullptr) {}

TGeraetFlexnet::TGeraetFlexnet() = default;

TGeraetFlexnet::~TGeraetFlexnet() {
    Herunterfahren();
    std::vector<std::shared_ptr<IVerbindung>> connections;
    {
        const Locker lock(listLock_);
        connections.swap(verbindungen_);
    }
    for (const std::shared_ptr<IVerbindung>& connection : connections) {
        connection->Release();
    }
}

// ---- settings ----

TFlexnetEinstellungen TGeraetFlexnet::Einstellungen() const {
    const Locker lock(Lock());
    return einstellungen_;
}

void TGeraetFlexnet::SetEinstellungen(const TFlexnetEinstellungen& settings) {
    const Locker lock(Lock());
    einstellungen_ = settings;
}

void TGeraetFlexnet::Init() {
    const std::string key = GetRegistryKey();
    if (!key.empty()) {
        const RegistryStore& store = RegistryStore::Instance();
        TFlexnetEinstellungen settings;
        if (store.ReadDWord(Hive::LocalMachine, key, "Kernel").value_or(0) == 1) {
            settings.art = TFlexnetKernelArt::Modem;
        }
        settings.modemHost =
            store.ReadString(Hive::LocalMachine, key, "ModemHost").value_or(settings.modemHost);
        if (const auto port = store.ReadDWord(Hive::LocalMachine, key, "ModemPort"); port && *port <= 65535) {
            settings.modemPort = static_cast<int>(*port);
        }
        SetEinstellungen(settings);
    }
    TGeraet::Init();
}

void TGeraetFlexnet::Save() {
    TGeraet::Save();
    RegistryStore& store = RegistryStore::Instance();
    const std::string key = GetRegistryKey();
    const TFlexnetEinstellungen settings = Einstellungen();
    store.CreateKey(Hive::LocalMachine, key);
    store.WriteString(Hive::LocalMachine, key, "", KlassenName());
    store.WriteDWord(Hive::LocalMachine, key, "Kernel", static_cast<std::uint32_t>(settings.art));
    store.WriteString(Hive::LocalMachine, key, "ModemHost", settings.modemHost);
    store.WriteDWord(Hive::LocalMachine, key, "ModemPort", static_cast<std::uint32_t>(settings.modemPort));
}

std::unique_ptr<IFlexnetKernel> TGeraetFlexnet::KernelLaden(std::string& fehler) {
    const TFlexnetEinstellungen settings = Einstellungen();
    if (settings.art == TFlexnetKernelArt::Bibliothek) {
        return TFlexnetBibliothek::Laden(fehler);
    }
    TFlexnetModemKernelFabrik factory;
    {
        const std::lock_guard lock(Fabrik().mutex);
        factory = Fabrik().factory;
    }
    std::unique_ptr<IFlexnetKernel> kernel =
        factory ? factory(settings.modemHost, settings.modemPort) : nullptr;
    if (!kernel) {
        fehler = GeraetText("Modem nicht verfügbar");
    }
    return kernel;
}

std::string TGeraetFlexnet::KopfText() {
    const TGeraetStatus status = GetStatus();
    if (status == TGeraetStatus::Inaktiv) {
        return GeraetText(
            "Inaktiv: Schließen Sie dieses Fenster mit OK und klicken Sie dann auf 'übernehmen', "
            "um FlexNet zu aktivieren.");
    }
    if (status != TGeraetStatus::Bereit) {
        return GetStatusText();
    }
    const Kern kern(*this);
    if (!kern) {
        return GetStatusText();
    }
    std::string text = "PC/FlexNet Kernel Version " + kern->l2_version().value_or("?");
    if (digiModul_) {
        text += GeraetText(" mit Digipeater-Modul");
    }
    return text;
}

std::vector<std::string> TGeraetFlexnet::KanalZeilen() {
    std::vector<std::string> lines;
    if (GetStatus() != TGeraetStatus::Bereit) {
        return lines;
    }
    const Kern kern(*this);
    if (!kern) {
        return lines;
    }
    for (int i = 0; i < kKernelKanaele; ++i) {
        if (kern->ch_active(i)) {
            lines.push_back(kern->get_ident(i).value_or("?") + " " + std::to_string(i));
        }
    }
    return lines;
}

void TGeraetFlexnet::EinstellungenSchliessen() {
    bearbeitet_.reset();
}

int TGeraetFlexnet::EinstellungenSeite(QWidget* parent) {
    TGeraetFlexnetDialog dialog(parent);
    dialog.SetKopf(KopfText());
    dialog.SetKanaele(KanalZeilen());
    dialog.SetEinstellungen(bearbeitet_.value_or(Einstellungen()));
    const int result = dialog.exec();
    if (result == QDialog::Accepted) {
        bearbeitet_ = dialog.Einstellungen();
    }
    return result;
}

void TGeraetFlexnet::EinstellungenUebernehmen() {
    DebOutObj(kClass, "EinstellungenUebernehmen", "");
    bool restart = GetStatus() != TGeraetStatus::Bereit;
    if (bearbeitet_) {
        restart = restart || *bearbeitet_ != Einstellungen();
        SetEinstellungen(*bearbeitet_);
        bearbeitet_.reset();
    }
    if (!restart) {
        return;
    }
    if (HasThread()) {
        DeInit();
    }
    // The settings in force must not be read back over from the registry.
    const std::string key = GetRegistryKey();
    SetRegistryKey("");
    TGeraet::Init();
    SetRegistryKey(key);
}

// ---- state ----

bool TGeraetFlexnet::KernelVerfuegbar() const {
    const Locker lock(kernLock_);
    return verfuegbar_;
}

bool TGeraetFlexnet::DigiModul() const {
    const Locker lock(kernLock_);
    return digiModul_;
}

std::vector<std::shared_ptr<IVerbindung>> TGeraetFlexnet::Verbindungen() const {
    const Locker lock(listLock_);
    return verbindungen_;
}

void TGeraetFlexnet::VerbindungHinzufuegen(const std::shared_ptr<IVerbindung>& connection) {
    const Locker lock(listLock_);
    verbindungen_.push_back(connection);
}

void TGeraetFlexnet::VerbindungEntfernen(const std::shared_ptr<IVerbindung>& connection) {
    const Locker lock(listLock_);
    std::erase(verbindungen_, connection);
}

// ---- radio ports ----

void TGeraetFlexnet::FunkKanaeleAufbauen() {
    const Kern kern(*this);
    if (!kern) {
        return;
    }
    const auto make = [this](const std::string& description, int number, const std::string& name) {
        auto port = std::make_shared<TFunkKanal>(weak_from_this(), true);
        port->SetBezeichnung(description);
        port->SetNummer(number);
        port->SetName(name);
        return port;
    };
    if (digiModul_) {
        if (!funkKanaele_[kDigiPort]) {
            funkKanaele_[kDigiPort] = make("FlexNet Digi", kDigiPort, "FLEXDIGI");
        }
        return;
    }
    for (int i = 0; i < kKernelKanaele; ++i) {
        std::shared_ptr<IFunkKanal>& entry = funkKanaele_[static_cast<std::size_t>(i)];
        if (!kern->ch_active(i)) {
            entry.reset();
            continue;
        }
        const std::optional<std::string> ident = kern->get_ident(i);
        if (!ident) {
            break;
        }
        if (!entry || entry->GetBezeichnung() != *ident) {
            char name[16];
            std::snprintf(name, sizeof name, "FLEX%2.2d", i);
            entry = make(*ident, i, name);
        }
    }
}

int TGeraetFlexnet::GetFunkKanaele(std::vector<std::shared_ptr<IFunkKanal>>& ports, int capacity) {
    const Locker lock(kernLock_);
    if (!verfuegbar_) {
        return 0;
    }
    FunkKanaeleAufbauen();
    int count = 0;
    for (const std::shared_ptr<IFunkKanal>& port : funkKanaele_) {
        if (port && count < capacity) {
            ports.push_back(port);
            ++count;
        }
    }
    return count;
}

// ---- GUI-thread operations ----

TConnectResult TGeraetFlexnet::Verbinde(const std::shared_ptr<IFunkKanal>& port, std::string& path,
                                        std::shared_ptr<IVerbindung>& connection,
                                        const std::shared_ptr<IKanal>& channel, std::string& myCall) {
    DebOutObj(kClass, "Verbinde", "");
    connection.reset();
    // The kernel must stay while the walk asks it: the lock is held throughout.
    const Kern kern(*this);
    if (!kern || !port) {
        return TConnectResult::DeviceError;
    }
    const int portNummer = port->GetNummer();
    const std::shared_ptr<IVerbindung> neu = VerbindungErzeugen(shared_from_this());
    neu->Set_Path(path);
    neu->Set_MyCall(myCall);
    if (portNummer >= 1 && portNummer <= 15) {
        const std::string digis = neu->Get_Digis();
        neu->Set_Digis(digis.empty() ? std::to_string(portNummer) : std::to_string(portNummer) + " " + digis);
    }
    neu->Set_RealPath(neu->Get_Path());
    neu->SetAusgehend(true);
    neu->SetConnectText(false);
    neu->SetFernsteuerung(true);

    TConnectResult result = TConnectResult::NoFreeSsid;
    bool weiter = false;
    TSsidIterator ssids(myCall);
    for (bool ok = !ssids.Eof(); ok; ok = ssids.Next()) {
        neu->Set_MyCall(ssids.GetText());
        FlexnetAdresse record;
        kern->build_frame(record, neu->Get_MyCall(), neu->Get_Path());
        record.kanal = static_cast<std::uint8_t>(portNummer);
        if (const std::string call = kern->strcall(record.ziel); call != neu->Get_Call()) {
            neu->Set_Call(call);
        }
        if (const std::string digis = kern->strpath(record); digis != neu->Get_Digis()) {
            neu->Set_Digis(digis);
        }
        neu->Set_RealPath(neu->Get_Path());
        DebOutObj(kClass, "Verbinde", "MyCall: " + neu->Get_MyCall() + " Call: " + neu->Get_Call());
        if (neu->Get_MyCall() == neu->Get_Call()) {
            continue;
        }
        const FlexnetQso existing = kern->l2_get_qnum(record);
        if (existing == 0) {
            DebOutObj(kClass, "Verbinde", "Kein QSO gefunden");
        } else if ((kern->l2_stat(0, existing) & 0x0F) < 2) {
            DebOutObj(kClass, "Verbinde", "Bestehendes QSO gefunden (disconnected)");
        } else {
            DebOutObj(kClass, "Verbinde", "Bestehendes QSO gefunden (connected)");
            continue;
        }
        weiter = true;
        const FlexnetQso qso = kern->l2_fconnect(record);
        neu->Set_Handle(qso);
        result = qso != 0 ? TConnectResult::Connected : TConnectResult::DeviceError;
        break;
    }
    if (!weiter) {
        DebOutObj(kClass, "Verbinde", "Keine freie SSID gefunden.");
    }
    if (result != TConnectResult::Connected) {
        neu->Release();
        return result;
    }
    neu->SetKanal(std::dynamic_pointer_cast<IKanalFuerVerbindung>(channel));
    VerbindungHinzufuegen(neu);
    path = neu->Get_Call();
    myCall = neu->Get_MyCall();
    connection = neu;
    return result;
}

void TGeraetFlexnet::Trenne(const std::shared_ptr<IVerbindung>& connection) {
    DebOutObj(kClass, "Trenne", "");
    if (!connection) {
        return;
    }
    int code = 0;
    switch (connection->GetDiscLevel()) {
    case 1:
        code = 4;
        break;
    case 3:
        code = 5;
        break;
    case 5:
        code = 6;
        break;
    default:
        return;
    }
    {
        const Kern kern(*this);
        if (!kern) {
            return;
        }
        kern->l2_bef(code, static_cast<FlexnetQso>(connection->Get_Handle()));
    }
    connection->DiscLevelDone();
}

bool TGeraetFlexnet::SendUI(const std::shared_ptr<IFunkKanal>& port, std::string_view destination,
                            std::string_view myCall, std::string_view text) {
    if (!port) {
        return false;
    }
    const Kern kern(*this);
    if (!kern) {
        return false;
    }
    const std::string target = std::to_string(port->GetNummer()) + " " + std::string(destination);
    return kern->l2_send_ui(myCall, target, kPid, 0, text);
}

// ---- saved links ----

void TGeraetFlexnet::Restore() {
    GespeicherteVerbindungen(
        shared_from_this(), kClass,
        [this](const std::shared_ptr<IVerbindung>& connection) { VerbindungHinzufuegen(connection); });
}

void TGeraetFlexnet::CheckRestored() {
    const std::vector<std::shared_ptr<IVerbindung>> connections = Verbindungen();
    for (auto it = connections.rbegin(); it != connections.rend(); ++it) {
        const std::shared_ptr<IVerbindung>& connection = *it;
        const auto qso = static_cast<FlexnetQso>(connection->Get_Handle());
        bool gleich = false;
        {
            const Kern kern(*this);
            if (!kern) {
                return;
            }
            if (kern->l2_stat(0, qso) > 1) {
                if (const std::optional<FlexnetAdresse> record = kern->l2_get_f(qso)) {
                    const std::string digis = kern->strpath(*record);
                    const std::string realPath =
                        kern->strcall(record->ziel) + (digis.empty() ? "" : " " + digis);
                    gleich = connection->Get_MyCall() == kern->strcall(record->quelle) &&
                             connection->Get_RealPath() == realPath;
                } else {
                    DebOutObj(kClass, "CheckRestored", "l2_get_f lieferte NIL.");
                }
            }
        }
        if (gleich) {
            DebOutObj(kClass, "CheckRestored", "FlexNet-QSO stimmt mit gespeicherten QSO-Daten überein.");
            continue;
        }
        DebOutObj(kClass, "CheckRestored", "FlexNet-QSO stimmt NICHT mit gespeicherten QSO-Daten überein.");
        VerbindungEntfernen(connection);
        connection->Getrennt(1);
        connection->Release();
    }
}

} // namespace quarn
