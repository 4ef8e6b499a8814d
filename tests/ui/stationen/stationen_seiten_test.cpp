// The station window with its real text, remote-command and sound editors, against a real database and
// a private registry in a temporary folder, on the offscreen platform.
#include "StationenSeitenBedienung.h"
#include "connections/remote/RemoteCommandManagerU.h"
#include "platform/AudioSink.h"
#include "platform/Registry.h"
#include "stations/KlaengeU.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"
#include "support/TempDir.h"
#include "support/TestDatenbank.h"
#include "ui/stationen/StationenEditorSeiten.h"
#include "ui/stationen/StationenListe.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace quarn {
namespace {

using namespace test;

const QString kScreenshots = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
constexpr int kEreignisVerbindungVon = 2; // a station connects to us

class StationenSeitenTest : public ::testing::Test {
protected:
    StationenSeitenTest() {
        database->CreateEintrag("DL1ABC")->SetName("Alpha");
        database->CreateEintrag("DB0ECH")->SetName("Echo");
        texte.SaveStation("DL1ABC", 0, false, "Hallo Alpha");
    }

    TStationenDatenbankDlg& Open() {
        TStationenDlgUmgebung umgebung;
        umgebung.eigeneRufzeichen = [] { return std::vector<std::string>{"DB0QRN"}; };
        umgebung.globaleRegel = [] { return 1; };
        umgebung.piepen = [this] { ++piepser; };
        umgebung.seiten = StationenEditorSeiten({&texte, &manager, &klaenge});
        dlg = std::make_unique<TStationenDatenbankDlg>(*database, std::move(umgebung));
        dlg->resize(640, 460);
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        QApplication::processEvents();
        return *dlg;
    }

    void Select(const char* call) {
        const int row = dlg->Liste().Zeile(call);
        ASSERT_GE(row, 0) << call;
        dlg->Auswaehlen(row);
        ASSERT_EQ(dlg->GezeigteStation(), call);
    }

    void Screenshot(int tab, const char* name) {
        dlg->Seiten()->setCurrentIndex(tab);
        QApplication::processEvents();
        ASSERT_TRUE(QDir().mkpath(kScreenshots));
        EXPECT_TRUE(dlg->grab().save(kScreenshots + name)) << name;
    }

    std::pair<std::string, bool> StationsText(const char* call, int kind) {
        bool vorher = false;
        std::string text;
        EXPECT_TRUE(texte.Load(call, kind, vorher, text)) << call;
        return {text, vorher};
    }

    std::optional<bool> StationsRecht(const char* call, const char* name) {
        bool allowed = false;
        if (!manager.GetAllowedStation(call, name, allowed)) {
            return std::nullopt;
        }
        return allowed;
    }

    std::pair<int, std::string> StationsKlang(const char* call, int event) {
        int signal = 0;
        int ansage = 0;
        std::string wave;
        database->GetEintrag(call)->GetSoundEvent(event, signal, ansage, wave);
        return {signal, wave};
    }

    TempDir dir;
    RegistryStore store{dir / "registry"};
    std::unique_ptr<TStationenDatenbank> database = TestDatenbank(dir.path());
    TTexte texte{store};
    TRemoteCommandManager manager{store};
    TKlaenge klaenge{store, MakeSilentAudioSink()};
    int piepser = 0;
    // Goes first: its pages store through the services above.
    std::unique_ptr<TStationenDatenbankDlg> dlg;
};

TEST_F(StationenSeitenTest, TextsLoadPerStationAndAreStoredWhenTheStationIsLeft) {
    Open();
    // Only the station info is the operator's alone.
    EXPECT_EQ(TextArten(*dlg).count(), 13);
    EXPECT_FALSE(VorherStandardtext(*dlg).isHidden());
    Select("DL1ABC");
    EXPECT_EQ(TextMemo(*dlg).toPlainText(), "Hallo Alpha");

    TextMemo(*dlg).setPlainText("Willkommen\nbei Alpha");
    VorherStandardtext(*dlg).setChecked(true);
    Select("DB0ECH");
    EXPECT_EQ(StationsText("DL1ABC", 0), std::make_pair(std::string("Willkommen\rbei Alpha"), true));
    // The next station shows its own text, not the one left.
    EXPECT_EQ(TextMemo(*dlg).toPlainText(), "");

    // Blank with the global text first: the station falls back to the global text alone.
    Select("DL1ABC");
    EXPECT_EQ(TextMemo(*dlg).toPlainText(), "Willkommen\nbei Alpha");
    TextMemo(*dlg).setPlainText("\n \n");
    dlg->Schliessen();
    std::string text;
    bool vorher = false;
    database->GetEintrag("DL1ABC")->GetText(0, text, vorher);
    EXPECT_EQ(text, "");
}

TEST_F(StationenSeitenTest, RemotePermissionsAreTheStationsOwnAndAGreyRowDropsTheOverride) {
    bool globalDir = true;
    manager.GetAllowedGlobal("dir", globalDir);
    ASSERT_FALSE(globalDir);
    Open();
    Select("DL1ABC");
    // No override yet: the global permission, grey.
    EXPECT_EQ(BefehlsZustand(*dlg, "dir"), 2);
    BefehlSetzen(*dlg, "dir", 1);
    Select("DB0ECH");
    EXPECT_EQ(StationsRecht("DL1ABC", "dir"), true);
    EXPECT_EQ(StationsRecht("DB0ECH", "dir"), std::nullopt);
    EXPECT_FALSE(manager.IsAllowedFor("DB0ECH", "dir"));
    EXPECT_EQ(BefehlsZustand(*dlg, "dir"), 2);

    Select("DL1ABC");
    EXPECT_EQ(BefehlsZustand(*dlg, "dir"), 1);
    BefehlSetzen(*dlg, "dir", 3);
    Select("DB0ECH");
    EXPECT_EQ(StationsRecht("DL1ABC", "dir"), std::nullopt);
    manager.GetAllowedGlobal("dir", globalDir);
    EXPECT_FALSE(globalDir);
}

TEST_F(StationenSeitenTest, AnOwnSoundIsSavedAndTurningItOffDeletesIt) {
    Open();
    Select("DL1ABC");
    EigenenKlangSetzen(*dlg, kEreignisVerbindungVon, "/tmp/klingel.wav");
    Select("DB0ECH");
    EXPECT_EQ(StationsKlang("DL1ABC", kEreignisVerbindungVon),
              std::make_pair(3, std::string("/tmp/klingel.wav")));
    EXPECT_EQ(StationsKlang("DB0ECH", kEreignisVerbindungVon).first, 0);
    EreignisWaehlen(*dlg, kEreignisVerbindungVon);
    EXPECT_FALSE(EigenerKlang(*dlg).isChecked());

    Select("DL1ABC");
    EreignisWaehlen(*dlg, kEreignisVerbindungVon);
    ASSERT_TRUE(EigenerKlang(*dlg).isChecked());
    EXPECT_EQ(KlangWaveEdit(*dlg).text(), "/tmp/klingel.wav");
    EigenerKlang(*dlg).click();
    Select("DB0ECH");
    EXPECT_EQ(StationsKlang("DL1ABC", kEreignisVerbindungVon), std::make_pair(0, std::string()));
}

TEST_F(StationenSeitenTest, TheEditorsHoldNoStationSoAShownOneCanBeRemoved) {
    Open();
    Select("DL1ABC");
    for (int tab : {kTexteTab, kFernsteuerungTab, kKlaengeTab}) {
        dlg->Seiten()->setCurrentIndex(tab);
        QApplication::processEvents();
    }
    QTimer ja;
    QObject::connect(&ja, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            for (QPushButton* button : modal->findChildren<QPushButton*>()) {
                if (button->text().remove('&') == "Ja") {
                    button->click();
                }
            }
        }
    });
    ja.start(5);
    dlg->Entfernen();
    EXPECT_EQ(piepser, 0);
    EXPECT_EQ(database->GetEintrag("DL1ABC"), nullptr);
    EXPECT_EQ(dlg->GezeigteStation(), "DB0ECH");
}

TEST_F(StationenSeitenTest, EnterInTheWindowPressesNoButtonOfThePages) {
    Open();
    dlg->Seiten()->setCurrentIndex(kKlaengeTab);
    QApplication::processEvents();
    for (const QPushButton* button : dlg->findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault() || button->autoDefault()) << button->text().toStdString();
    }
}

TEST_F(StationenSeitenTest, PagesAsTheOperatorSeesThem) {
    texte.SaveStation("DB0ECH", 0, true, "Hallo %n,\r\rdies ist das Echo.");
    manager.SetAllowedStation("DB0ECH", "dir", true);
    klaenge.SaveStation("DB0ECH", kEreignisVerbindungVon, 0, "/usr/share/sounds/echo.wav", 3);
    Open();
    Select("DB0ECH");
    Screenshot(kTexteTab, "stationen_texte.png");
    Screenshot(kFernsteuerungTab, "stationen_fernsteuerung.png");
    EreignisWaehlen(*dlg, kEreignisVerbindungVon);
    Screenshot(kKlaengeTab, "stationen_klaenge.png");
}

} // namespace
} // namespace quarn
