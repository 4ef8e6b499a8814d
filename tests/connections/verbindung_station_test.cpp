// The station database entry of the remote call: found with and without SSID, and what it decides
// (the incoming-connection rule, the identification's "?").
#include "VerbindungTestFixture.h"
#include "connections/VerbindungSenden.h"
#include "foundation/VersionInfo.h"
#include "stations/StationenDatenbankU.h"
#include "support/TestDatenbank.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

class VerbindungStationTest : public VerbindungFixture {
protected:
    void SetUp() override {
        VerbindungFixture::SetUp();
        database = TestDatenbank(dir.path());
        database->CreateEintrag("DB0BOX")->SetFirewall(TIncomingConnects::Reject);
        database->CreateEintrag("DL1ABC-0");
    }
    void TearDown() override {
        VerbindungFixture::TearDown();
        database.reset();
    }

    std::unique_ptr<TStationenDatenbank> database;
};

TEST_F(VerbindungStationTest, EntryIsFoundWithOrWithoutSsid) {
    const auto connection = Make();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"db0box", "DB0BOX"},   // exact, no SSID
        {"DB0BOX-5", "DB0BOX"}, // falls back to the call without SSID
        {"DL1ABC", "DL1ABC-0"}, // no SSID reads as -0
        {"DL1XYZ", ""},         // unknown
    };
    for (const auto& [call, found] : cases) {
        connection->Set_Call(call);
        const auto entry = connection->GetStationenDatenbankEintrag();
        EXPECT_EQ(entry ? entry->GetRufzeichen() : std::string(), found) << call;
    }
}

TEST_F(VerbindungStationTest, StationRuleOverridesTheGlobalOne) {
    config.SetIncomingConnects(2);
    const auto connection = Make();
    connection->Set_Path("DB0BOX-1 via DB0XYZ");
    EXPECT_EQ(connection->GetIncomingConnects(), TIncomingConnects::Reject);
    connection->Set_Call("DL1XYZ");
    EXPECT_EQ(connection->GetIncomingConnects(), TIncomingConnects::Ignore);
}

TEST_F(VerbindungStationTest, KnownStationGetsTheIdentificationWithoutQuestionMark) {
    const auto connection = Make();
    connection->Set_Call("DB0BOX");
    connection->SID();
    EXPECT_EQ(connection->GetTypedTextQueue().PopString(), SidZeile(ProgramVersion(), true));
}

TEST_F(VerbindungStationTest, EntryIsDroppedWhenTheLinkEnds) {
    const auto connection = Make();
    connection->Set_Call("DB0BOX");
    connection->Getrennt(0);
    EXPECT_EQ(connection->GetStationenDatenbankEintrag(), nullptr);
}

} // namespace
} // namespace quarn::test
