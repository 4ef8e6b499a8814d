// The station window in the whole program: a station set up there to reject incoming links is refused
// when it calls through the simulated TNC; one set up with its own greeting, remote right and connect
// sound gets them when it calls; what was set is in the file at the program's end.
#include "StationenSeitenBedienung.h"
#include "console/ConsoleU.h"
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "foundation/OrdnerU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "platform/audio_test_support.h"
#include "stations/StationenDatenbankU.h"
#include "support/RunEvents.h"
#include "support/TempDir.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"
#include "ui/Hauptfenster.h"
#include "ui/stationen/StationenDatenbankDlg.h"
#include "ui/stationen/StationenDatenbankEditDlg.h"

#include "../../devices/TraceLines.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";
constexpr const char* kQuarnKey = "\\Software\\Velmoor\\Quarn";
constexpr int kEreignisVerbindungVon = 2; // a station connects to us

// Every channel's console, joined by LF.
std::string Konsolen() {
    std::string text;
    TKanaele& kanaele = *TKanaele::Instance();
    for (int number = 0; number <= kanaele.GetAnzahl(); ++number) {
        const auto kanal = kanaele.GetTKanal(number);
        if (!kanal) {
            continue;
        }
        TConsole& console = *kanal->GetConsole();
        for (int row = 0; row < console.Rows(); ++row) {
            std::string line(reinterpret_cast<const char*>(console.TextPtr(0, row)), console.Cols());
            line.erase(line.find_last_not_of(' ') + 1);
            if (!line.empty()) {
                text += line + '\n';
            }
        }
    }
    return text;
}

tncsim::StationSpec Skript(const char* call, const std::string& script) {
    tncsim::StationSpec spec{call, tncsim::StationBehaviour::Script, {}, 0, {}};
    std::string error;
    EXPECT_TRUE(tncsim::ParseScript(script, spec.script, error)) << error;
    return spec;
}

class StationenTncSim : public ::testing::Test {
protected:
    StationenTncSim() {
        InitializeSynchronize();
        air_.Attach(core_);
        pty_ = std::make_unique<tncsim::PtySim>(core_);
        RegistryStore& store = RegistryStore::Instance();
        store.WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM5", pty_->SlavePath());
        const std::string device = std::string(kQuarnKey) + "\\Geraete\\0";
        store.WriteString(Hive::LocalMachine, device, "", "TGeraetHostmodeSerial");
        store.WriteDWord(Hive::LocalMachine, device, "Anschluss", 5);
        store.WriteDWord(Hive::LocalMachine, device, "Baudrate", 0x9600);
        store.WriteDWord(Hive::CurrentUser, std::string(kQuarnKey) + "\\Eigene Rufzeichen\\DL1QRN", "SSIDs",
                         1);
    }
    ~StationenTncSim() override {
        window_.reset();
        pty_->Stop();
        RegistryStore& store = RegistryStore::Instance();
        store.DeleteKey(Hive::LocalMachine, std::string(kQuarnKey) + "\\Geraete");
        store.DeleteKey(Hive::CurrentUser, std::string(kQuarnKey) + "\\Eigene Rufzeichen");
        FinalizeSynchronize();
    }

    void Start() {
        window_ = std::make_unique<THauptfenster>(kFontFile);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        ASSERT_EQ(TGeraete::Instance()->Count(), 1);
        const std::shared_ptr<TGeraet> device = TGeraete::Instance()->Geraete()[0];
        ASSERT_TRUE(test::RunEventsUntil([&] { return device->GetStatus() == TGeraetStatus::Bereit; }))
            << device->GetStatusText();
    }

    // The new call's window: "Neues Rufzeichen..." answered with the call.
    void StationAnlegen(TStationenDatenbankDlg& dlg, const char* call) {
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [call] {
            if (auto* neu = dynamic_cast<TStationenDatenbankEditDlg*>(QApplication::activeModalWidget())) {
                neu->RufzeichenEdit()->setText(call);
                neu->OkButton()->click();
            }
        });
        answer.start(10);
        dlg.HinzufuegenButton()->click();
    }

    TStationenDatenbankDlg* StationenOeffnen() {
        window_->findChild<QAction*>("ActionStationenDatenbank")->trigger();
        return dynamic_cast<TStationenDatenbankDlg*>(window_->StationenFenster());
    }

    tncsim::SimAir air_;
    tncsim::TncSimCore core_{tncsim::ConfigFor(tncsim::Identity::Tnc2)};
    std::unique_ptr<tncsim::PtySim> pty_;
    std::unique_ptr<THauptfenster> window_;
};

TEST_F(StationenTncSim, AStationSetToRejectIsRefusedAndLeftSoInTheFile) {
    Start();
    window_->findChild<QAction*>("ActionStationenDatenbank")->trigger();
    auto* dlg = dynamic_cast<TStationenDatenbankDlg*>(window_->StationenFenster());
    ASSERT_NE(dlg, nullptr);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* neu = dynamic_cast<TStationenDatenbankEditDlg*>(QApplication::activeModalWidget())) {
            neu->RufzeichenEdit()->setText("db0ech");
            neu->OkButton()->click();
        }
    });
    answer.start(10);
    dlg->HinzufuegenButton()->click();
    answer.stop();
    ASSERT_EQ(dlg->GezeigteStation(), "DB0ECH");
    dlg->NameEdit()->setText("Echo");
    dlg->TypCombobox()->setCurrentText("Mailbox");
    dlg->FirewallCheckbox()->click();
    dlg->FirewallCombobox()->setCurrentText("abweisen");
    dlg->SchliessenButton()->click();

    test::TraceLines trace;
    air_.AddStation({"DB0ECH", tncsim::StationBehaviour::Echo, {}, 0, {}});
    EXPECT_TRUE(test::RunEventsUntil([&] {
        return trace.Contains("Verbindungswunsch von DB0ECH abgelehnt.");
    })) << trace.Text("DB0ECH");

    // The program's end writes the file; the next run's database finds the station as it was left.
    window_->close();
    window_.reset();
    const TStationenDatenbank naechsterStart(false);
    const auto station = StationenDatenbank()->GetEintrag("DB0ECH");
    ASSERT_NE(station, nullptr);
    EXPECT_EQ(station->GetName(), "Echo");
    EXPECT_EQ(station->GetTyp(), TStationType::st_box);
    EXPECT_EQ(station->GetFirewall(), TIncomingConnects::Reject);
}

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
