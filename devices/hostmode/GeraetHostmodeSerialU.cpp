#include "devices/hostmode/GeraetHostmodeSerialU.h"

#include "devices/hostmode/GeraetHostmodeDialog.h"
#include "devices/hostmode/GeraetHostmodeText.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "platform/Registry.h"

namespace quarn {

namespace {

constexpr const char* kClass = "TGeraetHostmodeSerial";

// ReadInterval, ReadTotalMultiplier, ReadTotalConstant, WriteTotalMultiplier, WriteTotalConstant.
constexpr SerialTimeouts kNormalTimeouts{500, 50, 500, 50, 500};
constexpr SerialTimeouts kFastTimeouts{0, 5, 50, 5, 500};

// The line of the run on this thread. A device thread runs one device and keeps the line until the
// thread ends, past an exception that left the run and past being abandoned.
thread_local const TGeraetHostmodeSerial* tLaufGeraet = nullptr;
thread_local std::shared_ptr<SerialPort> tLaufPort;

} // namespace

std::unique_ptr<TGeraetHostmodeParameter> TGeraetHostmodeSerialParameter::Kopie() const {
    return std::make_unique<TGeraetHostmodeSerialParameter>(*this);
}

void TGeraetHostmodeSerialParameter::SetComPort(int port) {
    comPort_ = port;
    portNummer = port;
}

TGeraetHostmodeSerial::TGeraetHostmodeSerial() {
    parameter_ = ParameterErzeugen();
}

TGeraetHostmodeSerial::~TGeraetHostmodeSerial() = default;

void TGeraetHostmodeSerial::Run() {
    auto port = std::make_shared<SerialPort>();
    {
        const Locker lock(Lock());
        port_ = port;
    }
    tLaufGeraet = this;
    tLaufPort = std::move(port);
    TGeraetHostmode::Run();
}

std::shared_ptr<SerialPort> TGeraetHostmodeSerial::Port() const {
    if (tLaufGeraet == this) {
        return tLaufPort;
    }
    const Locker lock(Lock());
    return port_;
}

std::unique_ptr<TGeraetHostmodeParameter> TGeraetHostmodeSerial::ParameterErzeugen() const {
    auto parameter = std::make_unique<TGeraetHostmodeSerialParameter>();
    parameter->SetComPort(1);
    return parameter;
}

TGeraetHostmodeSerialParameter& TGeraetHostmodeSerial::SerialParameter() {
    return static_cast<TGeraetHostmodeSerialParameter&>(*parameter_);
}

TGeraetHostmodeSerialParameter& TGeraetHostmodeSerial::EditedParameter() {
    const Locker lock(Lock());
    if (!editedParameter_) {
        editedParameter_ = parameter_->Kopie();
    }
    return static_cast<TGeraetHostmodeSerialParameter&>(*editedParameter_);
}

void TGeraetHostmodeSerial::Init() {
    const std::string key = GetRegistryKey();
    if (!key.empty()) {
        const RegistryStore& store = RegistryStore::Instance();
        if (const auto port = store.ReadDWord(Hive::LocalMachine, key, "Anschluss")) {
            SerialParameter().SetComPort(static_cast<int>(*port));
        }
        if (const auto baud = store.ReadDWord(Hive::LocalMachine, key, "Baudrate")) {
            SerialParameter().baudrate = static_cast<int>(*baud);
        }
    }
    TGeraetHostmode::Init();
}

void TGeraetHostmodeSerial::Save() {
    TGeraetHostmode::Save();
    RegistryStore& store = RegistryStore::Instance();
    const std::string key = GetRegistryKey();
    store.WriteDWord(Hive::LocalMachine, key, "Anschluss",
                     static_cast<std::uint32_t>(SerialParameter().GetComPort()));
    store.WriteDWord(Hive::LocalMachine, key, "Baudrate",
                     static_cast<std::uint32_t>(SerialParameter().baudrate));
}

int TGeraetHostmodeSerial::EinstellungenSeite(QWidget* parent) {
    TGeraetHostmodeDialog dialog(parent, true);
    const TGeraetHostmodeSerialParameter& shown =
        editedParameter_ ? static_cast<const TGeraetHostmodeSerialParameter&>(*editedParameter_)
                         : SerialParameter();
    dialog.SetWerte(shown.GetComPort(), shown.baudrate, shown.initListe, shown.deinitListe);
    const int result = dialog.exec();
    if (result == QDialog::Accepted) {
        EinstellungenAusDialog(dialog);
    }
    return result;
}

void TGeraetHostmodeSerial::EinstellungenAusDialog(const TGeraetHostmodeDialog& dialog) {
    TGeraetHostmodeSerialParameter& edited = EditedParameter();
    edited.SetComPort(dialog.ComPort());
    edited.baudrate = dialog.Baudrate();
    edited.initListe = dialog.InitListe();
    edited.deinitListe = dialog.DeinitListe();
    StatusDetailZeigen();
}

void TGeraetHostmodeSerial::EinstellungenSchliessen() {
    editedParameter_.reset();
}

void TGeraetHostmodeSerial::EinstellungenUebernehmen() {
    DebOutObj(kClass, "EinstellungenUebernehmen", "");
    bool restart = GetStatus() != TGeraetStatus::Bereit;
    if (editedParameter_) {
        const auto& edited = static_cast<const TGeraetHostmodeSerialParameter&>(*editedParameter_);
        restart = restart || edited.GetComPort() != SerialParameter().GetComPort() ||
                  edited.baudrate != SerialParameter().baudrate;
        const bool initChanged = edited.initListe != parameter_->initListe;
        EditedParameterUebernehmen();
        if (initChanged && HasThread() && !restart) {
            PostMessage(msg_init);
        }
    }
    if (restart) {
        if (HasThread()) {
            DeInit();
        }
        // The registry must not overwrite the new values when Init reads it.
        const std::string key = GetRegistryKey();
        SetRegistryKey("");
        TGeraetHostmode::Init();
        SetRegistryKey(key);
    }
    StatusDetailZeigen();
}

void TGeraetHostmodeSerial::SetFifo(std::string_view portName) {
    DebOutObj(kClass, "SetFifo", std::string(portName));
    // The serial driver's FIFO keys exist only on Windows; their "not found" path runs.
    if (!RegistryStore::Instance().KeyExists(Hive::LocalMachine,
                                             "\\SYSTEM\\CurrentControlSet\\Services\\Serial")) {
        DebOutObj(kClass, "SetFifo", "Fehler beim Schreiben von \"ForceFifoEnable\"");
    }
}

bool TGeraetHostmodeSerial::CommOpen() {
    DebOutObj(kClass, "CommOpen", "");
    const int comPort = SerialParameter().GetComPort();
    const int baudrate = SerialParameter().baudrate;
    SetFifo("COM" + std::to_string(comPort));
    if (!IsSerialBaudrate(baudrate)) {
        // Never a rate other than the one the status detail shows.
        DebOutObjFmt(kClass, "CommOpen", "FEHLER: Baudrate %d wird nicht unterstützt", baudrate);
        SetStatus(TGeraetStatus::Fehler,
                  FormatText(GeraetText("Baudrate %d wird nicht unterstützt"), baudrate));
        return false;
    }
    const std::shared_ptr<SerialPort> port = Port();
    const std::string failure = port->Open(SerialPortPath(comPort), baudrate);
    if (!failure.empty() || !SetTimeouts(false)) {
        DebOutObj(kClass, "CommOpen", failure);
        port->Close();
        SetStatus(TGeraetStatus::Fehler, GeraetText("Öffnen der Schnittstelle"));
        return false;
    }
    return true;
}

bool TGeraetHostmodeSerial::CommClose() {
    return Port()->Close();
}

bool TGeraetHostmodeSerial::CommWrite(const char* data, std::size_t count, std::size_t& written) {
    return Port()->Write(data, count, written, {TransportStopEvent(), TransportQuitEvent()});
}

bool TGeraetHostmodeSerial::CommRead(char* buffer, std::size_t count, std::size_t& read) {
    return Port()->Read(buffer, count, read, {TransportStopEvent(), TransportQuitEvent()});
}

bool TGeraetHostmodeSerial::CommReadVorhanden(char* buffer, std::size_t count, std::size_t& read) {
    return Port()->ReadSome(buffer, count, read, {TransportStopEvent(), TransportQuitEvent()});
}

void TGeraetHostmodeSerial::CommPurge() {
    Port()->Purge();
}

bool TGeraetHostmodeSerial::CommIsOpen() const {
    return Port()->IsOpen();
}

bool TGeraetHostmodeSerial::SetTimeouts(bool fast) {
    const std::shared_ptr<SerialPort> port = Port();
    if (!port->IsOpen()) {
        DebOutObj(kClass, "SetTimeouts", "SetCommTimeouts fehlgeschlagen");
        return false;
    }
    port->SetTimeouts(fast ? kFastTimeouts : kNormalTimeouts);
    return true;
}

void TGeraetHostmodeSerial::StatusDetailZeigen() {
    const auto detail = [](const TGeraetHostmodeSerialParameter& p) {
        return "COM" + std::to_string(p.GetComPort()) + ", " + std::to_string(p.baudrate);
    };
    std::string text;
    {
        const Locker lock(Lock());
        if (editedParameter_) {
            text = detail(static_cast<const TGeraetHostmodeSerialParameter&>(*editedParameter_));
        } else if (GetStatus() == TGeraetStatus::Inaktiv) {
            text = "-";
        } else {
            text = detail(SerialParameter());
        }
    }
    SetStatusDetail(text);
}

} // namespace quarn
