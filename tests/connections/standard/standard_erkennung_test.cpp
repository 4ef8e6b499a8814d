// Identification lines, the station-kind guess and node hops, as plain functions and through the handler.
#include "StandardFixture.h"
#include "connections/standard/StandardErkennungU.h"
#include "foundation/ConfigU.h"
#include "platform/Registry.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

using enum TStationType;

TEST(StandardKennung, Table) {
    const std::string longest = "{" + std::string(36, 'a') + "-" + std::string(36, 'b') + "-DH}"; // 78
    const struct {
        std::string text;
        bool kennung;
    } cases[] = {
        {"{QRN-1.0-DH$}", true},
        {"{a-b-c}", true},
        {"{a-b-}", false},       // dash next to the closing brace
        {"{QRN-1.0}", false},    // one dash
        {"{QRN--1.0-D}", false}, // adjacent dashes
        {"{-QRN-1.0}", false},   // dash next to the brace
        {"{QRN-1.0-D-}", false}, // second-last character
        {"{A-B-C-D}", false},    // three dashes
        {"{Q-1}", false},        // too short
        {"QRN-1.0-D}", false},
        {longest, true},
        {"{" + std::string(37, 'a') + "-" + std::string(36, 'b') + "-DH}", false}, // 79
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IstStationsKennung(c.text), c.kennung) << c.text;
    }
    EXPECT_EQ(KennungMerkmale("{QRN-1.0-DH$}"), "DH$");
}

class StandardKennungHandler : public StandardFixture {
protected:
    void Hide(bool on, bool sendSid = false) {
        config.SetHideReceivedSID(on);
        config.SetSendSID(sendSid);
    }
    TempDir dir;
    RegistryStore store{dir / "registry"};
    TConfig config{store};
    ScopedConfig published{config};
};

TEST_F(StandardKennungHandler, HiddenIdentificationSetsBinModeAndKeepsTheRest) {
    Hide(true);
    Start();
    // The text after "}" in the same piece belongs to the station's first line.
    Receive({"{QRN-1.0-DH$}\rDieBox 1.9 > \r"});
    EXPECT_EQ(connection->binMode, 5);
    EXPECT_EQ(ShownText(), "DieBox 1.9 > \r");
    EXPECT_EQ(connection->typ, st_box);
}

TEST_F(StandardKennungHandler, ShownWithoutHideAndSplitOverPieces) {
    Hide(false);
    Start();
    Receive({"{QRN-1.", "0-H}", "Hallo\r"});
    EXPECT_EQ(connection->binMode, 0); // no "D"
    EXPECT_EQ(ShownText(), "{QRN-1.0-H}Hallo\r");
    // The identification is no part of the first line.
    EXPECT_EQ(connection->typ, st_terminal);
    Receive({"{QRN-1.0-D}\r"});
    EXPECT_EQ(connection->binMode, 0) << "recognised once per handler";
}

TEST_F(StandardKennungHandler, NotAnIdentificationIsOrdinaryText) {
    Hide(true);
    Start();
    Receive({"{nur-ein Strich}\r"});
    EXPECT_EQ(ShownText(), "{nur-ein Strich}\r");
    EXPECT_EQ(connection->binMode, 0);
}

TEST_F(StandardKennungHandler, OwnIdentificationOnlyOnOutgoingLinks) {
    for (const bool outgoing : {false, true}) {
        connection = std::make_shared<StandardVerbindung>();
        connection->ausgehend = outgoing;
        Hide(true, true);
        Start();
        Receive({"{QRN-1.0-D}\r"});
        EXPECT_EQ(connection->sid, outgoing ? 1 : 0);
        handler->Release();
    }
    connection = std::make_shared<StandardVerbindung>();
    connection->ausgehend = true;
    Hide(true, false);
    Start();
    Receive({"{QRN-1.0-D}\r"});
    EXPECT_EQ(connection->sid, 0);
}

TEST(StandardArt, Table) {
    const struct {
        std::string_view line;
        std::string_view eintrag;
        TStationType art;
    } cases[] = {
        {"DAMA-Digi with BBS", "DAMA", st_digi},
        {"BBS on a DAMA digi", "BBS", st_box},
        {"xx DVMS yy", "DVMS ", st_box},
        {"xx DVMS", "", st_unknown},           // trailing blank belongs to the entry
        {"TheNetNode", "TheNetNode", st_digi}, // before "TheNet" and "Node" at the same place
        {"TheNet X", "TheNet", st_digi},
        {"My Mailbox", "Mailbox", st_box},
        {"BayCom-Mailbox", "BayCom-Mailbox", st_box},
        {"Convers here", "Convers", st_convers},
        {"[FBB-7.00]", "[FBB", st_box},
        {"nothing of that", "", st_unknown},
        {"dieBox", "", st_unknown}, // case-sensitive
    };
    for (const auto& c : cases) {
        const auto treffer = ErrateStationsArt(c.line);
        if (c.eintrag.empty()) {
            EXPECT_FALSE(treffer) << c.line;
        } else {
            ASSERT_TRUE(treffer) << c.line;
            EXPECT_EQ(treffer->eintrag, c.eintrag) << c.line;
            EXPECT_EQ(treffer->art, c.art) << c.line;
        }
    }
}

TEST_F(StandardFixture, KindFromTheFirstNonEmptyLine) {
    Start();
    Receive({"\r", "  \r", "Welcome to DB0ABC, DAMA digi - BBS\r", "DieBox\r"});
    EXPECT_EQ(connection->typ, st_digi);
}

TEST_F(StandardFixture, NoEntryGivesTerminal) {
    Start();
    Receive({"Hallo Otto\r"});
    EXPECT_EQ(connection->typ, st_terminal);
}

TEST_F(StandardFixture, KindFromTheDatabaseIsKept) {
    connection->eintrag = std::make_shared<FakeEintrag>();
    connection->eintrag->typ = st_cluster;
    Start();
    EXPECT_EQ(connection->typ, st_cluster);
    Receive({"DieBox\r"});
    EXPECT_EQ(connection->typ, st_cluster);
}

TEST_F(StandardFixture, ConversRoundTripRestoresTheKind) {
    Start();
    Receive({"Hallo\r"});
    ASSERT_EQ(connection->typ, st_terminal);
    Receive({"conversd @ DB0ABC PingPong-Release 3.12\r"});
    EXPECT_EQ(connection->typ, st_convers);
    Receive({"CONVERS SESSION TERMINATED. bye\r"});
    EXPECT_EQ(connection->typ, st_terminal);
}

TEST(StandardKnoten, HopTable) {
    const struct {
        std::string_view line;
        std::string_view call;
        bool reconnect;
    } cases[] = {
        {"*** connected to DB0ABC\r", "DB0ABC", false},
        {"DB0XYZ:  Link setup... *** CONNECTED TO DB0ABC-1\r", "DB0ABC-1", false},
        {"xx Connected to 2:db0abc more\r", "DB0ABC", false},
        {"xx CONNECTED TO HF:DB0ABC\r", "DB0ABC", false},
        {"xx RECONNECTED TO DB0NOD\r", "DB0NOD", true},
        {" CONNECTED TO DB0ABC\r", "", false},                             // begins with a blank
        {"xx CONNECTED TO 123456789:DB0ABC\r", "123456789:DB0ABC", false}, // colon too far in
        {"nothing\r", "", false},
    };
    for (const auto& c : cases) {
        const auto sprung = ErkenneKnotenSprung(c.line);
        if (c.call.empty()) {
            EXPECT_FALSE(sprung) << c.line;
            continue;
        }
        ASSERT_TRUE(sprung) << c.line;
        EXPECT_EQ(sprung->call, c.call) << c.line;
        EXPECT_EQ(sprung->reconnect, c.reconnect) << c.line;
    }
}

TEST_F(StandardFixture, ConnectedToGuessesTheKindAgain) {
    Start();
    Receive({"DB0ABC DAMA Digi\r"});
    ASSERT_EQ(connection->typ, st_digi);
    connection->eintrag = std::make_shared<FakeEintrag>();
    connection->eintrag->typ = st_box;
    Receive({"DB0ABC:  *** CONNECTED TO 3:DB0BOX\r"});
    EXPECT_EQ(connection->connects, std::vector<std::string>{"C DB0BOX"});
    EXPECT_EQ(connection->typ, st_box);
}

} // namespace
} // namespace quarn::test
