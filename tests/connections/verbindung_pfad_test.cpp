// Calls and paths of a connection, the own call's guard and the node-hop bookkeeping.
#include "VerbindungTestFixture.h"
#include "foundation/QuarnException.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

using VerbindungPfadTest = VerbindungFixture;

struct PathCase {
    std::string put;
    std::string call;
    std::string digis;
    std::string path;
};

TEST_F(VerbindungPfadTest, PathPutSplitsCallAndDigis) {
    const std::vector<PathCase> cases = {
        {"  db0abc via db0xyz v db0qrs ", "DB0ABC", "DB0XYZ DB0QRS", "DB0ABC DB0XYZ DB0QRS"},
        {"dl1abc-7", "DL1ABC-7", "", "DL1ABC-7"},
        {"DL1ABC V DB0XYZ", "DL1ABC", "DB0XYZ", "DL1ABC DB0XYZ"},
        {"DL1ABC VIA V DB0XYZ", "DL1ABC", "DB0XYZ", "DL1ABC DB0XYZ"},
        {"DL1ABC DB0VIA", "DL1ABC", "DB0VIA", "DL1ABC DB0VIA"}, // "VIA" inside a call stays
        {"", "", "", ""},
    };
    const auto connection = Make();
    for (const PathCase& c : cases) {
        connection->Set_Path(c.put);
        EXPECT_EQ(connection->Get_Call(), c.call) << c.put;
        EXPECT_EQ(connection->Get_Digis(), c.digis) << c.put;
        EXPECT_EQ(connection->Get_Path(), c.path) << c.put;
    }
}

TEST_F(VerbindungPfadTest, RealPathIsUpperCaseWithoutVia) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {" dl1abc via db0xyz ", "DL1ABC DB0XYZ"},
        {"dl1abc v db0xyz v db0qrs", "DL1ABC DB0XYZ DB0QRS"},
        {"DL1ABC", "DL1ABC"},
    };
    const auto connection = Make();
    for (const auto& [put, got] : cases) {
        connection->Set_RealPath(put);
        EXPECT_EQ(connection->Get_RealPath(), got) << put;
    }
    EXPECT_EQ(connection->Get_Call(), "") << "RealPath leaves the call alone";
}

TEST_F(VerbindungPfadTest, MyCallOfALiveLinkIsRefusedWithAnError) {
    const auto connection = Make();
    connection->Set_MyCall(" dl9xyz-1 ");
    EXPECT_EQ(connection->Get_MyCall(), "DL9XYZ-1");

    connection->SetState(3);
    EXPECT_THROW(connection->Set_MyCall("DL9XYZ-2"), QuarnException);
    EXPECT_EQ(connection->Get_MyCall(), "DL9XYZ-1");
}

TEST_F(VerbindungPfadTest, NodeHopsForwardAndBack) {
    const auto connection = Make();
    const auto channel = std::make_shared<RecordingKanal>();
    connection->SetKanal(channel);
    connection->Set_Path("DB0AAA");

    // Only a node reports onward links.
    EXPECT_FALSE(connection->InfoboxConnect("DB0BBB"));
    EXPECT_EQ(connection->Get_Call(), "DB0AAA");

    connection->SetStationTyp(TStationType::st_digi);
    ASSERT_TRUE(connection->InfoboxConnect("DB0BBB"));
    connection->SetStationTyp(TStationType::st_digi);
    ASSERT_TRUE(connection->InfoboxConnect("DL1XYZ"));
    EXPECT_EQ(connection->Get_Call(), "DL1XYZ");
    EXPECT_EQ(connection->Get_Digis(), "DB0AAA DB0BBB");
    EXPECT_EQ(connection->GetStationTyp(), TStationType::st_unknown);
    EXPECT_EQ(connection->GetHops(), (std::vector<std::string>{"DB0AAA", "DB0BBB"}));

    EXPECT_FALSE(connection->InfoboxReconnect("DB0CCC"));
    ASSERT_TRUE(connection->InfoboxReconnect("DB0AAA"));
    EXPECT_EQ(connection->Get_Call(), "DB0AAA");
    EXPECT_EQ(connection->Get_Digis(), "");
    EXPECT_EQ(connection->GetStationTyp(), TStationType::st_digi);
    EXPECT_TRUE(connection->GetHops().empty());
    EXPECT_FALSE(connection->InfoboxReconnect("DB0AAA")) << "empty hop list";
    EXPECT_TRUE(channel->Has("CallChange"));
}

TEST_F(VerbindungPfadTest, ReconnectDropsHopsEvenWhenDigisNoLongerEndWithThem) {
    const auto connection = Make();
    connection->Set_Path("DB0AAA");
    connection->SetStationTyp(TStationType::st_digi);
    ASSERT_TRUE(connection->InfoboxConnect("DB0BBB"));
    connection->Set_Digis("OTHER");

    ASSERT_TRUE(connection->InfoboxReconnect("DB0AAA"));
    EXPECT_EQ(connection->Get_Digis(), "OTHER");
    EXPECT_TRUE(connection->GetHops().empty());
}

} // namespace
} // namespace quarn::test
