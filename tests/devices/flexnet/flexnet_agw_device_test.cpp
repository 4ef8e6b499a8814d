// The FlexNet device configured for a sound-card modem, against two direwolf modems: the device on the
// first, a plain AGW client standing in for the remote station on the second.
#include "AgwFrameLog.h"
#include "FlexnetFixture.h"
#include "devices/flexnet/AgwClient.h"
#include "devices/flexnet/FlexnetAgwKernel.h"
#include "support/DirewolfPair.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

// The device as the program makes it, its monitor output kept for the test.
class ModemFlexnet final : public TGeraetFlexnet {
public:
    std::vector<TMonitorFrame> Frames() const {
        const std::lock_guard lock(mutex_);
        return frames_;
    }

protected:
    void MonitorFrameZeigen(const TMonitorFrame& frame) override {
        const std::lock_guard lock(mutex_);
        frames_.push_back(frame);
    }
    // Information frames with their text, and UI frames.
    std::int32_t MonitorFlags() const override { return 0x4 | 0x8 | 0x10; }

private:
    mutable std::mutex mutex_;
    std::vector<TMonitorFrame> frames_;
};

class FlexnetModemTest : public FlexnetTest {
protected:
    void SetUp() override {
        const auto program = FindDirewolf();
        if (!program) {
            GTEST_SKIP() << "direwolf is not installed (Debian package \"direwolf\", scripts/setup-deps.sh)";
        }
        modems_ = std::make_unique<DirewolfPair>(*program);
        ASSERT_TRUE(modems_->Ready()) << modems_->Log(0) << modems_->Log(1);
        ASSERT_TRUE(remote_.Open("127.0.0.1", modems_->AgwPort(1)));
        ASSERT_TRUE(remote_.Send(test::AgwMessage('X', "DL2BBB")));
        ASSERT_TRUE(remote_.Send(test::AgwMessage('k')));
        SetFlexnetModemKernelFabrik(&MakeFlexnetAgwKernel);
        modem = std::make_shared<ModemFlexnet>();
        modem->SetRegistryKey(registryKey_);
        // Stored as the settings page stores it, and started as the program starts a stored device.
        modem->SetEinstellungen({TFlexnetKernelArt::Modem, "127.0.0.1", modems_->AgwPort(0)});
        modem->Save();
        modem->Init();
        ASSERT_TRUE(WarteBis([this] { return modem->GetStatus() == TGeraetStatus::Bereit; }, 10000))
            << modem->GetStatusText();
    }

    void TearDown() override {
        if (modem) {
            modem->DeInit();
        }
        SetFlexnetModemKernelFabrik(nullptr);
        if (HasFailure() && modems_) {
            std::cerr << "modem 0:\n" << modems_->Log(0) << "modem 1:\n" << modems_->Log(1);
        }
    }

    std::shared_ptr<ModemFlexnet> modem;
    std::unique_ptr<DirewolfPair> modems_;
    AgwFrameLog remoteLog_;
    AgwClient remote_{[this](const AgwFrame& frame) { remoteLog_.Add(frame); }, [] {}};
};

TEST_F(FlexnetModemTest, ConnectsSendsReceivesAndDisconnectsThroughTheModem) {
    std::vector<std::shared_ptr<IFunkKanal>> ports;
    ASSERT_EQ(modem->GetFunkKanaele(ports, 32), 1);
    EXPECT_EQ(ports[0]->GetName(), "FLEX00");

    std::string path = "DL2BBB";
    std::string myCall = "DL1ABC";
    std::shared_ptr<IVerbindung> connection;
    ASSERT_EQ(modem->Verbinde(ports[0], path, connection, std::make_shared<TestKanal>(1), myCall),
              TConnectResult::Connected);
    const std::shared_ptr<FakeVerbindung> link = Made().back();
    ASSERT_TRUE(WarteBis([&] { return link->Starts() == 1; }, 15000));
    EXPECT_EQ(link->Get_MyCall(), "DL1ABC");
    EXPECT_EQ(link->Get_Call(), "DL2BBB");

    link->SendeText("hallo von der Station\r", false, false, false, false);
    EXPECT_EQ(remoteLog_.WaitForData('D', 22), "hallo von der Station\r");
    ASSERT_TRUE(remote_.Send(test::AgwMessage('D', "DL2BBB", "DL1ABC", "und zurück\r")));
    EXPECT_TRUE(WarteBis([&] { return link->Empfangen() == "und zurück\r"; }, 15000)) << link->Empfangen();

    EXPECT_TRUE(modem->SendUI(ports[0], "QST", "DL1ABC", "rundspruch"));
    EXPECT_TRUE(remoteLog_.WaitFor(
        [](const AgwFrame& f) { return f.kind == 'K' && f.data.find("rundspruch") != std::string::npos; }));

    link->SetDiscLevel(1);
    modem->Trenne(link);
    EXPECT_TRUE(remoteLog_.WaitFor([](const AgwFrame& f) { return f.kind == 'd'; }));
    EXPECT_TRUE(WarteBis([&] { return link->GetrenntGruende() == std::vector<int>{0}; }, 15000));
}

TEST_F(FlexnetModemTest, AcceptsAnIncomingConnectForAnOwnCallAndMonitorsIt) {
    ASSERT_TRUE(remote_.Send(test::AgwMessage('C', "DL2BBB", "DL1ABC-5")));
    ASSERT_TRUE(WarteBis([&] { return !Made().empty() && Made().back()->Starts() == 1; }, 15000));
    const std::shared_ptr<FakeVerbindung> link = Made().back();
    EXPECT_EQ(link->Get_MyCall(), "DL1ABC-5");
    EXPECT_EQ(link->Get_Call(), "DL2BBB");
    EXPECT_FALSE(link->GetAusgehend());

    // The remote's modem takes data once it heard the answer to its connect.
    ASSERT_TRUE(remoteLog_.WaitFor([](const AgwFrame& f) { return f.kind == 'C'; }));
    ASSERT_TRUE(remote_.Send(test::AgwMessage('D', "DL2BBB", "DL1ABC-5", "guten Tag\r")));
    EXPECT_TRUE(WarteBis([&] { return link->Empfangen() == "guten Tag\r"; }, 15000));
    // The monitor shows the remote's information frame with its text.
    EXPECT_TRUE(WarteBis(
        [&] {
            for (const TMonitorFrame& frame : modem->Frames()) {
                if (frame.kind == 1 && frame.from == "DL2BBB" && frame.information == "guten Tag\r") {
                    return true;
                }
            }
            return false;
        },
        10000));

    ASSERT_TRUE(remote_.Send(test::AgwMessage('d', "DL2BBB", "DL1ABC-5")));
    EXPECT_TRUE(WarteBis([&] { return link->GetrenntGruende() == std::vector<int>{0}; }, 15000));
}

} // namespace
} // namespace quarn::test
