// 7plus and GoText receiving: started by their start lines through the standard handler, stored in a
// temporary receive folder.
#include "StandardFixture.h"
#include "connections/transfer/Verbindung7PlusReceiveU.h"
#include "connections/transfer/VerbindungGoTextReceiveU.h"
#include "connections/VerbindungenAnmelden.h"
#include "foundation/OrdnerU.h"
#include "support/FileContents.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;
using enum TStationType;

std::string Kopf(int teil, int anzahl, const char* name, unsigned bytes = 0x440) {
    char line[128];
    std::snprintf(line, sizeof line, " go_7+. %03d of %03d %-12s 0001043 %04X 011 (7PLUS v2.2)\r", teil,
                  anzahl, name, bytes);
    return line;
}

std::vector<std::string> Dateien(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Offen7Plus final : public TVerbindung7PlusReceive {
public:
    using TVerbindung7PlusReceive::ReceiveData;
    using TVerbindung7PlusReceive::TVerbindung7PlusReceive;
};

class LinienEmpfang : public StandardFixture {
protected:
    void SetUp() override {
        TOrdner().SetEmpfang(empfang.path());
        VerbindungenAnmelden();
        connection->typ = st_terminal;
    }
    // Everything arrives before the handler looks, as one burst from the device.
    void Burst(const std::vector<std::string>& pieces) {
        for (const auto& piece : pieces) {
            connection->receive.PushString(piece);
        }
        handler->ReceiveData();
    }
    bool Prompted(const std::string& text) const {
        return std::find(connection->prompts.begin(), connection->prompts.end(), text) !=
               connection->prompts.end();
    }
    TempDir empfang;
};

TEST_F(LinienEmpfang, PartNameTakesTheExtensionOfItsPartAndStaysInTheFolder) {
    struct Fall {
        int teil, anzahl;
        const char* name;
        const char* datei;
    };
    const Fall faelle[] = {
        {2, 3, "NAME.BIN", "NAME.p02"},  {1, 1, "NAME.BIN", "NAME.7pl"}, {10, 12, "NAME", "NAME.p0A"},
        {-1, 3, "NAME.BIN", "NAME.7pl"}, {2, 3, "../../x.bin", "x.p02"}, {2, 3, "..", "DB0ABC-8.p02"},
    };
    Start();
    for (const Fall& fall : faelle) {
        std::string kopf = Kopf(fall.teil, fall.anzahl, fall.name);
        if (fall.teil < 0) {
            kopf.replace(8, 3, "x1?"); // an unreadable part number
        }
        Burst({kopf, "data\r", " stop_7+. (x)\r"});
        EXPECT_TRUE(fs::exists(empfang / fall.datei)) << fall.datei;
        fs::remove(empfang / fall.datei);
    }
    EXPECT_TRUE(Dateien(empfang.path()).empty());
}

TEST_F(LinienEmpfang, EachEndLineEndsThePartAndIsStoredWithIt) {
    const std::string enden[] = {" stop_7+. (NAME.7PL)", "", "*** cancelled"};
    Start();
    for (const std::string& ende : enden) {
        const std::string kopf = Kopf(1, 1, "NAME.BIN");
        Burst({kopf, "line one\r", "line ", "two\r", ende + "\r", "danach\r"});
        const std::string stored = ReadFile(empfang / "NAME.7pl");
        EXPECT_EQ(stored, kopf.substr(0, kopf.size() - 1) + "\r\nline one\r\nline two\r\n" + ende + "\r\n");
        // The line after the end is the standard handler's again.
        EXPECT_TRUE(ShownText().ends_with("danach\r")) << ende;
        EXPECT_EQ(connection->sent.back(), "\r<Quarn>: 7Plus-Empfang ok.\r");
        EXPECT_EQ(connection->prompts.back(),
                  "3 Empfangene Datei gespeichert:\r" + (empfang / "NAME.7pl").string());
        EXPECT_EQ(connection->job, nullptr);
        fs::remove(empfang / "NAME.7pl");
    }
}

TEST_F(LinienEmpfang, ProgressCountsDataLinesAgainstTheAnnouncedCount) {
    connection->receive.PushString(Kopf(1, 1, "NAME.BIN", 0x440));
    const auto receiver = TVerbindungAbstract::Erzeuge<Offen7Plus>(nullptr, connection);
    ASSERT_NE(connection->job, nullptr);
    const auto item = connection->job;
    EXPECT_EQ(item->GetGroesse(), 17);
    connection->receive.PushString("a\rb\rc\r");
    receiver->ReceiveData();
    EXPECT_EQ(item->GetPosition(), 3);
    connection->receive.PushString(" stop_7+.\r");
    receiver->ReceiveData();
    EXPECT_EQ(item->GetPosition(), 3);
    receiver->EventLoop();
    EXPECT_EQ(connection->job, nullptr);
    receiver->Release();
}

TEST_F(LinienEmpfang, TestFilesWithCrLineEndsAreStoredLineForLineWithCrLf) {
    const fs::path daten = fs::path(QUARN_TESTDATA_DIR) / "7plus";
    for (const fs::path& quelle : {daten / "small.7pl", daten / "crlf" / "small.7pl"}) {
        std::string text = ReadFile(quelle);
        ASSERT_FALSE(text.empty()) << quelle;
        std::replace(text.begin(), text.end(), '\n', '\r');
        std::string erwartet;
        for (const char c : text) {
            erwartet += c == '\r' ? std::string("\r\n") : std::string(1, c);
        }
        Start();
        // In pieces as a link delivers them, cut anywhere.
        std::vector<std::string> pieces;
        for (std::size_t at = 0; at < text.size(); at += 97) {
            pieces.push_back(text.substr(at, 97));
        }
        pieces.push_back("nach dem Ende\r");
        Burst(pieces);
        EXPECT_EQ(Dateien(empfang.path()), std::vector<std::string>{"SMALL.7pl"});
        EXPECT_EQ(ReadFile(empfang / "SMALL.7pl"), erwartet) << quelle;
        EXPECT_TRUE(ShownText().find(" stop_7+. (SMALL.7PL)") != std::string::npos);
        EXPECT_TRUE(ShownText().ends_with("nach dem Ende\r"));
        fs::remove(empfang / "SMALL.7pl");
        handler->Release();
        handler.reset();
    }
}

TEST_F(LinienEmpfang, FileThatCannotBeCreatedIsReportedForEveryStationKind) {
    TOrdner().SetEmpfang(empfang / "fehlt");
    for (const TStationType art : {st_terminal, st_box}) {
        connection->typ = art;
        connection->sent.clear();
        connection->prompts.clear();
        Start();
        Burst({Kopf(1, 1, "NAME.BIN"), "data\r"});
        EXPECT_EQ(connection->job, nullptr);
        EXPECT_EQ(connection->prompts, std::vector<std::string>{"3 Empfangene Datei NICHT gespeichert."});
        if (art == st_terminal) {
            EXPECT_EQ(connection->sent, std::vector<std::string>{"\r<Quarn>: 7Plus-Empfang Fehler.\r"});
        } else {
            EXPECT_TRUE(connection->sent.empty());
        }
        handler->Release();
        handler.reset();
    }
}

TEST_F(LinienEmpfang, AbortedReceptionGoesToTheTrash) {
    connection->receive.PushString(Kopf(1, 1, "NAME.BIN"));
    const auto receiver = TVerbindungAbstract::Erzeuge<Offen7Plus>(nullptr, connection);
    connection->receive.PushString("a\rb\r");
    receiver->ReceiveData();
    receiver->AbortTransfer();
    receiver->EventLoop();
    receiver->Release();
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    EXPECT_TRUE(Prompted("3 Empfangene Datei NICHT gespeichert."));
    const fs::path trash = fs::path(std::getenv("XDG_DATA_HOME")) / "Trash" / "files";
    bool found = false;
    for (const auto& entry : fs::directory_iterator(trash)) {
        found = found || entry.path().filename().string().starts_with("NAME");
    }
    EXPECT_TRUE(found);
}

TEST_F(LinienEmpfang, TakenNameGetsTheNextFreeNumber) {
    WriteFile(empfang / "NAME.7pl", "alt");
    Start();
    Burst({Kopf(1, 1, "NAME.BIN"), " stop_7+.\r"});
    EXPECT_EQ(ReadFile(empfang / "NAME.7pl"), "alt");
    EXPECT_TRUE(fs::exists(empfang / "NAME (1).7pl"));
}

// ---- GoText ----

TEST_F(LinienEmpfang, GoTextIsStoredAndShownInsideTheFolder) {
    Start();
    Burst({" go_text. ../../.bashrc\r", "eins\r", "\r", "zw", "ei\r", " stop_text.\r"});
    EXPECT_EQ(Dateien(empfang.path()), std::vector<std::string>{".bashrc"});
    EXPECT_EQ(ReadFile(empfang / ".bashrc"), "eins\r\n\r\nzwei\r\n");
    EXPECT_TRUE(ShownText().ends_with("eins\r\rzwei\r stop_text.\r"));
    EXPECT_EQ(connection->sent.back(), "\r<Quarn>: GoText-Empfang ok.\r");
}

TEST_F(LinienEmpfang, GoTextErrorFileIsHiddenButItsEndLineShown) {
    Start();
    Burst({" go_info. report.err\r", "geheim\r", "*** end\r"});
    EXPECT_EQ(ReadFile(empfang / "report.err"), "geheim\r\n");
    EXPECT_EQ(ShownText().find("geheim"), std::string::npos);
    EXPECT_TRUE(ShownText().ends_with("*** end\r"));
}

TEST_F(LinienEmpfang, GoTextWithANameTooLongForTheFileSystemIsStoredShortened) {
    // A Windows-1252 umlaut takes two bytes in a file name: 150 of them are 300 bytes.
    const std::string name = std::string(150, '\xe4') + ".txt";
    std::string gekuerzt;
    for (int i = 0; i < 125; ++i) {
        gekuerzt += "\xc3\xa4";
    }
    Start();
    Burst({" go_text. " + name + "\r", "eins\r", " stop_text.\r"});
    EXPECT_EQ(ReadFile(empfang / (gekuerzt + ".txt")), "eins\r\n");
    EXPECT_EQ(connection->sent.back(), "\r<Quarn>: GoText-Empfang ok.\r");
}

TEST_F(LinienEmpfang, GoTextWithoutNameEndsAtOnce) {
    Start();
    Burst({" go_text. \r", "kein Text\r"});
    EXPECT_TRUE(Dateien(empfang.path()).empty());
    EXPECT_TRUE(ShownText().ends_with("kein Text\r"));
    EXPECT_EQ(connection->sent, std::vector<std::string>{"\r<Quarn>: GoText-Empfang Fehler.\r"});
    EXPECT_TRUE(Prompted("3 Empfangene Datei NICHT gespeichert."));
}

} // namespace
} // namespace quarn::test
