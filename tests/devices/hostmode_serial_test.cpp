// The serial host-mode kind on a pseudo-terminal, with the scripted TNC pumped behind its master side.
#include "HostmodeFake.h"
#include "devices/GeraetHostmodeDialog.h"
#include "devices/GeraetHostmodeSerialU.h"
#include "platform/Codepage.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "stations/MyCallsU.h"
#include "support/Elapsed.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace quarn::test {
namespace {

// A pseudo-terminal whose slave is raw and stays open here, so the device may open and close it.
class PtyTnc {
public:
    explicit PtyTnc(FakeTnc& tnc) : tnc_(tnc) {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            return;
        }
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        master_ = master;
        slave_ = slave;
        path_ = name;
        pump_ = std::thread([this] { Pump(); });
    }
    ~PtyTnc() {
        stop_ = true;
        if (pump_.joinable()) {
            pump_.join();
        }
        ::close(master_);
        ::close(slave_);
    }
    const std::string& path() const { return path_; }

private:
    void Pump() {
        char buffer[512];
        while (!stop_) {
            pollfd fd{master_, POLLIN, 0};
            ::poll(&fd, 1, 5);
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                tnc_.Feed(std::string(buffer, static_cast<std::size_t>(n)));
            }
            const std::string out = tnc_.Take(4096);
            for (std::size_t done = 0; done < out.size() && !stop_;) {
                const ssize_t w = ::write(master_, out.data() + done, out.size() - done);
                if (w > 0) {
                    done += static_cast<std::size_t>(w);
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
        }
    }

    FakeTnc& tnc_;
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
    std::thread pump_;
    std::atomic<bool> stop_{false};
};

// True when the scripted TNC got the command within five seconds.
bool WaitForCommand(FakeTnc& tnc, const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    while (!tnc.Has(command) && msSince(start) < 5000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return tnc.Has(command);
}

constexpr const char* kDeviceKey = "\\Software\\Velmoor\\Quarn\\Geraete\\7";

TEST(HostmodeSerial, WholeStartOnAPseudoTerminal) {
    FakeTnc tnc;
    PtyTnc pty(tnc);
    ASSERT_FALSE(pty.path().empty());
    RegistryStore& store = RegistryStore::Instance();
    store.WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM3", pty.path());
    store.WriteDWord(Hive::LocalMachine, kDeviceKey, "Anschluss", 3);
    store.WriteDWord(Hive::LocalMachine, kDeviceKey, "Baudrate", 9600);
    store.WriteBinary(Hive::LocalMachine, kDeviceKey, "Init", std::string("T 25\0", 5));

    auto device = std::make_shared<TGeraetHostmodeSerial>();
    device->SetRegistryKey(kDeviceKey);
    device->Init();
    const auto start = std::chrono::steady_clock::now();
    while (!tnc.Has("T 25") && msSince(start) < 10000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(device->GetStatus(), TGeraetStatus::Bereit);
    EXPECT_EQ(device->GetStatusDetail(), "COM3, 9600");
    EXPECT_EQ(device->GetGeraeteKlasse(), "TNC2");
    EXPECT_EQ(tnc.jhost1Count, 1); // started in terminal mode
    EXPECT_TRUE(tnc.Has("U0"));
    EXPECT_TRUE(tnc.Has("T 25"));
    const auto stopStart = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(stopStart), 1000);
    EXPECT_FALSE(device->CommIsOpen());
    const auto left = std::chrono::steady_clock::now();
    while (tnc.InHostMode() && msSince(left) < 2000) { // the last bytes travel through the pump
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(tnc.Has("S0"));
    EXPECT_FALSE(tnc.InHostMode());
    store.DeleteKey(Hive::LocalMachine, kDeviceKey);
}

TEST(HostmodeSerial, ChangingOnlyTheInitListResendsItWithoutRestart) {
    FakeTnc tnc;
    tnc.hostMode = true;
    PtyTnc pty(tnc);
    RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey,
                                          "COM2", pty.path());
    auto device = std::make_shared<TGeraetHostmodeSerial>();
    device->SerialParameter().SetComPort(2);
    device->Init();
    ASSERT_TRUE(WaitForCommand(tnc, "U0"));
    const auto readyStart = std::chrono::steady_clock::now();
    while (device->GetStatus() != TGeraetStatus::Bereit && msSince(readyStart) < 5000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    device->EditedParameter().initListe = {"K 7"};
    device->EinstellungenUebernehmen();
    EXPECT_TRUE(WaitForCommand(tnc, "K 7"));
    EXPECT_FALSE(tnc.Has("S0")); // the TNC was not left and entered again
    device->DeInit();
}

TEST(HostmodeSerial, OwnCallsAndRadioPortsComeFromTheProgramsLists) {
    RegistryStore& store = RegistryStore::Instance();
    store.DeleteKey(Hive::CurrentUser, kEigeneRufzeichenKey);
    store.WriteDWord(Hive::CurrentUser, std::string(kEigeneRufzeichenKey) + "\\DL1ABC", "SSIDs", 0x5);
    const std::shared_ptr<TMyCalls> calls = TMyCalls::Create();
    FakeTnc tnc;
    tnc.hostMode = true;
    PtyTnc pty(tnc);
    store.WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM5", pty.path());
    auto device = std::make_shared<TGeraetHostmodeSerial>();
    device->SerialParameter().SetComPort(5);
    device->Init();
    EXPECT_TRUE(WaitForCommand(tnc, "IDL1ABC"));
    EXPECT_TRUE(WaitForCommand(tnc, "IDL1ABC-2"));
    std::vector<std::shared_ptr<IFunkKanal>> ports;
    ASSERT_EQ(device->GetFunkKanaele(ports, 8), 2); // the scripted TNC knows "#PORT0" and "#PORT1"
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
    RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey,
                                          "COM4", "/nonexistent/tty");
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
