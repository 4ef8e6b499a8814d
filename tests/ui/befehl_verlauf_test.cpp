#include "foundation/CommaText.h"
#include "ui/BefehlVerlauf.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

TEST(BefehlVerlauf, EigenesRufzeichenKeepsOnlyAnSsidFromZeroToFifteen) {
    struct Fall {
        const char* eingabe;
        const char* ergebnis;
    };
    const Fall faelle[] = {
        {"  dl1abc-16 ", "DL1ABC"}, {"dl1abc-07", "DL1ABC-7"}, {"DL1ABC-x", "DL1ABC"},
        {"DL1ABC-", "DL1ABC"},      {"DL1ABC-0", "DL1ABC-0"},  {"DL1ABC-15", "DL1ABC-15"},
        {"DL1ABC--3", "DL1ABC"},    {"dl1abc", "DL1ABC"},      {"   ", ""},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(EigenesRufzeichenAufbereiten(f.eingabe), f.ergebnis) << f.eingabe;
}

TEST(BefehlVerlauf, ZielSplitsCallAndDigipeatersAndDropsSsidZero) {
    struct Fall {
        const char* eingabe;
        const char* rufzeichen;
        const char* digis;
        const char* pfad;
        bool gueltig;
    };
    const Fall faelle[] = {
        {" db0abc-0 db0xyz db0uvw ", "DB0ABC", "DB0XYZ DB0UVW", "DB0ABC DB0XYZ DB0UVW", true},
        {"db0abc-07", "DB0ABC-7", "", "DB0ABC-7", true},
        {"db0abc-x", "DB0ABC", "", "DB0ABC", true},
        {"DB0ABC-15 DB0XYZ-3", "DB0ABC-15", "DB0XYZ-3", "DB0ABC-15 DB0XYZ-3", true},
        {"DB0ABC-16", "DB0ABC", "", "DB0ABC", false},
        {"DB0ABC-99 DB0XYZ", "DB0ABC", "DB0XYZ", "DB0ABC DB0XYZ", false},
        {"", "", "", "", true},
    };
    for (const auto& f : faelle) {
        const TZielEingabe ziel = ZielAufbereiten(f.eingabe);
        EXPECT_EQ(ziel.rufzeichen, f.rufzeichen) << f.eingabe;
        EXPECT_EQ(ziel.digis, f.digis) << f.eingabe;
        EXPECT_EQ(ziel.Pfad(), f.pfad) << f.eingabe;
        EXPECT_EQ(ziel.ssidGueltig, f.gueltig) << f.eingabe;
    }
}

TEST(BefehlVerlauf, ZieleLoadWhateverTheStoredTextHolds) {
    struct Fall {
        const char* text;
        std::vector<TZielEintrag> ziele;
    };
    const Fall faelle[] = {
        {R"("DB0ABC DB0XYZ",#Port 1,DL1ABC,#2)", {{"DB0ABC DB0XYZ", "Port 1"}, {"DL1ABC", "2"}}},
        // A destination without a port entry keeps an empty port name.
        {"DB0ABC,DL1ABC,#2", {{"DB0ABC", ""}, {"DL1ABC", "2"}}},
        // An empty entry right after a destination is an empty port name, not a failure.
        {"DB0ABC,,DL1ABC,#2", {{"DB0ABC", ""}, {"DL1ABC", "2"}}},
        {",,#lost,DB0ABC,#1,,", {{"DB0ABC", "1"}}},
        {"DB0ABC,", {{"DB0ABC", ""}}},
        {"", {}},
        {"\"unclosed", {{"unclosed", ""}}},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(ZieleLesen(f.text), f.ziele) << f.text;
}

TEST(BefehlVerlauf, ZieleWrittenReadBackTheSame) {
    const std::vector<TZielEintrag> ziele{{"DB0ABC DB0XYZ", "Port, 1"}, {"DL1ABC-7", ""}};
    EXPECT_EQ(ZieleSchreiben(ziele), R"("DB0ABC DB0XYZ","#Port, 1",DL1ABC-7,#)");
    EXPECT_EQ(ZieleLesen(ZieleSchreiben(ziele)), ziele);
}

TEST(BefehlVerlauf, OwnCallsConfiguredFromHistoryFirstThenTheRest) {
    const std::vector<std::string> verlauf{"DL9ZZZ", "DL1ABC-3", "", "DL2XYZ", "DL9ZZZ"};
    const std::vector<std::string> konfiguriert{"DL1ABC", "DL2XYZ", "DL1ABC-3"};
    EXPECT_EQ(EigeneRufzeichenListe(verlauf, konfiguriert),
              (std::vector<std::string>{"DL1ABC-3", "DL2XYZ", "DL1ABC", "DL9ZZZ"}));
    // History matches configured calls exactly: another case is a history entry of its own.
    EXPECT_EQ(EigeneRufzeichenListe({"dl1abc"}, {"DL1ABC"}), (std::vector<std::string>{"DL1ABC", "dl1abc"}));
}

TEST(BefehlVerlauf, ReusedEntryMovesToTheFrontAndTheOldestDropsOut) {
    std::vector<TZielEintrag> ziele;
    for (int i = 0; i < 50; ++i)
        ZielMerken(ziele, {"CALL" + std::to_string(i), "1"});
    ASSERT_EQ(ziele.size(), 50u);
    EXPECT_EQ(ziele.back().ziel, "CALL0");

    ZielMerken(ziele, {"CALL10", "2"});
    EXPECT_EQ(ziele.size(), 50u);
    EXPECT_EQ(ziele.front(), (TZielEintrag{"CALL10", "2"}));
    EXPECT_EQ(ziele.back().ziel, "CALL0");

    ZielMerken(ziele, {"CALL50", "1"});
    EXPECT_EQ(ziele.size(), 50u);
    EXPECT_EQ(ziele.front().ziel, "CALL50");
    EXPECT_EQ(ziele.back().ziel, "CALL1");

    std::vector<std::string> calls{"A", "B", "A", "C"};
    RufzeichenMerken(calls, "A");
    EXPECT_EQ(calls, (std::vector<std::string>{"A", "B", "C"}));
}

} // namespace
} // namespace quarn
