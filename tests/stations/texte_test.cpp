#include "fake_verbindung.h"
#include "platform/Exception.h"
#include "platform/Registry.h"
#include "stationen_test_fixture.h"
#include "stations/TexteExpansion.h"
#include "stations/TexteU.h"

#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace quarn {
namespace {

using namespace std::chrono_literals;

constexpr const char* kTexteKey = "\\Software\\Velmoor\\Quarn\\Texte\\";

std::string Key(const char* number) {
    return std::string(kTexteKey) + number;
}

class TexteTest : public test::StationenDatenbankFixture {
protected:
    void SetUp() override {
        Open();
        texte = std::make_unique<TTexte>(store);
    }
    void TearDown() override {
        texte.reset();
        Close();
    }

    std::shared_ptr<IStationenDatenbankEintrag> Station(const std::string& call, std::string_view name = {}) {
        auto entry = database->CreateEintrag(call);
        EXPECT_NE(entry, nullptr) << call;
        entry->SetName(name);
        return entry;
    }

    std::string Expand(int kind, const IVerbindung* connection) {
        std::string text;
        texte->ExpandText(kind, connection, text);
        return text;
    }

    // Whether another thread gets the texts lock within two seconds. The probe thread is kept until
    // the caller's own call is over, so a lock held by the caller only delays it.
    bool LockIsFree() {
        probes.push_back(std::async(std::launch::async, [this] {
            bool flag = false;
            std::string text;
            texte->Load({}, 5, flag, text);
        }));
        return probes.back().wait_for(2s) == std::future_status::ready;
    }

    RegistryStore store{dir / "registry"};
    std::unique_ptr<TTexte> texte;
    std::vector<std::future<void>> probes;
};

TEST(TextKindInfoTest, TableDigitsAndRange) {
    struct Row {
        int kind;
        const char* name;
        bool nurGlobal;
    };
    const Row rows[] = {
        {0, "Begrüßung", false},
        {1, "Abschied (//Q)", false},
        {2, "Info über die Station (//I)", true},
        {3, "Neuigkeiten (//NE)", false},
        {4, "Textbaustein 1 (Strg+1)", false},
        {12, "Textbaustein 9 (Strg+9)", false},
        {13, "Textbaustein 10 (Strg+0)", false},
    };
    for (const Row& row : rows) {
        const TTextKindInfo info = TextKindInfo(row.kind);
        EXPECT_EQ(info.Name, QString::fromUtf8(row.name)) << row.kind;
        EXPECT_EQ(info.Nr, row.kind);
        EXPECT_EQ(info.NurGlobal, row.nurGlobal) << row.kind;
    }
    for (const int outside : {14, -1, 0x80, 0x80 | 1}) {
        const TTextKindInfo info = TextKindInfo(outside);
        EXPECT_TRUE(info.Name.isEmpty()) << outside;
        EXPECT_EQ(info.Nr, -1) << outside;
        EXPECT_FALSE(info.NurGlobal) << outside;
    }
    EXPECT_EQ(TextKindForDigit(1), 4);
    EXPECT_EQ(TextKindForDigit(9), 12);
    EXPECT_EQ(TextKindForDigit(0), 13);
    EXPECT_THROW(TextKindForDigit(10), EAssertionFailed);
}

TEST(TexteExpansionTest, Placeholders) {
    struct Case {
        const char* text;
        const char* expanded;
    };
    const Case cases[] = {
        {"Hallo %N!", "Hallo Hans!"},
        {"Hallo %n!", "Hallo Hans!"},
        {"100%%", "100%"},
        {"%%N", "%N"},
        {"%%%n", "%Hans"},
        {"a%xb", "ab"},
        {"a%", "a"},
        {"%", ""},
        {"a\nb\r\n", "ab\r"},
        {"%\nb", "b"},
        {"\xE4%N\xFC", "\xE4Hans\xFC"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExpandTextPlaceholders(c.text, "Hans"), c.expanded) << c.text;
    }
}

TEST_F(TexteTest, SingleInstance) {
    EXPECT_EQ(Texte(), texte.get());
    EXPECT_THROW(TTexte{store}, EAssertionFailed);
    texte.reset();
    EXPECT_EQ(Texte(), nullptr);
}

TEST_F(TexteTest, GlobalDefaultsSaveAndDelete) {
    std::string text;
    texte->LoadGlobal(0, text);
    EXPECT_EQ(text, "\rHallo %n...\r");
    texte->LoadGlobal(1, text);
    EXPECT_EQ(text, "<Quarn>: Tsch\xFCss...\r");
    texte->LoadGlobal(13, text);
    EXPECT_EQ(text, "");

    texte->SaveGlobal(4, "erster\r\nBaustein");
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, Key("04"), "Text"), "erster\r\nBaustein");
    bool flag = true;
    EXPECT_TRUE(texte->Load({}, 4, flag, text));
    EXPECT_FALSE(flag);
    EXPECT_EQ(text, "erster\rBaustein");

    // A key without the value is an empty text, not the default.
    store.CreateKey(Hive::CurrentUser, Key("00"));
    texte->LoadGlobal(0, text);
    EXPECT_EQ(text, "");
}

TEST_F(TexteTest, DeletedGlobalTextReadsEmptyNotDefault) {
    // Kind 0 never saved (its key does not exist yet), kind 1 saved before.
    texte->Save({}, 1, false, "Bye");
    store.WriteString(Hive::CurrentUser, Key("01"), "StandardText", "alt");
    for (const int kind : {0, 1}) {
        texte->Delete({}, kind);
        std::string text = "x";
        texte->LoadGlobal(kind, text);
        EXPECT_EQ(text, "") << kind;
    }
    EXPECT_TRUE(store.ValueNames(Hive::CurrentUser, Key("01")).empty());
}

TEST_F(TexteTest, StationTexts) {
    bool flag = false;
    std::string text = "x";
    EXPECT_FALSE(texte->LoadStation("DL1ABC", 3, flag, text));
    EXPECT_TRUE(flag);
    EXPECT_EQ(text, "");
    texte->SaveStation("DL1ABC", 3, false, "Neu");
    EXPECT_EQ(database->GetEintrag("DL1ABC"), nullptr) << "saving makes no station";

    Station("DL1ABC");
    texte->Save("DL1ABC", 3, false, "Zeile 1\r\nZeile 2");
    EXPECT_TRUE(texte->Load("dl1abc", 3, flag, text));
    EXPECT_FALSE(flag);
    EXPECT_EQ(text, "Zeile 1\rZeile 2");
    EXPECT_TRUE(texte->LoadStation("DL1ABC", 3, flag, text));
    EXPECT_EQ(text, "Zeile 1\r\nZeile 2") << "only Load removes line feeds";

    texte->Delete("DL1ABC", 3);
    EXPECT_TRUE(texte->Load("DL1ABC", 3, flag, text));
    EXPECT_TRUE(flag);
    EXPECT_EQ(text, "");

    // An empty call never reaches a station; without a database nothing is found.
    texte->DeleteStation({}, 3);
    texte.reset();
    Close();
    texte = std::make_unique<TTexte>(store);
    EXPECT_FALSE(texte->LoadStation("DL1ABC", 3, flag, text));
}

TEST_F(TexteTest, ExpansionPrecedence) {
    struct StationText {
        const char* call;
        const char* name;
        int flag; // -1: the station has no text of the kind
        const char* text;
    };
    struct Case {
        const char* what;
        int kind;
        const char* global; // nullptr: never saved
        std::vector<StationText> stations;
        const char* peer;        // nullptr: no connection
        const char* entryOfPeer; // the connection's own database entry
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"fresh installation greets by call", 0, nullptr, {}, "DL1ABC", nullptr, "\rHallo DL1ABC...\r"},
        {"greets by the station's name",
         0,
         nullptr,
         {{"DL1ABC", "Hans", -1, ""}},
         "DL1ABC",
         "DL1ABC",
         "\rHallo Hans...\r"},
        {"entry without a name: the call",
         0,
         nullptr,
         {{"DL1ABC", "", -1, ""}},
         "DL1ABC-2",
         "DL1ABC",
         "\rHallo DL1ABC-2...\r"},
        {"no connection", 0, nullptr, {}, nullptr, nullptr, "\rHallo ?...\r"},
        {"flag 0 replaces the global text", 5, "G%n", {{"DL1ABC", "", 0, "S"}}, "DL1ABC", nullptr, "S"},
        {"flag 1 follows the global text", 5, "G\n", {{"DL1ABC", "", 1, "S\n%%"}}, "DL1ABC", nullptr, "GS%"},
        {"SSID station without text: base not asked",
         5,
         "G",
         {{"DL1ABC-7", "", -1, ""}, {"DL1ABC", "", 0, "B"}},
         "DL1ABC-7",
         nullptr,
         "G"},
        {"no SSID station: base station", 5, "G", {{"DL1ABC", "", 0, "B"}}, "DL1ABC-7", nullptr, "B"},
        {"SSID station before base",
         5,
         "G",
         {{"DL1ABC-7", "", 0, "7"}, {"DL1ABC", "", 0, "B"}},
         "DL1ABC-7",
         nullptr,
         "7"},
        {"no station at all", 5, "G", {{"DL2XYZ", "", 0, "X"}}, "DL1ABC", nullptr, "G"},
        {"station info is global only", 2, "I", {{"DL1ABC", "", 0, "S"}}, "DL1ABC", nullptr, "I"},
        {"deleted global, station follows", 0, "", {{"DL1ABC", "", 1, "S"}}, "DL1ABC", nullptr, "S"},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        texte.reset();
        Close();
        std::filesystem::remove_all(folder);
        Open();
        RegistryStore caseStore{dir / ("registry-" + std::to_string(++number))};
        texte = std::make_unique<TTexte>(caseStore);
        if (c.global) {
            texte->SaveGlobal(c.kind, c.global);
        }
        for (const StationText& s : c.stations) {
            auto entry = Station(s.call, s.name);
            if (s.flag >= 0) {
                entry->SetText(c.kind, s.text, s.flag == 1);
            }
        }
        std::unique_ptr<test::FakeVerbindung> connection;
        if (c.peer) {
            connection = std::make_unique<test::FakeVerbindung>(
                c.peer, c.entryOfPeer ? database->GetEintrag(c.entryOfPeer) : nullptr);
        }
        std::string text = "vorher:";
        texte->ExpandText(c.kind, connection.get(), text);
        EXPECT_EQ(text, std::string("vorher:") + c.expected);
        connection.reset();
        texte.reset();
    }
}

TEST_F(TexteTest, SendeTextSendsTheExpandedTextAsTyped) {
    texte->SaveGlobal(13, "73 de %N\r\n");
    Station("DL1ABC", "Hans");
    test::FakeVerbindung connection("DL1ABC", database->GetEintrag("DL1ABC"));
    texte->SendeText(TextKindForDigit(0), &connection);
    ASSERT_EQ(connection.sent.size(), 1u);
    const test::SentText& sent = connection.sent.front();
    EXPECT_EQ(sent.text, "73 de Hans\r");
    EXPECT_TRUE(sent.echo);
    EXPECT_TRUE(sent.escapes);
    EXPECT_FALSE(sent.wrap);
    EXPECT_TRUE(sent.typed);
    EXPECT_THROW(texte->SendeText(0, nullptr), EAssertionFailed);
}

// The escapes are the operator's: a peer whose name holds carets must not make us send control codes.
TEST_F(TexteTest, SendeTextKeepsThePeersNameOutOfTheEscapes) {
    texte->SaveGlobal(13, "73 de %N^M");
    Station("DL1ABC", "Ha^$07^Gns");
    test::FakeVerbindung connection("DL1ABC", database->GetEintrag("DL1ABC"));
    texte->SendeText(TextKindForDigit(0), &connection);
    ASSERT_EQ(connection.sent.size(), 1u);
    EXPECT_EQ(connection.sent.front().text, "73 de Ha^^$07^^Gns^M");
    EXPECT_TRUE(connection.sent.front().escapes);
}

// The connection may wait for the GUI thread while it sends (and hold its own locks while it asks for a
// text); if the texts lock were held meanwhile, a macro on the GUI thread would wait forever.
TEST_F(TexteTest, LockIsNotHeldWhileTheConnectionIsCalled) {
    test::FakeVerbindung connection("DL1ABC");
    bool freeWhileAsked = false;
    bool freeWhileSending = false;
    connection.onGetCall = [&] { freeWhileAsked = LockIsFree(); };
    connection.onSend = [&] { freeWhileSending = LockIsFree(); };
    texte->SendeText(0, &connection);
    EXPECT_TRUE(freeWhileAsked);
    EXPECT_TRUE(freeWhileSending);
    ASSERT_EQ(connection.sent.size(), 1u);
    EXPECT_EQ(connection.sent.front().text, "\rHallo DL1ABC...\r");
}

// Connection threads expand while the editor saves: every result is one of the texts as a whole.
TEST_F(TexteTest, ExpandWhileSaving) {
    Station("DL1ABC");
    texte->SaveGlobal(6, "A");
    texte->SaveStation("DL1ABC", 6, true, "1");
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            test::FakeVerbindung connection("DL1ABC-3");
            const std::set<std::string> valid{"A1", "A2", "B1", "B2", "1", "2"};
            while (!stop) {
                std::string text;
                texte->ExpandText(6, &connection, text);
                if (!valid.contains(text)) {
                    ++bad;
                }
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        texte->Save({}, 6, false, i % 2 ? "A" : "B");
        texte->Save("DL1ABC", 6, i % 3 != 0, i % 2 ? "1" : "2");
    }
    stop = true;
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(bad, 0);
}

} // namespace
} // namespace quarn
