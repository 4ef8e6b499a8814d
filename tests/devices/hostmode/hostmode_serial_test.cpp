// The serial host-mode kind on a pseudo-terminal with the simulated TNC behind it: settings applied while
// it runs, own calls and radio ports from the program's lists, a missing port. The whole start over a
// pseudo-terminal is in hostmode_tncsim_test.cpp.
#include "devices/hostmode/GeraetHostmodeDialog.h"
#include "devices/hostmode/GeraetHostmodeSerialU.h"
#include "platform/Codepage.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "stations/MyCallsU.h"
#include "support/Elapsed.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/TncSimCore.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <thread>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

// A TNC with the radio ports "#PORT0" and "#PORT1", left in host mode by an earlier client.
TncSimConfig HostModeTnc() {
    TncSimConfig config;
    config.channels = 4;
    config.ports = {0, 1};
    config.startInHostMode = true;
    return config;
}

// True when the simulated TNC got the command within five seconds.
bool WaitForCommand(const TncSimCore& tnc, const std::string& command) {
    return WaitFor([&] { return tnc.HasCommand(command); }, 5000);
}

TEST(HostmodeSerial, ChangingOnlyTheInitListResendsItWithoutRestart) {
    TncSimCore tnc(HostModeTnc());
    PtySim pty(tnc);
    RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM2", pty.SlavePath());
    auto device = std::make_shared<TGeraetHostmodeSerial>();
    device->SerialParameter().SetComPort(2);
    device->Init();
    ASSERT_TRUE(WaitForCommand(tnc, "U0"));
    ASSERT_TRUE(WaitFor([&] { return device->GetStatus() == TGeraetStatus::Bereit; }, 5000));
    device->EditedParameter().initListe = {"K 7"};
    device->EinstellungenUebernehmen();
    EXPECT_TRUE(WaitForCommand(tnc, "K 7"));
    EXPECT_FALSE(tnc.HasCommand("S0")); // the TNC was not left and entered again
    device->DeInit();
    EXPECT_FALSE(device->CommIsOpen());
}

TEST(HostmodeSerial, OwnCallsAndRadioPortsComeFromTheProgramsLists) {
    RegistryStore& store = RegistryStore::Instance();
    store.DeleteKey(Hive::CurrentUser, kEigeneRufzeichenKey);
    store.WriteDWord(Hive::CurrentUser, std::string(kEigeneRufzeichenKey) + "\\DL1ABC", "SSIDs", 0x5);
    const std::shared_ptr<TMyCalls> calls = TMyCalls::Create();
    TncSimCore tnc(HostModeTnc());
    PtySim pty(tnc);
    store.WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM5", pty.SlavePath());
    auto device = std::make_shared<TGeraetHostmodeSerial>();
    device->SerialParameter().SetComPort(5);
    device->Init();
    EXPECT_TRUE(WaitForCommand(tnc, "IDL1ABC"));
    EXPECT_TRUE(WaitForCommand(tnc, "IDL1ABC-2"));
    std::vector<std::shared_ptr<IFunkKanal>> ports;
    ASSERT_EQ(device->GetFunkKanaele(ports, 8), 2); // the TNC knows "#PORT0" and "#PORT1"
    EXPECT_EQ(ports[0]->GetName(), "HM50");
    EXPECT_EQ(ports[0]->GetBezeichnung(), "TNC2 intern");
    EXPECT_EQ(ports[1]->GetName(), "HM51");
    EXPECT_EQ(ports[1]->GetNummer(), 1);

    calls->BeginUpdate(); // the operator applies a new list while the device runs
    calls->Clear();
    calls->Add(std::make_shared<TMyCall>("DL9NEW", std::vector<int>{0}));
    calls->EndUpdate();
    EXPECT_TRUE(WaitForCommand(tnc, "IDL9NEW"));
    device->DeInit();
}

TEST(HostmodeSerial, MissingPortGivesStatusFehler) {
    RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM4",
                                          "/nonexistent/tty");
    auto device = std::make_shared<TGeraetHostmodeSerial>();
    device->SerialParameter().SetComPort(4);
    device->Init();
    const auto start = std::chrono::steady_clock::now();
    while (device->HasThread() && msSince(start) < 5000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(device->GetStatusText(), Utf8ToCp1252("Fehler - Öffnen der Schnittstelle"));
    device->DeInit();
}

} // namespace
} // namespace quarn::test

namespace quarn::test {
namespace {

TEST(HostmodeSerialSettings, DialogValuesBecomeTheEditedParametersAndTheDetail) {
    auto device = std::make_shared<TGeraetHostmodeSerial>();
    TGeraetHostmodeDialog dialog(nullptr, true);
    EXPECT_EQ(dialog.windowTitle(), "Hostmode - Eigenschaften");
    dialog.SetWerte(1, 38400, {"T 25"}, {});
    dialog.AnschlussBox()->setCurrentIndex(7);
    dialog.BaudrateBox()->setCurrentIndex(6);
    dialog.InitMemo()->setPlainText("T 25\nK 1\n");
    device->EinstellungenAusDialog(dialog);
    EXPECT_EQ(device->GetStatusDetail(), "COM8, 230400");
    EXPECT_EQ(device->EditedParameter().initListe, (std::vector<std::string>{"T 25", "K 1"}));
    EXPECT_EQ(device->SerialParameter().GetComPort(), 1); // in force only when applied
    device->EinstellungenSchliessen();
    device->StatusDetailZeigen();
    EXPECT_EQ(device->GetStatusDetail(), "-"); // inactive device without edited values
}

} // namespace
} // namespace quarn::test
