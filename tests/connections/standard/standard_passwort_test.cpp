// Login answers. The expected answers are fixtures computed outside this code: MD5 by python's hashlib,
// the date-method vectors by hand from the method's description, the position answers by a separate
// python rendering of the method with the same fixed random source.
#include "StandardFixture.h"
#include "connections/standard/StandardPasswortU.h"
#include "foundation/DebOutU.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quarn::test {
namespace {

// The k-th draw gives (k * 31 + 7) mod bound.
TZufall Folge() {
    return [k = std::uint32_t{0}](std::uint32_t bound) mutable { return (k++ * 31 + 7) % bound; };
}

TEST(StandardPasswort, PromptRecognition) {
    const struct {
        std::string_view line;
        bool prompt;
        TPasswortMethode methode;
        std::string_view text;
    } cases[] = {
        {"DB0ABC> 1 3 5\r", true, TPasswortMethode::BayCom, "1 3 5"},
        {"(12) DB0ABC-8> 12 4 9 1 3\r", true, TPasswortMethode::BayCom, "12 4 9 1 3"},
        {"db0abc> [1234567890]\r", true, TPasswortMethode::MD5, "1234567890"},
        {"DB0ABC> [123456789]\r", false, {}, ""},   // nine characters: no prompt
        {"DB0ABC> [12345678901]\r", false, {}, ""}, // eleven
        {"DB0ABC> 1 3 x\r", false, {}, ""},         // last character no digit
        {"DB0XYZ> 1 3 5 7\r", false, {}, ""},       // another station
        {"DB0ABC> 1 3\r", false, {}, ""},           // too short
        {"DB0ABC> abc 1 2 3\r", false, {}, ""},
    };
    for (const auto& c : cases) {
        const auto prompt = ErkenneLoginPrompt(c.line, "DB0ABC-8");
        ASSERT_EQ(prompt.has_value(), c.prompt) << c.line;
        if (prompt) {
            EXPECT_EQ(prompt->methode, c.methode) << c.line;
            EXPECT_EQ(prompt->text, c.text) << c.line;
        }
    }
}

TEST(StandardPasswort, PositionMethod) {
    EXPECT_EQ(PasswortPositionen("1 3 5", "geheimnis", Folge()).antwort,
              "smhgoOniet\\smhgoOniet\\smhgoOniet\\smghihgoOniet\\smhgoOniet\\smhgoOniet\\s\r");
    // A position 0 ends the answer characters.
    EXPECT_EQ(PasswortPositionen("2 0 4", "abc123", Folge()).antwort,
              "bc123\"#$%abc123\"#$%abc123\"#$%abc123\"#$%abc123\"#$%abc123\"#$%abc123\"b#\r");

    const struct {
        std::string_view prompt;
        std::string_view fehler;
    } errors[] = {
        {"1 x 3", kPromptUngueltig},
        {"1 2 3 4 5 6", kPromptZuViele},
        {"1 2 10", kPasswortZuKurz},
    };
    for (const auto& e : errors) {
        const TPasswortAntwort antwort = PasswortPositionen(e.prompt, "geheimnis", Folge());
        EXPECT_EQ(antwort.fehler, e.fehler) << e.prompt;
        EXPECT_TRUE(antwort.antwort.empty()) << e.prompt;
    }
    EXPECT_TRUE(PasswortPositionen("1 2 3 4 5", "geheimnis", Folge()).fehler.empty());
}

TEST(StandardPasswort, Md5Method) {
    EXPECT_EQ(PasswortMD5("1234567890", "secret"), "e9b7ae6c91f6694cfc36d893733b1f7c\r");
}

std::string Alphabet1620() {
    std::string table;
    for (int i = 0; i < 45; ++i) {
        table += "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    }
    return table;
}

TEST(StandardPasswort, DateMethodVectors) {
    const auto zeit = ErkenneLoginZeit("DieBox Login: 05.11.23 14:37 ok\r");
    ASSERT_TRUE(zeit);
    const std::string table = Alphabet1620();
    const auto mul = DieBoxMultiplikatoren(table, zeit->minute);
    EXPECT_EQ(mul, (std::array<int, 5>{1, 2, 3, 4, 5}));
    EXPECT_EQ(DieBoxPositionen(mul, *zeit), (std::array<int, 5>{1185, 209, 629, 833, 1273}));
    EXPECT_EQ(DieBoxZeichen(table, *zeit), "62QEM");

    std::string jTable(1620, 'j');
    jTable[100] = '7';
    const auto spaet = ErkenneLoginZeit("xx Login: 31.12.99 23:59");
    ASSERT_TRUE(spaet);
    const auto sieben = DieBoxMultiplikatoren(jTable, spaet->minute);
    EXPECT_EQ(sieben, (std::array<int, 5>{7, 7, 7, 7, 7}));
    EXPECT_EQ(DieBoxPositionen(sieben, *spaet), (std::array<int, 5>{1492, 1492, 1492, 1492, 1492}));
    EXPECT_EQ(DieBoxZeichen(jTable, *spaet), "jjjjj");

    // Without digits the start multipliers stay.
    EXPECT_EQ(DieBoxMultiplikatoren(std::string(1620, 'x'), 0), (std::array<int, 5>{3, 5, 7, 9, 11}));
    EXPECT_FALSE(ErkenneLoginZeit("Login: 5.11.23 14:37"));
}

TEST(StandardPasswort, DateMethodTable) {
    // Letters and digits only, exactly 1620 of them.
    std::string spaced;
    for (const char c : Alphabet1620()) {
        spaced += c;
        spaced += " -";
    }
    EXPECT_EQ(DieBoxTabelle(spaced), Alphabet1620());
    EXPECT_FALSE(DieBoxTabelle(Alphabet1620().substr(1)));
    EXPECT_EQ(DieBoxTabelle(Alphabet1620() + "XYZ"), Alphabet1620());
    const TDieBoxFueller fueller{std::string(67, 'A'), 1};
    EXPECT_EQ(DieBoxAntwort("62QEM", fueller), "PRIV 62QEM" + std::string(67, 'A') + "\r");
    EXPECT_EQ(DieBoxAntwort("62QEM", TDieBoxFueller{std::string(67, 'A'), 67}),
              "PRIV " + std::string(66, 'A') + "62QEMA\r");
}

class StandardLogin : public StandardFixture {
protected:
    void SetUp() override {
        SetPasswortZufall(Folge());
        connection->eintrag = std::make_shared<FakeEintrag>();
    }
    void Password(TPasswortArt art, TPasswortMethode methode, std::string password) {
        connection->eintrag->passwords[{"DL1XYZ", art, methode}] = std::move(password);
    }
};

TEST_F(StandardLogin, PositionPromptAnsweredAndKindBecomesMailbox) {
    Password(TPasswortArt::Benutzer, TPasswortMethode::BayCom, "geheimnis\r\n");
    Start();
    Receive({"DB0ABC> 1 3 5\r"});
    EXPECT_EQ(connection->sent,
              std::vector<std::string>{
                  "smhgoOniet\\smhgoOniet\\smhgoOniet\\smghihgoOniet\\smhgoOniet\\smhgoOniet\\s\r"});
    EXPECT_EQ(connection->typ, TStationType::st_box);
}

TEST_F(StandardLogin, SysopPasswordStandsInForAMissingUserPassword) {
    Password(TPasswortArt::Sysop, TPasswortMethode::MD5, "secret");
    Start();
    Receive({"DB0ABC-8> [1234567890]\r"});
    EXPECT_EQ(connection->sent, std::vector<std::string>{"e9b7ae6c91f6694cfc36d893733b1f7c\r"});
}

TEST_F(StandardLogin, BadPromptShowsTheErrorAndSendsNothing) {
    Password(TPasswortArt::Benutzer, TPasswortMethode::BayCom, "geheimnis");
    Start();
    Receive({"DB0ABC> 1 2 30\r"});
    EXPECT_TRUE(connection->sent.empty());
    EXPECT_EQ(connection->prompts, std::vector<std::string>{"3 " + std::string(kPasswortZuKurz)});
}

TEST_F(StandardLogin, DateMethodAnswersBothKinds) {
    Password(TPasswortArt::Benutzer, TPasswortMethode::DieBox, Alphabet1620());
    Password(TPasswortArt::Sysop, TPasswortMethode::DieBox, Alphabet1620());
    SetPasswortZufall([](std::uint32_t) { return 0U; });
    Start();
    Receive({"DieBox Login: 05.11.23 14:37 ok\r", "DieBox Login: 05.11.23 14:38 ok\r"});
    // Same table: the same filler; the second line is not looked at any more.
    const std::string answer = "PRIV 62QEM" + std::string(67, 'A') + "\r";
    EXPECT_EQ(connection->sent, (std::vector<std::string>{answer, answer}));
}

TEST_F(StandardLogin, TraceNeverHoldsPasswordsOrChallengeAndPassword) {
    std::vector<std::string> trace;
    const ScopedTraceCapture capture([&](std::string_view line) { trace.emplace_back(line); });
    Password(TPasswortArt::Benutzer, TPasswortMethode::BayCom, "geheimnis");
    Password(TPasswortArt::Sysop, TPasswortMethode::MD5, "Zauberwort");
    Password(TPasswortArt::Benutzer, TPasswortMethode::DieBox, Alphabet1620());
    Start();
    Receive({"DieBox Login: 05.11.23 14:37\r", "DB0ABC> 1 3 5\r", "DB0ABC> [1234567890]\r"});
    ASSERT_EQ(connection->sent.size(), 3U);
    ASSERT_FALSE(trace.empty());
    for (const auto& line : trace) {
        EXPECT_EQ(line.find("geheimnis"), std::string::npos) << line;
        EXPECT_EQ(line.find("Zauberwort"), std::string::npos) << line;
        EXPECT_EQ(line.find("ABCDEFGHIJ"), std::string::npos) << line;
        for (const auto& answer : connection->sent) {
            EXPECT_EQ(line.find(answer.substr(0, answer.size() - 1)), std::string::npos) << line;
        }
    }
}

} // namespace
} // namespace quarn::test
