// The station window's editor pages in the whole program: a station set up there with its own greeting,
// remote right and connect sound gets them when it calls through the simulated TNC, another station does
// not, and what was set is in the window again and in the file at the program's end.
#include "StationenTncSim.h"

namespace quarn {
namespace {

using namespace test;

constexpr int kEreignisVerbindungVon = 2; // a station connects to us

TEST_F(StationenTncSim, AStationsGreetingRemoteRightAndSoundSetInTheWindowServeItsConnect) {
    // Sounds go to a file through the sound system's own configuration.
    const std::filesystem::path home = std::getenv("HOME");
    const std::filesystem::path gespielt = home / "klang.raw";
    std::ofstream(home / ".asoundrc") << "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \""
                                      << gespielt.string() << "\"\n  format \"raw\"\n}\n";
    test::TempDir dateien;
    const std::filesystem::path wave = dateien / "echo.wav";
    std::vector<std::int16_t> ton(1600);
    for (std::size_t i = 0; i < ton.size(); ++i) {
        ton[i] = (i / 4) % 2 ? 8000 : -8000;
    }
    test::WriteWave(wave, 8000, 1, ton);
    std::filesystem::create_directories(dateien / "Fernst");
    std::ofstream(dateien / "Fernst" / "liesmich.txt") << "Hallo\r";
    TOrdner().SetRemote(dateien / "Fernst");
    Start();

    TStationenDatenbankDlg* dlg = StationenOeffnen();
    ASSERT_NE(dlg, nullptr);
    StationAnlegen(*dlg, "db0ech");
    ASSERT_EQ(dlg->GezeigteStation(), "DB0ECH");
    dlg->NameEdit()->setText("Echo");
    // A mailbox's "//" lines are its own business: remote commands are taken from a terminal.
    dlg->TypCombobox()->setCurrentText("Terminal");
    if (!dlg->FirewallCheckbox()->isChecked()) {
        dlg->FirewallCheckbox()->click();
    }
    dlg->FirewallCombobox()->setCurrentText("annehmen");
    test::TextMemo(*dlg).setPlainText("Willkommen beim Echo-Test");
    test::VorherStandardtext(*dlg).setChecked(false);
    test::BefehlSetzen(*dlg, "dir", 1);
    test::EigenenKlangSetzen(*dlg, kEreignisVerbindungVon, QString::fromStdString(wave.string()));
    dlg->SchliessenButton()->click();
    ASSERT_TRUE(test::RunEventsUntil([&] { return window_->StationenFenster() == nullptr; }));

    // Opened again, the window shows what was set.
    dlg = StationenOeffnen();
    ASSERT_NE(dlg, nullptr);
    ASSERT_EQ(dlg->GezeigteStation(), "DB0ECH");
    EXPECT_EQ(dlg->NameEdit()->text(), "Echo");
    EXPECT_EQ(test::TextMemo(*dlg).toPlainText(), "Willkommen beim Echo-Test");
    EXPECT_EQ(test::BefehlsZustand(*dlg, "dir"), 1);
    test::EreignisWaehlen(*dlg, kEreignisVerbindungVon);
    EXPECT_TRUE(test::EigenerKlang(*dlg).isChecked());
    EXPECT_EQ(test::KlangWaveEdit(*dlg).text().toStdString(), wave.string());
    dlg->close();

    air_.AddStation(Skript("DB0ECH", "expect Willkommen beim Echo-Test\n"
                                     "send //dir\\r\n"
                                     "expect liesmich.txt\n"
                                     "send Liste bei DB0ECH angekommen\\r\n"));
    air_.AddStation(Skript("DL2XYZ", "send //dir\\r\n"
                                     "expect Fernsteuerbefehl gesperrt.\n"
                                     "send Sperre bei DL2XYZ angekommen\\r\n"));
    EXPECT_TRUE(test::RunEventsUntil([] {
        const std::string text = Konsolen();
        return text.find("Liste bei DB0ECH angekommen") != std::string::npos &&
               text.find("Sperre bei DL2XYZ angekommen") != std::string::npos;
    })) << Konsolen();
    // The station's connect sound went out; the other station's connect has none.
    EXPECT_TRUE(test::RunEventsUntil([&] {
        std::error_code error;
        return std::filesystem::file_size(gespielt, error) >= ton.size() * sizeof(std::int16_t);
    })) << gespielt;

    window_->close();
    window_.reset();
    const TStationenDatenbank naechsterStart(false);
    const auto station = StationenDatenbank()->GetEintrag("DB0ECH");
    ASSERT_NE(station, nullptr);
    std::string text;
    bool vorher = true;
    station->GetText(0, text, vorher);
    EXPECT_EQ(text, "Willkommen beim Echo-Test");
    EXPECT_FALSE(vorher);
    bool allowed = false;
    EXPECT_TRUE(station->GetRemoteCommand("dir", allowed));
    EXPECT_TRUE(allowed);
    int signal = 0;
    int ansage = 0;
    std::string datei;
    station->GetSoundEvent(kEreignisVerbindungVon, signal, ansage, datei);
    EXPECT_EQ(signal, 3);
    EXPECT_EQ(datei, wave.string());
}

} // namespace
} // namespace quarn
