// The remote-command interpreter on a real connection: the command table and its abbreviations, the
// permission lookup, and the replies of the commands that do not touch the remote folder.
#include "RemoteFixture.h"
#include "connections/send/DateiSendenU.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

using RemoteCommandsTest = RemoteFixture;

TEST_F(RemoteCommandsTest, AbbreviationsFindTheFirstCommandTheyAreLongEnoughFor) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"d", ""},     {"di", ""},     {"dir", "dir"}, {"dis", "disconnect"}, {"DISC", "disconnect"},
        {"r", "read"}, {"ri", "ring"}, {"rt", "rtt"},  {"ne", "news"},        {"n", "name"},
        {"E", "echo"}, {"c", ""},      {"cd", "cd"},   {"cs", "cstatus"},     {"bin", "binmode"},
        {"dirx", ""},  {"", ""},       {"si", ""},     {"sid", "sid"},        {"versionx", ""},
    };
    for (const auto& [word, name] : cases) {
        std::string found = word;
        const TRemoteCommandEintrag* command = manager->FindCommand(found);
        EXPECT_EQ(command ? command->name : "", name) << word;
        if (command) {
            EXPECT_EQ(found, name) << word;
        }
    }
    std::vector<std::string> names;
    manager->GetDisplayNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"BINmode", "CD", "CStatus", "DIR", "DISconnect", "Echo",
                                               "Help", "Info", "Name", "NEws", "Quit", "Read", "RIng", "RTt",
                                               "SID", "Version"}));
}

TEST_F(RemoteCommandsTest, PermissionOfTheFullCallBeatsTheCallWithoutSsidWhichBeatsTheGlobalOne) {
    const std::string echoed = "hallo\r";
    const std::string locked = Line("Fernsteuerbefehl gesperrt.");
    // Defaults written at registration: echo allowed, dir locked.
    EXPECT_EQ(Run("//e hallo"), echoed);
    EXPECT_EQ(Run("//dir"), locked);

    database->CreateEintrag("DL1XYZ")->SetRemoteCommand("echo", false);
    EXPECT_EQ(Run("//e hallo"), locked);
    database->CreateEintrag("DL1XYZ-2")->SetRemoteCommand("echo", true);
    EXPECT_EQ(Run("//e hallo"), echoed);
    // Another SSID of the same station only has the value without SSID.
    peer->Set_Call("DL1XYZ-5");
    EXPECT_EQ(Run("//e hallo"), locked);

    manager->SetAllowed("DL1XYZ", "echo", true);
    EXPECT_EQ(Run("//e hallo"), echoed);
    manager->ClearOverride("DL1XYZ", "echo");
    manager->SetAllowed({}, "echo", false);
    EXPECT_EQ(Run("//e hallo"), locked);
    bool allowed = true;
    EXPECT_FALSE(manager->IsAllowed("DL1XYZ", "echo", allowed));
    EXPECT_TRUE(manager->IsAllowed({}, "echo", allowed));
    EXPECT_FALSE(allowed);
}

TEST_F(RemoteCommandsTest, StoredPermissionsOutliveTheManagerAndUnknownValuesReadAsLocked) {
    manager->SetAllowedGlobal("dir", true);
    store.WriteString(Hive::CurrentUser, TRemoteCommandManager::kKey, "ECHO", "1");
    manager.reset();
    manager = std::make_unique<TRemoteCommandManager>(store);
    bool allowed = false;
    manager->GetAllowedGlobal("DIR", allowed);
    EXPECT_TRUE(allowed);
    manager->GetAllowedGlobal("echo", allowed);
    EXPECT_FALSE(allowed) << "a value of the wrong type";
    manager->GetAllowedGlobal("nothing", allowed);
    EXPECT_FALSE(allowed);
}

TEST_F(RemoteCommandsTest, LinesThatAreNoCommandGetNothingOrTheUnknownReply) {
    for (const std::string line : {"//", "// e x", "///e x", "//\r"}) {
        EXPECT_EQ(Run(line), line == "//\r" ? Line("Ungültiger Fernsteuerbefehl.") : "") << line;
    }
    EXPECT_EQ(Run("//d"), Line("Ungültiger Fernsteuerbefehl."));
    EXPECT_EQ(Run("//xyz 1 2\r"), Line("Ungültiger Fernsteuerbefehl."));
    EXPECT_EQ(Run("//E   padded  \r"), "padded\r");
}

TEST_F(RemoteCommandsTest, HelpListsAllowedCommandsPaddedAndTheLockedOnesInOneLine) {
    manager->SetAllowedGlobal("dir", true);
    manager->SetAllowedGlobal("ring", false);
    const std::string expected =
        Utf8ToCp1252("<Quarn>: Verfügbare Fernsteuerbefehle:\r\r"
                     "  //DIR        - Zeigt den Inhalt des aktuellen Ordners an\r"
                     "  //DISconnect - Trennt die Verbindung\r"
                     "  //Echo       - Sendet Text zurück\r"
                     "  //Help       - Zeigt diese Hilfe an\r"
                     "  //Info       - Zeigt Informationen über diese Station\r"
                     "  //Name       - Trägt den Namen in die Datenbank ein\r"
                     "  //NEws       - Zeigt aktuelle Informationen\r"
                     "  //Quit       - Sendet Abschiedstext und trennt die Verbindung\r"
                     "  //RTt        - Misst die Laufzeit (hin und zurück)\r"
                     "  //SID        - Sendet die Terminal-Station-ID\r"
                     "  //Version    - Gibt die Version von Quarn aus\r"
                     "\r"
                     "Gesperrte Fernsteuerbefehle: BINmode, CD, CStatus, Read, RIng.\r\r");
    EXPECT_EQ(Run("//h"), expected);
}

TEST_F(RemoteCommandsTest, CStatusListsEveryOpenConnectionWithItsDirection) {
    manager->SetAllowedGlobal("cstatus", true);
    const auto outgoing = Make();
    outgoing->Set_Call("DB0BOX-1");
    outgoing->Set_MyCall("DB0ME-3");
    outgoing->SetAusgehend(true);
    connections.Add(outgoing);
    EXPECT_EQ(Run("//cs"), "<Quarn>: Verbindungs-Status:\r\r"
                           "  DB0ME     < DL1XYZ-2 \r"
                           "  DB0ME-3   > DB0BOX-1 \r"
                           "\r");
    connections.Remove(outgoing);
}

TEST_F(RemoteCommandsTest, RttRoundTripBetweenTwoStationsReportsTheSecondsRounded) {
    ManualClock clock;
    const ScopedClock scoped(clock);
    // Our station asks the other one; both run this interpreter and see each other's lines.
    const auto other = Make();
    other->Set_Call("DB0ME");
    const std::string request = Run(*other, "//rtt");
    EXPECT_EQ(request, "//e //rtt " + std::to_string(static_cast<std::int32_t>(clock.NowMs())) + "\r");
    const std::string echoed = Run(request);
    clock.Advance(2499);
    EXPECT_EQ(Run(*other, echoed), Line("Laufzeit: 2 sek."));
    clock.Set(0x1'0000'0000ULL - 100); // across the wrap of the 32-bit tick count
    const std::string late = Run(*other, "//rtt");
    clock.Advance(1600);
    EXPECT_EQ(Run(*other, Run(late)), Line("Laufzeit: 2 sek."));
    for (const std::string bad : {"//rtt 0", "//rtt abc", "//rtt 12x", "//rtt 99999999999"}) {
        EXPECT_EQ(Run(bad), Line("Fehler.")) << bad;
    }
}

TEST_F(RemoteCommandsTest, NameIsStoredForTheCallWithoutSsidAndComesBackVerbatim) {
    EXPECT_EQ(Run("//n"), Line("Name unbekannt."));
    EXPECT_EQ(Run("//name Karl ^$07^M"), "<Quarn>: Hallo Karl ^$07^M.\r");
    ASSERT_NE(database->GetEintrag("DL1XYZ"), nullptr);
    EXPECT_EQ(database->GetEintrag("DL1XYZ")->GetName(), "Karl ^$07^M");
    EXPECT_EQ(database->GetEintrag("DL1XYZ-2"), nullptr);
    peer->Set_Call("DL1XYZ-9");
    EXPECT_EQ(Run("//n"), "<Quarn>: Hallo Karl ^$07^M.\r");
}

TEST_F(RemoteCommandsTest, EscapesApplyToTheOperatorsTextsButNotToWhatThePeerSent) {
    EXPECT_EQ(Run("//e ^$00^G^^"), "^$00^G^^\r");
    database->CreateEintrag("DL1XYZ")->SetName("Eve^$07");
    peer->Set_Call("DL1XYZ-2"); // the connection finds its station when the call is set
    texte->SaveGlobal(2, "Info fuer %N^M^$41");
    EXPECT_EQ(Run("//i"), "Info fuer Eve^$07\rA");
    // The greeting and the text macros follow the same rule.
    texte->SaveGlobal(0, "Hallo %N^M");
    texte->SendeText(0, peer.get());
    EXPECT_EQ(Sent(*peer), "Hallo Eve^$07\r");
    texte->SaveGlobal(3, "");
    EXPECT_EQ(Run("//ne"), Line("Keine Neuigkeiten."));
    texte->SaveGlobal(2, "");
    EXPECT_EQ(Run("//info"), Line("Kein Info-Text vorhanden."));
}

TEST_F(RemoteCommandsTest, QuitQueuesTheFarewellBeforeTheGracefulDisconnect) {
    texte->SaveGlobal(1, "73 %N^M");
    database->CreateEintrag("DL1XYZ")->SetName("Karl");
    peer->Set_Call("DL1XYZ-2");
    peer->GetRemoteCommands()->Execute("//q");
    // The farewell waits in the queue; the first disconnect step lets the queues drain before the link
    // goes down.
    EXPECT_EQ(Sent(*peer), "73 Karl\r");
    EXPECT_EQ(peer->GetDiscLevel(), 1);
    EXPECT_EQ(device->trennen.load(), 0);
    EXPECT_EQ(Run("//dis"), "");
    EXPECT_GT(peer->GetDiscLevel(), 1);
}

TEST_F(RemoteCommandsTest, BinmodeSelectsByAnyBeginningAndOtherwiseReports) {
    manager->SetAllowedGlobal("binmode", true);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"//bin", "unbekannt"},         {"//bin d", "DIDADIT"},        {"//bin x", "DIDADIT"},
        {"//BINMODE AutoB", "AUTOBIN"}, {"//bin autobinx", "AUTOBIN"}, {"//bin DIDADIT", "DIDADIT"},
    };
    for (const auto& [line, protocol] : cases) {
        EXPECT_EQ(Run(line), Line("Übertragungsprotokoll: " + protocol)) << line;
    }
}

TEST_F(RemoteCommandsTest, VersionAndRingWithoutSoundService) {
    EXPECT_EQ(Run("//v"), Line("Version " + ProgramVersion()));
    EXPECT_EQ(Run("//ri"), Line("Es hat nicht geklingelt."));
}

} // namespace
} // namespace quarn::test
