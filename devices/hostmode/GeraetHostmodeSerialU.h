#pragma once

#include "devices/hostmode/GeraetHostmodeU.h"
#include "platform/SerialPort.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class TGeraetHostmodeDialog;

class TGeraetHostmodeSerialParameter : public TGeraetHostmodeParameter {
public:
    std::unique_ptr<TGeraetHostmodeParameter> Kopie() const override;
    // Also the base's port number, used in radio-port names.
    void SetComPort(int port);
    int GetComPort() const { return comPort_; }

    int baudrate = 38400;

private:
    int comPort_ = 1;
};

// A host-mode TNC on a serial port "COM%d" (resolved through the machine hive's port table).
class TGeraetHostmodeSerial : public TGeraetHostmode {
public:
    static constexpr std::array<int, 7> kBaudraten = {4800, 9600, 19200, 38400, 57600, 115200, 230400};
    static constexpr int kComPorts = 8;

    TGeraetHostmodeSerial();
    ~TGeraetHostmodeSerial() override;

    std::string TypName() const override { return "Hostmode"; }
    std::string KlassenName() const override { return "TGeraetHostmodeSerial"; }
    // Every run has a line of its own (see Port).
    void Run() override;
    void Init() override;
    void Save() override;
    int EinstellungenSeite(QWidget* parent) override;
    void EinstellungenSchliessen() override;
    void EinstellungenUebernehmen() override;

    bool CommOpen() override;
    bool CommClose() override;
    bool CommWrite(const char* data, std::size_t count, std::size_t& written) override;
    bool CommRead(char* buffer, std::size_t count, std::size_t& read) override;
    bool CommReadVorhanden(char* buffer, std::size_t count, std::size_t& read) override;
    void CommPurge() override;
    bool CommIsOpen() const override;
    std::unique_ptr<TGeraetHostmodeParameter> ParameterErzeugen() const override;
    bool SetTimeouts(bool fast) override;
    void StatusDetailZeigen() override;

    // The serial FIFO settings the port once had under Windows; absent here, so only traced.
    void SetFifo(std::string_view portName);

    // What OK in the settings dialog does: the edited parameters take the dialog's values.
    void EinstellungenAusDialog(const TGeraetHostmodeDialog& dialog);

    TGeraetHostmodeSerialParameter& SerialParameter();
    // The parameters the settings dialog edits, created from those in force when missing.
    TGeraetHostmodeSerialParameter& EditedParameter();

private:
    // The line of the run on the calling device thread; elsewhere the line of the newest run. A run
    // that `DeInit` abandoned keeps its own line to its end, so it never writes to or closes the line
    // of the run that followed it.
    std::shared_ptr<SerialPort> Port() const;

    std::shared_ptr<SerialPort> port_ = std::make_shared<SerialPort>(); // of the newest run, under Lock()
};

} // namespace quarn
