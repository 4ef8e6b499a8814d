// The run loop's end and new start: live links saved under the device key at shut-down, kept in memory
// across a restart of the device, recreated by Restore at the next program start; and the Pactor
// channel above the packet channels served like them.
#include "HostmodeLoopFixture.h"
#include "TraceLines.h"
#include "platform/Registry.h"
#include "support/Elapsed.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

constexpr const char* kKey = "\\Software\\Velmoor\\Quarn\\Geraete\\41";

std::vector<std::string> SavedChannels() {
    std::vector<std::string> names = RegistryStore::Instance().SubKeyNames(Hive::LocalMachine, kKey);
    std::sort(names.begin(), names.end());
    return names;
}

std::shared_ptr<LoopDevice> MakeDevice(TncSimCore& core) {
    auto device = std::make_shared<LoopDevice>(core);
    device->calls = kLoopCalls;
    device->SetRegistryKey(kKey);
    return device;
}

// Waits until the device ran a full check after its (re)start and one more cycle after it.
void WaitForFullCheck(TncSimCore& core) {
    const int asked = core.CountCommand("C", 1);
    ASSERT_TRUE(WaitFor([&] { return core.CountCommand("C", 1) > asked; }));
    const int polled = core.CountCommand("G", 1);
    ASSERT_TRUE(WaitFor([&] { return core.CountCommand("G", 1) >= polled + 2; }));
}

class LoopRestartTest : public LoopTest {
public:
    LoopRestartTest() {
        RegistryStore& store = RegistryStore::Instance();
        store.DeleteKey(Hive::LocalMachine, kKey);
        store.CreateKey(Hive::LocalMachine, std::string(kKey) + "\\9"); // a link saved long ago
        store.WriteBinary(Hive::LocalMachine, kKey, "Deinit", std::string("K 0\0", 4));
    }
    ~LoopRestartTest() override { RegistryStore::Instance().DeleteKey(Hive::LocalMachine, kKey); }
};

TEST_F(LoopRestartTest, LiveLinksAreSavedKeptAcrossASettingsRestartAndRestoredAtTheNextStart) {
    TncSimCore core(LoopTnc());
    TraceLines trace;
    auto device = MakeDevice(core);
    device->Init();
    ASSERT_TRUE(WaitFor([&] { return core.CountCommand("G", 1) >= 1; }));
    ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
    ASSERT_TRUE(core.IncomingConnect(2, "DL3CCC via DB0XYZ"));
    ASSERT_TRUE(WaitFor([&] { return device->GetKanalVerbindung(1) && device->GetKanalVerbindung(2); }));
    ASSERT_EQ(Made().size(), 2u);
    // By channel: the device may have met either link first.
    const std::vector<std::shared_ptr<FakeVerbindung>> links = {
        std::dynamic_pointer_cast<FakeVerbindung>(device->GetKanalVerbindung(1)),
        std::dynamic_pointer_cast<FakeVerbindung>(device->GetKanalVerbindung(2))};

    device->DeInit();
    for (const auto& link : links) {
        EXPECT_EQ(link->Saved(), std::vector<std::string>{kKey});
    }
    EXPECT_EQ(SavedChannels(), (std::vector<std::string>{"1", "2"})); // the stale 9 is gone
    for (const char* command : {"K 0", "MN", "Z3", "S0", "JHOST0"}) {
        EXPECT_TRUE(core.HasCommand(command, 0)) << command;
    }
    EXPECT_FALSE(core.InHostMode());

    // A change of settings starts the device again: its links are still its own, not new incoming ones.
    device->Init();
    WaitForFullCheck(core);
    device->DeInit();
    EXPECT_EQ(Made().size(), 2u);
    for (const auto& link : links) {
        EXPECT_TRUE(link->GetrenntGruende().empty());
        EXPECT_FALSE(link->Released());
        EXPECT_EQ(link->Starts(), 1);
    }
    EXPECT_EQ(device->GetKanalVerbindung(1), links[0]);
    EXPECT_FALSE(trace.Contains("FULLCHECK: Verbindung aufgetaucht."));

    // The program ends and starts anew; the TNC kept its links meanwhile.
    device.reset();
    EXPECT_TRUE(links[0]->Released());
    auto next = MakeDevice(core);
    next->Restore();
    ASSERT_EQ(Made().size(), 4u);
    const std::vector<std::shared_ptr<FakeVerbindung>> restored = {Made()[2], Made()[3]};
    EXPECT_EQ(next->GetKanalVerbindung(1)->Get_RealPath(), "DL2BBB");
    EXPECT_EQ(next->GetKanalVerbindung(2)->Get_RealPath(), "DL3CCC DB0XYZ");
    EXPECT_TRUE(SavedChannels().empty());
    next->Init();
    WaitForFullCheck(core);
    next->DeInit();
    for (const auto& link : restored) {
        EXPECT_EQ(link->Restores(), 1);
        EXPECT_TRUE(link->GetrenntGruende().empty()); // the first full check kept it
    }
    EXPECT_EQ(Made().size(), 4u); // and adopted nothing
    EXPECT_FALSE(trace.Contains("FULLCHECK: RealPath"));
}

TEST_F(LoopRestartTest, RestoreLeavesOccupiedAndInvalidEntriesAlone) {
    RegistryStore& store = RegistryStore::Instance();
    store.CreateKey(Hive::LocalMachine, std::string(kKey) + "\\300");
    store.CreateKey(Hive::LocalMachine, std::string(kKey) + "\\x");
    TncSimCore core(LoopTnc());
    auto device = MakeDevice(core);
    auto present = std::make_shared<FakeVerbindung>(device);
    ASSERT_TRUE(device->KanalEintragen(9, present));
    device->Restore();
    EXPECT_EQ(device->GetKanalVerbindung(9), present);
    for (const auto& made : Made()) {
        EXPECT_TRUE(made->Released()) << made->Get_Handle(); // 9 occupied, 300 no TNC channel
    }
    EXPECT_EQ(Made().size(), 2u); // "x" names no channel
    device->KanalFreigeben(9);
}

TEST_F(LoopRestartTest, APactorChannelAboveThePacketChannelsIsPolledAndSaved) {
    TncSimConfig config = ConfigFor(Identity::PtcII);
    config.channels = 4;
    config.pactorChannel = 6;
    config.startInHostMode = true;
    TncSimCore core(config);
    auto device = MakeDevice(core);
    auto pactor = std::make_shared<FakeVerbindung>(device);
    pactor->Set_Handle(6);
    pactor->SetState(3);
    ASSERT_TRUE(device->KanalEintragen(6, pactor));
    device->Init();
    ASSERT_TRUE(WaitFor([&] { return core.CountCommand("G", 6) >= 1 && core.CountCommand("L", 6) >= 1; }));
    EXPECT_EQ(device->GetKanalAnzahl(), 4);
    EXPECT_EQ(device->GetPactorKanal(), 6);
    EXPECT_TRUE(pactor->GetPactor());
    device->DeInit();
    EXPECT_EQ(pactor->Saved(), std::vector<std::string>{kKey});
    device->KanalFreigeben(6);
}

} // namespace
} // namespace quarn::test
