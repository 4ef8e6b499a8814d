// Thousands of malformed "//" lines from a fixed seed against the interpreter with every command
// allowed: no crash, every reply one of the known texts, and nothing outside the remote folder listed
// or queued for sending.
#include "RemoteFixture.h"

#include <array>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace quarn::test {
namespace {

using RemoteZufallTest = RemoteFixture;

// What a reply may begin with (Windows-1252), besides ECHO's own parameter.
const std::vector<std::string>& KnownReplies() {
    static const std::vector<std::string> known = [] {
        std::vector<std::string> texts;
        for (const char* utf8 :
             {"Ungültiger Fernsteuerbefehl.\r", "Fernsteuerbefehl gesperrt.\r",
              "Fehler bei der Ausführung des Fernsteuerbefehls.\r", "Verfügbare Fernsteuerbefehle:\r",
              "Version ", "Es hat geklingelt.\r", "Es hat nicht geklingelt.\r", "Kein Info-Text vorhanden.\r",
              "Keine Neuigkeiten.\r", "Fehler.\r", "Hallo ", "Name unbekannt.\r", "Verbindungs-Status:\r",
              "Laufzeit: ", "Zugriff verweigert. Ordner: ", "Inhalt von ", "Ungültiger Parameter\r",
              "Aktueller Ordner: ", "Übertragungsprotokoll: "}) {
            texts.push_back("<Quarn>: " + Utf8ToCp1252(utf8));
        }
        texts.push_back("//e //rtt ");
        return texts;
    }();
    return known;
}

TEST_F(RemoteZufallTest, MalformedLinesGetOnlyKnownRepliesAndNeverReachOutside) {
    AllowAll();
    texte->SaveGlobal(1, "");
    texte->SaveGlobal(2, "");
    texte->SaveGlobal(3, "");
    std::filesystem::create_directories(root / "Sub" / "Deep");
    std::ofstream(root / "Sub" / "inside.txt") << "inside";
    std::filesystem::create_directories(dir / "outside");
    std::ofstream(dir / "outside" / "OUTSIDE-CANARY.txt") << "secret";
    std::filesystem::create_directories(dir / "quarn");
    std::ofstream(dir / "quarn" / "CASE-CANARY.txt") << "secret";
    std::filesystem::create_directory_symlink(dir / "outside", root / "Sub" / "out");

    const std::array<std::string_view, 24> words = {"d",  "di",   "dir", "cd",  "c",    "r",  "read", "READ",
                                                    "e",  "echo", "bin", "n",   "name", "rt", "rtt",  "h",
                                                    "cs", "ri",   "x",   "dIr", "Cd",   "re", "dis",  "q"};
    const std::array<std::string_view, 22> pieces = {
        "..",       "\\",    "/",    "*", "?",   "C:",  "c:\\", "Sub", "sub", "out",
        "link",     "quarn", "Deep", ".", "...", "*.*", "^$00", " ",   "\r",  std::string_view("\0", 1),
        "\xFF\xFE", "%s%n"};
    std::mt19937 random(1806);
    const auto pick = [&random](std::size_t count) {
        return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
    };
    std::map<std::string, int> seen;
    for (int round = 0; round < 3000; ++round) {
        std::string line = pick(10) == 0 ? "/" : "//";
        const bool binary = pick(8) == 0;
        if (binary) {
            const std::size_t length = pick(300);
            for (std::size_t i = 0; i < length; ++i) {
                line.push_back(static_cast<char>(pick(256)));
            }
        } else {
            const std::string_view word = words[pick(words.size())];
            line += word;
            line += pick(5) == 0 ? "" : " ";
            const std::size_t count = pick(8);
            for (std::size_t i = 0; i < count; ++i) {
                line += pieces[pick(pieces.size())];
                if (pick(3) == 0) {
                    line += pieces[pick(3) + 1]; // a separator
                }
            }
            if (pick(30) == 0) {
                line += std::string(pick(3000), 'A' + static_cast<char>(pick(26)));
            }
        }
        if (pick(2) == 0) {
            line += '\r';
        }
        // Quit and disconnect would only start the disconnect of this connection again.
        const std::string reply = Run(line);
        if (reply.empty()) {
            continue;
        }
        const auto& known = KnownReplies();
        const bool isKnown = std::any_of(known.begin(), known.end(), [&reply](const std::string& text) {
            return reply.starts_with(text);
        });
        // ECHO's reply is the peer's own text and CR; anything else must be one of ours.
        const bool isEcho =
            reply.ends_with('\r') && line.find(reply.substr(0, reply.size() - 1)) != std::string::npos;
        for (const auto& text : known) {
            if (reply.starts_with(text)) {
                ++seen[text];
            }
        }
        ASSERT_TRUE(isKnown || isEcho) << "line " << round << ": " << line << "\nreply: " << reply;
        if (!isEcho) {
            ASSERT_EQ(reply.find("CANARY"), std::string::npos) << line;
        }
        const auto queue = peer->GetDateiSendenQueue();
        while (queue->GetCount() > 0) {
            const auto job = queue->DeQueue();
            const auto real = std::filesystem::weakly_canonical(job->GetDateiname());
            const auto inside = std::filesystem::weakly_canonical(root);
            ASSERT_TRUE(real.string().starts_with(inside.string() + "/")) << line << " -> " << real;
            job->Release();
            ++seen["job"];
        }
    }
    // The lines must have reached the folder commands both ways, or the checks above proved little.
    for (const std::string& text :
         {std::string("<Quarn>: Aktueller Ordner: "), Line("Ungültiger Parameter"),
          std::string("<Quarn>: Inhalt von "), std::string("<Quarn>: Zugriff verweigert. Ordner: "),
          std::string("job")}) {
        EXPECT_GT(seen[text], 0) << text;
    }
}

} // namespace
} // namespace quarn::test
