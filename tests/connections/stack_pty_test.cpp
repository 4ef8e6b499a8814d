// The whole chain over real pseudo-terminals: two simulated TNCs on one air, each behind a pty, and the
// serial host-mode kind opening them through the port table. A connect, data both ways, a disconnect.
#include "StackFixture.h"
#include "devices/hostmode/GeraetHostmodeSerialU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "tools/tncsim/PtySim.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

// The serial kind with own calls of its own (there is no own-call list in this build).
class SerialStation : public TGeraetHostmodeSerial {
public:
    explicit SerialStation(std::string call) : call_(std::move(call)) {}

protected:
    std::vector<TEigenesRufzeichen> EigeneRufzeichenHolen() const override { return {{call_, {0}}}; }

private:
    std::string call_;
};

// A TNC on the air behind a pty registered as COM<port>, and the serial device on that port.
struct PtyStation {
    PtyStation(SimAir& air, int port, const std::string& call) : core(StackTnc()) {
        air.Attach(core);
        pty = std::make_unique<PtySim>(core);
        RegistryStore::Instance().WriteString(Hive::LocalMachine, kSerialPortTableKey,
                                              "COM" + std::to_string(port), pty->SlavePath());
        device = std::make_shared<SerialStation>(call);
        device->SerialParameter().SetComPort(port);
        device->SerialParameter().baudrate = 38400;
    }
    ~PtyStation() {
        device->DeInit();
        device.reset();
        pty->Stop();
    }
    PtyStation(const PtyStation&) = delete;
    PtyStation& operator=(const PtyStation&) = delete;

    TncSimCore core;
    std::unique_ptr<PtySim> pty;
    std::shared_ptr<SerialStation> device;
};

using StackPtyTest = StackTest;

TEST_F(StackPtyTest, ConnectDataBothWaysAndDisconnectOverPseudoTerminals) {
    constexpr std::size_t kBytes = 4096;
    {
        PtyStation a(air_, 5, "DL1AAA");
        PtyStation b(air_, 6, "DL2BBB");
        a.device->Init();
        b.device->Init();
        ASSERT_TRUE(PumpUntil([&] {
            return a.device->GetStatus() == TGeraetStatus::Bereit &&
                   b.device->GetStatus() == TGeraetStatus::Bereit && a.core.CountCommand("G") > 0 &&
                   b.core.CountCommand("G") > 0;
        }));
        EXPECT_EQ(a.device->GetStatusDetail(), "COM5, 38400");

        auto atA = std::make_shared<StackKanal>(1);
        auto port = std::make_shared<TFunkKanal>(a.device);
        port->SetNummer(-1);
        std::string path = "DL2BBB";
        std::string myCall = "DL1AAA";
        std::shared_ptr<IVerbindung> connection;
        ASSERT_EQ(a.device->Verbinde(port, path, connection, atA, myCall), TConnectResult::Connected);
        const std::weak_ptr<IVerbindung> linkA = connection;
        connection.reset();
        ASSERT_TRUE(PumpUntil([&] {
            const auto atB = FirstHandedOut();
            return atA->Has("Verbunden") && atB && atB->Has("Verbunden") && atB->Connection();
        }));
        const std::shared_ptr<StackKanal> atB = FirstHandedOut();
        const std::weak_ptr<IVerbindung> linkB = atB->Connection();
        EXPECT_EQ(atB->Connection()->Get_Call(), "DL1AAA");

        const std::string toB = StackData(kBytes, 5);
        const std::string toA = StackData(kBytes, 6);
        atA->Connection()->SendeText(toB, false, false, false, true);
        atB->Connection()->SendeText(toA, false, false, false, true);
        ASSERT_TRUE(PumpUntil([&] { return atA->ReceivedSize() >= kBytes && atB->ReceivedSize() >= kBytes; }))
            << atA->ReceivedSize() << " / " << atB->ReceivedSize() << " bytes arrived";
        EXPECT_TRUE(atB->Received() == toB);
        EXPECT_TRUE(atA->Received() == toA);

        atB->Connection()->Disconnect();
        EXPECT_TRUE(PumpUntil([&] { return atA->Has("Getrennt 0") && atB->Has("Getrennt 0"); }));
        EXPECT_TRUE(PumpUntil([&] { return linkA.expired() && linkB.expired(); }, 10000));
        EXPECT_TRUE(b.core.HasCommand("D")); // the end came from B
    }
    RegistryStore::Instance().DeleteKey(Hive::LocalMachine, std::string(kSerialPortTableKey));
}

} // namespace
} // namespace quarn::test
