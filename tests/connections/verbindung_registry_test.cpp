// Live links saved at shut-down under the device's key and restored at the next start.
#include "VerbindungTestFixture.h"
#include "foundation/QuarnException.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

constexpr std::string_view kDeviceKey = "\\Software\\Velmoor\\Quarn\\Geraete\\01";

class VerbindungRegistryTest : public VerbindungFixture {
protected:
    void SetUp() override {
        VerbindungFixture::SetUp();
        // The restored link starts its thread; a handler that waits for the end keeps it simple.
        TVerbindungThread::SetHandlerForTests([](const std::shared_ptr<IVerbindungFuerModul>& connection) {
            connection->GetHandle(4)->Wait(kInfinite);
        });
    }
};

TEST_F(VerbindungRegistryTest, SavedLinkComesBackWholeAndItsKeyGoes) {
    const auto saved = Make();
    saved->Set_Handle(7);
    saved->Set_Path("DB0ABC via DB0XYZ");
    saved->Set_RealPath("DB0ABC DB0XYZ DB0QRS");
    saved->Set_MyCall("DL9XYZ-3");
    saved->SetAusgehend(true);
    saved->SetStationTyp(TStationType::st_digi);
    saved->InfoboxConnect("DL1AAA");
    saved->SetStationTyp(TStationType::st_box);
    saved->SetBinMode(5);
    saved->SetLocalEcho(false);
    saved->SetState(3);
    saved->SaveToRegistry(kDeviceKey);
    const std::string key = std::string(kDeviceKey) + "\\7";
    ASSERT_TRUE(store.KeyExists(Hive::LocalMachine, key));
    EXPECT_EQ(store.ReadDWord(Hive::LocalMachine, key, "K"), 0xFFFFFFFFu) << "no channel";

    const auto restored = Make();
    restored->RestoreFromRegistry(kDeviceKey, 7);
    EXPECT_EQ(restored->Get_Handle(), 7);
    EXPECT_EQ(restored->Get_Path(), "DL1AAA DB0XYZ DB0ABC");
    EXPECT_EQ(restored->Get_RealPath(), "DB0ABC DB0XYZ DB0QRS");
    EXPECT_EQ(restored->Get_MyCall(), "DL9XYZ-3");
    EXPECT_TRUE(restored->GetAusgehend());
    EXPECT_EQ(restored->GetHops(), std::vector<std::string>{"DB0ABC"});
    EXPECT_EQ(restored->GetStationTyp(), TStationType::st_box);
    EXPECT_EQ(restored->GetBinMode(), 5);
    EXPECT_FALSE(restored->GetLocalEcho());
    EXPECT_FALSE(restored->GetConnectText());
    EXPECT_TRUE(restored->GetFernsteuerung());
    EXPECT_EQ(restored->GetState(), 3);
    EXPECT_TRUE(restored->IsRestored());
    EXPECT_FALSE(store.KeyExists(Hive::LocalMachine, key));

    // Restored links run: they are listed while their thread runs and end like any other.
    ASSERT_TRUE(PumpUntil([&] { return connections.Count() == 1; }));
    restored->Getrennt(0);
    EXPECT_EQ(restored->GetState(), 0);
    EXPECT_EQ(connections.Count(), 0);
}

TEST_F(VerbindungRegistryTest, KeyWithoutChannelIsReportedAndKept) {
    const std::string key = std::string(kDeviceKey) + "\\3";
    store.WriteString(Hive::LocalMachine, key, "C", "DB0ABC");
    store.WriteDWord(Hive::LocalMachine, key, "S", 3);

    const auto connection = Make();
    EXPECT_THROW(connection->RestoreFromRegistry(kDeviceKey, 3), QuarnException);
    EXPECT_TRUE(store.KeyExists(Hive::LocalMachine, key));
    EXPECT_EQ(connection->GetState(), 2) << "not started";
}

TEST_F(VerbindungRegistryTest, MissingKeyStillSwitchesRemoteControlOnAndStartsNothing) {
    const auto connection = Make();
    connection->RestoreFromRegistry(kDeviceKey, 99);
    EXPECT_TRUE(connection->GetFernsteuerung());
    EXPECT_EQ(connection->GetState(), 2);
    EXPECT_EQ(connection->GetHandle(4), nullptr) << "no thread";
}

TEST_F(VerbindungRegistryTest, OutOfRangeValuesFallBack) {
    const std::string key = std::string(kDeviceKey) + "\\4";
    store.WriteString(Hive::LocalMachine, key, "C", "DB0ABC");
    store.WriteDWord(Hive::LocalMachine, key, "K", 0);
    store.WriteDWord(Hive::LocalMachine, key, "T", 9);
    store.WriteDWord(Hive::LocalMachine, key, "S", 7);
    store.WriteDWord(Hive::LocalMachine, key, "BinMode", 6);

    const auto connection = Make();
    connection->RestoreFromRegistry(kDeviceKey, 4);
    EXPECT_EQ(connection->GetStationTyp(), TStationType::st_unknown);
    EXPECT_EQ(connection->GetBinMode(), 0);
    EXPECT_EQ(connection->GetState(), 3);
    EXPECT_TRUE(connection->GetLocalEcho());
    EXPECT_EQ(connection->GetKanal(), nullptr);
    connection->Getrennt(0);
}

} // namespace
} // namespace quarn::test
