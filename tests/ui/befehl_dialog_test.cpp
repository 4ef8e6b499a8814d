#include "devices/FakeKanal.h"
#include "foundation/InterfacesU.h"
#include "platform/Registry.h"
#include "support/TempDir.h"
#include "ui/BefehlConnectU.h"
#include "ui/BefehlU.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace quarn {
namespace {

// A radio port that records the short connect and answers with the code it was given.
class FakePort : public IFunkKanal {
public:
    FakePort(std::string name, std::string bezeichnung)
        : name_(std::move(name)), bezeichnung_(std::move(bezeichnung)) {}

    std::string GetBezeichnung() const override { return bezeichnung_; }
    void SetBezeichnung(std::string_view) override {}
    void SetNummer(int) override {}
    int GetNummer() const override { return 0; }
    TConnectResult VerbindeKurz(std::string& path, std::string& myCall,
                                std::shared_ptr<IKanal>& channel) override {
        ++verbindungen;
        pfad = path;
        eigenes = myCall;
        kanal = channel;
        if (anderer)
            channel = anderer; // the given channel was busy: the link came up on another one
        return static_cast<TConnectResult>(antwort);
    }
    TConnectResult Verbinde(std::string&, std::string&, std::shared_ptr<IVerbindung>&,
                            std::shared_ptr<IKanal>&) override {
        return TConnectResult::UnknownError;
    }
    bool IsFlexnet() const override { return false; }
    std::string GetName() const override { return name_; }
    void SetName(std::string_view) override {}
    bool SendUI(std::string_view, std::string_view, std::string_view) override { return false; }

    int antwort = 0;
    int verbindungen = 0;
    std::string pfad;
    std::string eigenes;
    std::shared_ptr<IKanal> kanal;
    std::shared_ptr<IKanal> anderer;

private:
    std::string name_;
    std::string bezeichnung_;
};

class ZaehlenderKanal : public test::FakeKanal {
public:
    using FakeKanal::FakeKanal;
    void StatusbarAktualisieren(bool) override { ++statuszeile; }
    int statuszeile = 0;
};

struct UiZiel {
    std::string ziel, eigenes, port;
};

class BefehlConnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 1; i <= 5; ++i)
            ports.push_back(std::make_shared<FakePort>("p" + std::to_string(i), "Port " + std::to_string(i)));
    }

    std::unique_ptr<TDlgBefehlConnect> Oeffnen(int kanalNummer = 1) {
        kanal = std::make_shared<ZaehlenderKanal>(kanalNummer);
        kanal->SetReserviert(reserviertVorher);
        TBefehlConnectUmgebung u;
        u.kanal = kanal;
        u.ports.assign(ports.begin(), ports.end());
        u.eigeneRufzeichen = {"DL1ABC", "DL2XYZ"};
        u.store = &store;
        u.kanalAktuell = [this](int nummer) { aktuell = nummer; };
        u.uiZielSpeichern = [this](const std::string& z, const std::string& e, const std::string& p) {
            uiZiel = UiZiel{z, e, p};
        };
        u.melden = [this](QWidget*, const QString& text) { meldungen.push_back(text); };
        u.piepen = [this] { ++piepser; };
        return std::make_unique<TDlgBefehlConnect>(std::move(u));
    }

    std::string Verlauf(std::string_view name) const {
        return store.ReadString(Hive::CurrentUser, kVerlaufKey, name).value_or("<none>");
    }
    void VerlaufSetzen(std::string_view name, std::string_view text) {
        store.WriteString(Hive::CurrentUser, kVerlaufKey, name, text);
    }

    static int Zeile(const TDlgBefehlConnect& d) {
        QTreeWidgetItem* item = d.PortListe()->currentItem();
        return item && item->isSelected() ? d.PortListe()->indexOfTopLevelItem(item) : -1;
    }
    static void Taste(QWidget* w, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    }
    static void Eingeben(const TDlgBefehlConnect& d, const QString& eigenes, const QString& ziel) {
        d.MyCallCombo()->setEditText(eigenes);
        d.CallCombo()->setEditText(ziel);
    }

    test::TempDir tmp;
    RegistryStore store{tmp.path()};
    std::vector<std::shared_ptr<FakePort>> ports;
    std::shared_ptr<ZaehlenderKanal> kanal;
    bool reserviertVorher = false;
    int aktuell = -1;
    std::optional<UiZiel> uiZiel;
    std::vector<QString> meldungen;
    int piepser = 0;
};

TEST_F(BefehlConnectTest, FunctionKeysChoosePortRowsAndBeepBeyondThem) {
    auto d = Oeffnen();
    d->CallCombo()->setFocus();
    Taste(d->CallCombo()->lineEdit(), Qt::Key_F3);
    EXPECT_EQ(Zeile(*d), 2);
    EXPECT_EQ(piepser, 0);

    Taste(d->CallCombo()->lineEdit(), Qt::Key_F12);
    EXPECT_EQ(Zeile(*d), 2);
    EXPECT_EQ(piepser, 1);

    // F4 would open a combo box's list; here it is a port key like the others.
    Taste(d->MyCallCombo()->lineEdit(), Qt::Key_F4);
    EXPECT_EQ(Zeile(*d), 3);
}

TEST_F(BefehlConnectTest, OkNeedsAPortAndBothTexts) {
    auto d = Oeffnen();
    EXPECT_EQ(d->MyCallCombo()->currentText(), "DL1ABC");
    EXPECT_FALSE(d->ButtonOk()->isEnabled()); // no destination yet
    d->CallCombo()->setEditText("DB0ABC");
    EXPECT_TRUE(d->ButtonOk()->isEnabled());
    d->MyCallCombo()->setEditText("");
    EXPECT_FALSE(d->ButtonOk()->isEnabled());

    ports.clear();
    auto ohnePorts = Oeffnen();
    Eingeben(*ohnePorts, "DL1ABC", "DB0ABC");
    EXPECT_FALSE(ohnePorts->ButtonOk()->isEnabled());
}

TEST_F(BefehlConnectTest, HistoryPreselectsItsPortAndTypedDestinationChoosesOne) {
    // The empty entry after DB0XYZ was left by a hand edit; the list loads anyway.
    VerlaufSetzen(kVerlaufStation, "DB0ABC,#p3,DB0XYZ,,DL1ABC DB0XYZ,#p5");
    auto d = Oeffnen();
    ASSERT_EQ(d->CallCombo()->count(), 3);
    EXPECT_EQ(d->CallCombo()->currentText(), "DB0ABC");
    EXPECT_EQ(Zeile(*d), 2);

    d->CallCombo()->setEditText("dl1abc db0xyz");
    EXPECT_EQ(Zeile(*d), 4);
    // A port name that is none of the listed ones leaves the choice alone.
    d->CallCombo()->setEditText("DB0XYZ");
    EXPECT_EQ(Zeile(*d), 4);
}

TEST_F(BefehlConnectTest, ACallTypedAtOnceReplacesTheOfferedDestination) {
    VerlaufSetzen(kVerlaufStation, "DB0ECH,#p3");
    auto d = Oeffnen();
    d->show();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    ASSERT_EQ(d->CallCombo()->currentText(), "DB0ECH");

    QTest::keyClicks(QApplication::focusWidget(), "db0fld");
    EXPECT_EQ(d->CallCombo()->currentText(), "DB0FLD");
}

TEST_F(BefehlConnectTest, TypingCompletesFromTheHistoryAndDeleteInTheOpenListDropsAnEntry) {
    VerlaufSetzen(kVerlaufStation, "DB0ABC,#p3,DL1ABC DB0XYZ,#p5,DB0XYZ,#p3");
    auto d = Oeffnen();
    d->show();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    TComboBoxKio* combo = d->CallCombo();
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, "db0x");
    EXPECT_EQ(combo->currentText(), "DB0XYZ");
    EXPECT_EQ(combo->lineEdit()->selectedText(), "YZ");

    combo->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(combo->view()->window()));
    combo->view()->setCurrentIndex(combo->model()->index(0, 0));
    QTest::keyClick(combo->view(), Qt::Key_Delete);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "DL1ABC DB0XYZ");
    combo->hidePopup();

    // Gone from the stored history as well.
    d.reset();
    const std::string stored =
        store.ReadString(Hive::CurrentUser, kVerlaufKey, kVerlaufStation).value_or(std::string());
    EXPECT_EQ(stored.find("DB0ABC"), std::string::npos) << stored;
    EXPECT_NE(stored.find("DB0XYZ"), std::string::npos) << stored;
}

TEST_F(BefehlConnectTest, FailedConnectKeepsTheDialogWithItsMessage) {
    ports[1]->antwort = 0x84;
    auto d = Oeffnen();
    Eingeben(*d, "DL1ABC", "DB0ABC");
    Taste(d->CallCombo()->lineEdit(), Qt::Key_F2);
    d->ButtonOk()->click();

    EXPECT_EQ(ports[1]->verbindungen, 1);
    ASSERT_EQ(meldungen.size(), 1u);
    EXPECT_EQ(meldungen[0], "Der Kanal ist bereits verbunden.");
    EXPECT_EQ(d->result(), 0);
    EXPECT_TRUE(d->CallCombo()->isEnabled());
    EXPECT_TRUE(d->ButtonOk()->isEnabled());
    EXPECT_EQ(d->CallCombo()->currentText(), "DB0ABC");
    EXPECT_EQ(aktuell, -1);
}

TEST_F(BefehlConnectTest, ConnectMakesTheChannelCurrentAndRemembersTheInputs) {
    VerlaufSetzen(kVerlaufEigenesRufzeichen, "DL2XYZ");
    VerlaufSetzen(kVerlaufStation, "DB0ABC,#p1");
    {
        auto d = Oeffnen(3);
        Eingeben(*d, "dl1abc-07", "db0abc-0 db0xyz db0uvw");
        Taste(d->CallCombo()->lineEdit(), Qt::Key_F2);
        d->ButtonOk()->click();

        EXPECT_EQ(d->result(), QDialog::Accepted);
        EXPECT_TRUE(meldungen.empty());
        EXPECT_EQ(ports[1]->pfad, "DB0ABC DB0XYZ DB0UVW");
        EXPECT_EQ(ports[1]->eigenes, "DL1ABC-7");
        EXPECT_EQ(ports[1]->kanal, kanal);
        EXPECT_EQ(aktuell, 3);
        EXPECT_FALSE(uiZiel.has_value());
    }
    EXPECT_EQ(Verlauf(kVerlaufEigenesRufzeichen), "DL1ABC-7,DL2XYZ,DL1ABC");
    EXPECT_EQ(Verlauf(kVerlaufStation), "\"DB0ABC DB0XYZ DB0UVW\",#p2,DB0ABC,#p1");
    EXPECT_EQ(Verlauf(kVerlaufUiZiel), "<none>");
}

TEST_F(BefehlConnectTest, ConnectFromABusyChannelMakesTheLinksChannelCurrent) {
    ports[0]->anderer = std::make_shared<ZaehlenderKanal>(7);
    auto d = Oeffnen(3);
    Eingeben(*d, "DL1ABC", "DB0ABC");
    d->ButtonOk()->click();

    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(ports[0]->kanal, kanal);
    EXPECT_EQ(aktuell, 7);
}

TEST_F(BefehlConnectTest, RefusedInputsConnectNothing) {
    auto d = Oeffnen();
    for (const QString ziel : {"DB0ABC-16", "DB0ECHDB0FLD", "DB0€CH", "DB0ABC VIA DB1A-3 DB2A,X",
                               "DB0ABC D1 D2 D3 D4 D5 D6 D7 D8 D9"}) {
        Eingeben(*d, "DL1ABC", ziel);
        d->ButtonOk()->click();
    }
    Eingeben(*d, "DL1ABC", "DB0ABC");
    d->PortListe()->clearSelection();
    d->ButtonOk()->click();

    EXPECT_EQ(meldungen,
              (std::vector<QString>{"Die SSID muss zwischen 0 und 15 liegen.",
                                    "Das Rufzeichen DB0ECHDB0FLD ist länger als sechs Zeichen.",
                                    "Das Rufzeichen DB0€CH darf nur Buchstaben und Ziffern enthalten.",
                                    "Das Rufzeichen DB2A,X darf nur Buchstaben und Ziffern enthalten.",
                                    "Es sind höchstens acht Digipeater möglich.", "Kein Kanal ausgewählt."}));
    for (const auto& p : ports)
        EXPECT_EQ(p->verbindungen, 0);
    EXPECT_EQ(d->result(), 0);
}

TEST_F(BefehlConnectTest, ChannelZeroOnlyStoresTheUiDestination) {
    VerlaufSetzen(kVerlaufStation, "DB0ABC,#p1");
    VerlaufSetzen(kVerlaufUiZiel, "CQ,#p4");
    {
        auto d = Oeffnen(0);
        EXPECT_TRUE(d->IsUiModus());
        EXPECT_EQ(d->windowTitle(), "UI-Ziel einstellen");
        EXPECT_EQ(d->LabelStation()->text(), "UI-Ziel");
        EXPECT_EQ(d->CallCombo()->currentText(), "CQ");
        EXPECT_EQ(Zeile(*d), 3);

        Eingeben(*d, "DL2XYZ", "beacon db0xyz");
        d->ButtonOk()->click();
        EXPECT_EQ(d->result(), QDialog::Accepted);
    }
    for (const auto& p : ports)
        EXPECT_EQ(p->verbindungen, 0);
    ASSERT_TRUE(uiZiel.has_value());
    EXPECT_EQ(uiZiel->ziel, "BEACON DB0XYZ");
    EXPECT_EQ(uiZiel->eigenes, "DL2XYZ");
    EXPECT_EQ(uiZiel->port, "p4");
    EXPECT_EQ(kanal->statuszeile, 1);
    EXPECT_EQ(aktuell, -1);
    EXPECT_EQ(Verlauf(kVerlaufUiZiel), "\"BEACON DB0XYZ\",#p4,CQ,#p4");
    EXPECT_EQ(Verlauf(kVerlaufStation), "DB0ABC,#p1");
}

TEST_F(BefehlConnectTest, ClosingGivesTheChannelItsReservationBack) {
    for (const bool vorher : {false, true}) {
        reserviertVorher = vorher;
        auto d = Oeffnen();
        EXPECT_TRUE(kanal->GetReserviert());
        d->reject();
        d.reset();
        EXPECT_EQ(kanal->GetReserviert(), vorher);
    }
}

TEST_F(BefehlConnectTest, ScreenshotsOfTheConnectDialogAndThePopUp) {
    VerlaufSetzen(kVerlaufStation, "\"DB0ABC DB0XYZ\",#p2,DL1ABC,#p1");
    auto d = Oeffnen();
    d->show();
    TDlgBefehl popup({});
    popup.show();
    QApplication::processEvents();
    QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots");
    EXPECT_TRUE(d->grab().save(QUARN_BINARY_DIR "/tests/screenshots/connect_dialog.png"));
    EXPECT_TRUE(popup.grab().save(QUARN_BINARY_DIR "/tests/screenshots/command_popup.png"));
}

TEST(BefehlConnect, ResultCodesCountWithTheirLowSevenBits) {
    EXPECT_EQ(VerbindenFehlertext(0x84), "Der Kanal ist bereits verbunden.");
    EXPECT_EQ(VerbindenFehlertext(2), "Das Gerät antwortet nicht.");
    EXPECT_EQ(VerbindenFehlertext(8), "Gewählte Betriebsarten sind nicht gleichzeitig möglich.");
    EXPECT_EQ(VerbindenFehlertext(9), "Unbehandelter Fehler.");
    EXPECT_EQ(VerbindenFehlertext(0x80), "Unbehandelter Fehler.");
}

TEST(Befehl, LettersCloseThePopUpBeforeTheirAction) {
    struct Fall {
        Qt::Key key;
        const char* text;
        const char* aktion;
    };
    const Fall faelle[] = {{Qt::Key_C, "c", "verbinden"},
                           {Qt::Key_V, "V", "verbinden"},
                           {Qt::Key_D, "d", "trennen"},
                           {Qt::Key_T, "T", "trennen"}};
    for (const auto& f : faelle) {
        std::vector<std::string> log;
        TDlgBefehl* popup = nullptr;
        const auto merken = [&](const char* name) {
            return
                [&log, &popup, name] { log.push_back(std::string(name) + (popup->isVisible() ? "+" : "")); };
        };
        TDlgBefehl dlg({merken("verbinden"), merken("trennen"), merken("fernsteuern")});
        popup = &dlg;
        dlg.show();
        QKeyEvent press(QEvent::KeyPress, f.key, Qt::NoModifier, f.text);
        QApplication::sendEvent(&dlg, &press);
        EXPECT_FALSE(dlg.isVisible()) << f.text;
        // Disconnect runs while the pop-up is still up, connect only after it is gone.
        const std::string erwartet = std::string(f.aktion) + (std::string(f.aktion) == "trennen" ? "+" : "");
        EXPECT_EQ(log, (std::vector<std::string>{erwartet})) << f.text;
    }
}

TEST(Befehl, RemoteKeyDoesNothingWhileItsButtonIsDisabled) {
    int fernsteuern = 0;
    TDlgBefehl dlg({{}, {}, [&fernsteuern] { ++fernsteuern; }});
    dlg.show();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Slash, Qt::NoModifier, "/");
    QApplication::sendEvent(&dlg, &press);
    EXPECT_FALSE(dlg.RemoteBtn()->isEnabled());
    EXPECT_EQ(fernsteuern, 0);
    EXPECT_TRUE(dlg.isVisible());
}

} // namespace
} // namespace quarn
