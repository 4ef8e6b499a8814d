#pragma once

// The README's set-up for the whole program against the simulated TNC on a pseudo-terminal: COM5 of the
// port table points at the simulator, one serial host-mode device uses it, DL1QRN is the own call. It
// holds the GUI-thread hand-off as well, so a main window made after it must be gone before it goes.
#include "console/ConsoleU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace quarn::test {

class TncSimProgramm {
public:
    // `luft` puts stations and beacons on the air before the simulator starts; `ssids` are DL1QRN's.
    explicit TncSimProgramm(std::uint32_t ssids, const std::function<void(tncsim::SimAir&)>& luft = {}) {
        InitializeSynchronize();
        air_.Attach(core_);
        if (luft) {
            luft(air_);
        }
        pty_ = std::make_unique<tncsim::PtySim>(core_);
        RegistryStore& store = RegistryStore::Instance();
        store.WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM5", pty_->SlavePath());
        store.WriteString(Hive::LocalMachine, Geraet(), "", "TGeraetHostmodeSerial");
        store.WriteDWord(Hive::LocalMachine, Geraet(), "Anschluss", 5);
        store.WriteDWord(Hive::LocalMachine, Geraet(), "Baudrate", 0x9600);
        store.WriteDWord(Hive::CurrentUser, Schluessel("\\Eigene Rufzeichen\\DL1QRN"), "SSIDs", ssids);
    }
    ~TncSimProgramm() {
        pty_->Stop();
        RegistryStore& store = RegistryStore::Instance();
        store.DeleteKey(Hive::LocalMachine, Schluessel("\\Geraete"));
        store.DeleteKey(Hive::CurrentUser, Schluessel("\\Eigene Rufzeichen"));
        FinalizeSynchronize();
    }
    TncSimProgramm(const TncSimProgramm&) = delete;
    TncSimProgramm& operator=(const TncSimProgramm&) = delete;

    tncsim::SimAir& Air() { return air_; }
    tncsim::TncSimCore& Core() { return core_; }
    const tncsim::TncSimCore& Core() const { return core_; }
    const std::string& PtyPfad() const { return pty_->SlavePath(); }

private:
    static std::string Schluessel(const char* unter) {
        return std::string("\\Software\\Velmoor\\Quarn") + unter;
    }
    static std::string Geraet() { return Schluessel("\\Geraete\\0"); }

    tncsim::SimAir air_;
    tncsim::TncSimCore core_{tncsim::ConfigFor(tncsim::Identity::Tnc2)};
    std::unique_ptr<tncsim::PtySim> pty_;
};

// The lines of channel `number`'s console that hold text, each ended by LF.
inline std::string ConsoleText(int number) {
    TConsole& console = *TKanaele::Instance()->GetTKanal(number)->GetConsole();
    std::string text;
    for (int row = 0; row < console.Rows(); ++row) {
        std::string line(reinterpret_cast<const char*>(console.TextPtr(0, row)), console.Cols());
        line.erase(line.find_last_not_of(' ') + 1);
        if (!line.empty()) {
            text += line + '\n';
        }
    }
    return text;
}

} // namespace quarn::test
