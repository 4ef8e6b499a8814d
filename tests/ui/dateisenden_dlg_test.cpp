// The send-file wizard on Qt's offscreen platform, wired to a channel that publishes, a connection with a
// real send queue, and a hand-off that records what each file or text was handed on with.
#include "DateiSendenTestKanal.h"
#include "connections/send/DateiSendenU.h"
#include "foundation/ConfigU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/FileStreamKioU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "support/FileContents.h"
#include "support/TempDir.h"
#include "ui/BefehlVerlauf.h"
#include "ui/DateiSendenDlgU.h"
#include "ui/DateiSendenTeileAuswahlU.h"

#include "support/RunEvents.h"
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace quarn {
namespace {

using Seite = TDateiSendenDlg::Seite;

// What one file or text was handed on with; the stream as its bytes.
struct Uebergeben {
    std::string bytes;
    std::string dateiname;
    std::uint8_t protokoll = 0;
    std::string vorher;
    std::string nachher;
    std::int64_t teilGroesse = 0;
    std::int64_t teile = 0;
    bool alleTeile = false;
    std::vector<bool> auswahl;
    bool signieren = false;
    std::string key;
    std::string passwort;
};

struct Frage {
    QString caption;
    QString text;
    std::uint32_t buttons = 0;
};

class DateiSendenDlgTest : public ::testing::Test {
public:
    void SetUp() override { InitializeSynchronize(); }
    void TearDown() override {
        delete dlg.data();
        verbindung->queue->Release();
    }

    TDateiSendenUmgebung Umgebung() {
        TDateiSendenUmgebung u;
        u.store = &store;
        u.config = &config;
        u.weitergabe = [this](TSendenUebergabe w) {
            Uebergeben r;
            if (w.stream) {
                r.bytes.resize(static_cast<std::size_t>(w.stream->Size()));
                w.stream->SetPosition(0);
                r.bytes.resize(w.stream->Read(r.bytes.data(), r.bytes.size()));
            }
            r.dateiname = w.dateiname.string();
            r.protokoll = w.protokoll;
            r.vorher = w.textVorher;
            r.nachher = w.textNachher;
            r.teilGroesse = w.teilGroesse;
            r.teile = w.teileAnzahl;
            r.alleTeile = w.alleTeile;
            r.auswahl = w.auswahl;
            r.signieren = w.signieren;
            r.key = w.key;
            r.passwort = w.passwort;
            EXPECT_EQ(w.verbindung, verbindung);
            uebergeben.push_back(std::move(r));
        };
        u.pgp = pgp;
        u.fragen = [this](QWidget*, const QString& caption, const QString& text, std::uint32_t buttons) {
            fragen.push_back({caption, text, buttons});
            const int antwort = antworten.empty() ? mrOk : antworten.front();
            if (!antworten.empty()) {
                antworten.erase(antworten.begin());
            }
            return antwort;
        };
        u.dateienWaehlen = [this](QWidget*) { return gewaehlt; };
        u.kanalTaste = [this](int key) { tasten.push_back(key); };
        return u;
    }

    TDateiSendenDlg& Oeffnen() {
        dlg = new TDateiSendenDlg(Umgebung());
        return *dlg;
    }
    TDateiSendenDlg& Dateien(const std::vector<std::filesystem::path>& namen) {
        Oeffnen().ExecuteFiles(kanal, namen);
        return *dlg;
    }
    TDateiSendenDlg& Text(std::string_view text) {
        Oeffnen().ExecuteText(kanal, text);
        return *dlg;
    }

    // A file of `groesse` bytes in the test's folder.
    std::filesystem::path Datei(const std::string& name, std::size_t groesse) {
        const auto pfad = dir.path() / name;
        test::WriteFile(pfad, std::string(groesse, 'x'));
        return pfad;
    }

    static void Taste(QWidget* widget, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(widget, &press);
    }
    static QString Zelle(const TDateiSendenDlg& d, int zeile, int spalte) {
        return d.TeileListe()->topLevelItem(zeile)->text(spalte);
    }
    // Answers the modal dialog that runs next, once it runs.
    template <typename Dialog> static void Beantworten(std::function<void(Dialog&)> antwort) {
        QTimer::singleShot(0, [antwort] {
            auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            antwort(*dialog);
        });
    }
    static void Geloescht() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    test::TempDir tmp;
    test::TempDir dir;
    RegistryStore store{tmp.path()};
    TConfig config{store};
    std::shared_ptr<test::SendenVerbindung> verbindung = std::make_shared<test::SendenVerbindung>();
    std::shared_ptr<test::SendenKanal> kanal = [this] {
        auto k = std::make_shared<test::SendenKanal>(3);
        k->Setzen(verbindung);
        return k;
    }();
    std::function<std::unique_ptr<TPGP>()> pgp;
    QPointer<TDateiSendenDlg> dlg;
    std::vector<Uebergeben> uebergeben;
    std::vector<Frage> fragen;
    std::vector<int> antworten;
    std::vector<std::filesystem::path> gewaehlt;
    std::vector<int> tasten;
};

TEST_F(DateiSendenDlgTest, NextAndBackStepOverThePagesTheSourceLeavesOut) {
    struct Fall {
        const char* name;
        std::function<void(DateiSendenDlgTest&)> oeffnen;
        std::vector<Seite> seiten;
    };
    for (const Fall& f : {Fall{"files",
                               [](DateiSendenDlgTest& t) { t.Oeffnen().Execute(t.kanal); },
                               {Seite::SeiteStart, Seite::SeiteDateien, Seite::SeiteTeile, Seite::SeitePgp}},
                          Fall{"typed text",
                               [](DateiSendenDlgTest& t) {
                                   t.Oeffnen().Execute(t.kanal);
                                   t.dlg->RadioText()->setChecked(true);
                               },
                               {Seite::SeiteStart, Seite::SeiteText, Seite::SeiteTeile, Seite::SeitePgp}},
                          Fall{"opened with files",
                               [](DateiSendenDlgTest& t) { t.Dateien({}); },
                               {Seite::SeiteStart, Seite::SeiteTeile, Seite::SeitePgp}}}) {
        SCOPED_TRACE(f.name);
        f.oeffnen(*this);
        TDateiSendenDlg& d = *dlg;
        ASSERT_EQ(d.AktuelleSeite(), Seite::SeiteStart);
        EXPECT_FALSE(d.ButtonZurueck()->isEnabled());
        for (std::size_t i = 1; i < f.seiten.size(); ++i) {
            d.ButtonWeiter()->click();
            EXPECT_EQ(d.AktuelleSeite(), f.seiten[i]);
        }
        EXPECT_FALSE(d.ButtonWeiter()->isEnabled());
        for (std::size_t i = f.seiten.size() - 1; i-- > 0;) {
            d.ButtonZurueck()->click();
            EXPECT_EQ(d.AktuelleSeite(), f.seiten[i]);
        }
        delete dlg.data();
    }
}

TEST_F(DateiSendenDlgTest, OpenedWithATreeTakesEveryRegularFileAndEnds) {
    const auto root = dir.path() / "baum";
    std::filesystem::create_directories(root / "a" / "b");
    test::WriteFile(root / "eins.txt", "1");
    test::WriteFile(root / "a" / "b" / "zwei.bin", "22");
    test::WriteFile(root / "a" / ".versteckt", "h");
    std::filesystem::create_directory_symlink(root, root / "a" / "b" / "zurueck");
    ASSERT_EQ(::mkfifo((root / "a" / "pipe").c_str(), 0600), 0);
    verbindung->binMode = 5;

    TDateiSendenDlg& d = Dateien({root});
    ASSERT_EQ(d.DateiListe()->count(), 2);
    EXPECT_EQ(d.DateiListe()->item(0)->text().toStdString(), (root / "a" / "b" / "zwei.bin").string());
    EXPECT_EQ(d.DateiListe()->item(1)->text().toStdString(), (root / "eins.txt").string());
    EXPECT_TRUE(d.RadioProtokoll(5)->isChecked()) << "the station's preferred protocol";
    EXPECT_FALSE(d.RadioDateien()->isEnabled());
    EXPECT_FALSE(d.RadioText()->isEnabled());
    EXPECT_TRUE(d.ButtonFertig()->isEnabled());
    EXPECT_EQ(d.windowTitle(), "Senden - DL1ABC");
}

TEST_F(DateiSendenDlgTest, OpenedWithATextShowsItOnTheTextPage) {
    TDateiSendenDlg& d = Text("Hallo\r\nWelt");
    EXPECT_EQ(d.AktuelleSeite(), Seite::SeiteText);
    EXPECT_TRUE(d.ButtonZurueck()->isEnabled());
    EXPECT_EQ(d.TextMemo()->toPlainText(), "Hallo\nWelt");
    EXPECT_TRUE(d.RadioProtokoll(1)->isChecked());
    EXPECT_FALSE(d.RadioProtokoll(2)->isEnabled());
    EXPECT_FALSE(d.RadioDateien()->isEnabled());
    EXPECT_TRUE(d.ButtonFertig()->isEnabled());
    EXPECT_TRUE(d.ButtonFertig()->isDefault());
}

TEST_F(DateiSendenDlgTest, PartsPageCountsPartsAndShowsADashForASizeOutOfRange) {
    TDateiSendenDlg& d = Dateien({Datei("gross.bin", 100000)});
    d.ButtonWeiter()->click();
    ASSERT_EQ(d.AktuelleSeite(), Seite::SeiteTeile);
    EXPECT_EQ(Zelle(d, 0, 0), "gross.bin");
    EXPECT_EQ(Zelle(d, 0, 1), "98 kB");
    EXPECT_TRUE(d.Teilen()->isEnabled());
    EXPECT_FALSE(d.TeilGroesse()->isEnabled()) << "greyed until splitting is on";
    d.Teilen()->setChecked(true);
    EXPECT_TRUE(d.TeilGroesse()->isEnabled());
    EXPECT_EQ(Zelle(d, 0, 2), "4");
    for (const auto& [text, teile] : {std::pair{"5", "20"}, std::pair{"4", "-"}, std::pair{"10241", "-"},
                                      std::pair{"abc", "-"}, std::pair{"32", "4"}}) {
        d.TeilGroesse()->setText(text);
        EXPECT_EQ(Zelle(d, 0, 2), teile) << text;
    }
    d.TeilGroesse()->setText("4");
    emit d.TeilGroesse()->editingFinished();
    EXPECT_EQ(d.TeilGroesse()->text(), "5") << "leaving the edit clamps";
    d.TeilGroesse()->clear();
    QTest::keyClicks(d.TeilGroesse(), "-1a6");
    EXPECT_EQ(d.TeilGroesse()->text(), "16") << "the size takes digits only";
    EXPECT_EQ(Zelle(d, 0, 2), "7");

    // Typed text knows no parts.
    d.ButtonZurueck()->click();
    d.RadioProtokoll(1)->setChecked(true);
    d.ButtonWeiter()->click();
    EXPECT_FALSE(d.Teilen()->isEnabled());
    EXPECT_FALSE(d.Teilen()->isChecked());
    EXPECT_EQ(d.TeileBlatt()->currentIndex(), 1);
}

// Enter presses Finish while the size is still being typed: the size that goes out is clamped and the
// parts are counted for it.
TEST_F(DateiSendenDlgTest, FinishClampsAnUnvalidatedPartSizeAndRecountsTheParts) {
    for (const auto& [text, groesse, teile] :
         {std::tuple{"4", 5, 20}, std::tuple{"10241", 10240, 1}, std::tuple{"abc", 32, 4}}) {
        SCOPED_TRACE(text);
        uebergeben.clear();
        TDateiSendenDlg& d = Dateien({Datei("gross.bin", 100000)});
        d.ButtonWeiter()->click();
        d.Teilen()->setChecked(true);
        d.TeilGroesse()->setText(text);
        d.Fertigstellen();
        ASSERT_EQ(uebergeben.size(), 1U);
        EXPECT_EQ(uebergeben[0].teilGroesse, groesse);
        EXPECT_EQ(uebergeben[0].teile, teile);
        EXPECT_TRUE(uebergeben[0].alleTeile);
        Geloescht();
        EXPECT_TRUE(dlg.isNull());
    }
}

TEST_F(DateiSendenDlgTest, FilesAreHandedOnWithTheChosenProtocolAndSplitting) {
    for (const std::uint8_t protokoll : {2, 5}) {
        for (const bool teilen : {false, true}) {
            SCOPED_TRACE(std::to_string(protokoll) + (teilen ? " split" : " whole"));
            uebergeben.clear();
            const auto datei = Datei("gross.bin", 100000);
            TDateiSendenDlg& d = Dateien({datei});
            d.RadioProtokoll(protokoll)->setChecked(true);
            d.ButtonWeiter()->click();
            d.Teilen()->setChecked(teilen);
            d.TextNachherAn()->setChecked(true);
            d.TextNachher()->setPlainText("NNNN");
            d.Fertigstellen();
            ASSERT_EQ(uebergeben.size(), 1U);
            const Uebergeben& u = uebergeben[0];
            EXPECT_EQ(u.bytes.size(), 100000U);
            EXPECT_EQ(u.dateiname, datei.string());
            EXPECT_EQ(u.protokoll, protokoll);
            EXPECT_EQ(u.vorher, "");
            EXPECT_EQ(u.nachher, "NNNN\r");
            EXPECT_EQ(u.teilGroesse, teilen ? 32 : 0);
            EXPECT_EQ(u.teile, teilen ? 4 : 0);
            EXPECT_EQ(u.alleTeile, teilen);
            EXPECT_TRUE(u.auswahl.empty());
            EXPECT_FALSE(u.signieren);
            Geloescht();
        }
    }
}

TEST_F(DateiSendenDlgTest, ChosenPartsAreShownAndHandedOn) {
    TDateiSendenDlg& d = Dateien({Datei("sechs.bin", 30000), Datei("ganz.bin", 1000)});
    d.RadioProtokoll(2)->setChecked(true);
    d.ButtonWeiter()->click();
    d.Teilen()->setChecked(true);
    d.TeilGroesse()->setText("5");
    EXPECT_FALSE(d.ButtonEigenschaften()->isEnabled());
    d.TeileListe()->setCurrentItem(d.TeileListe()->topLevelItem(0));
    ASSERT_TRUE(d.ButtonEigenschaften()->isEnabled());
    Beantworten<TDateiSendenTeileAuswahlDlg>([](TDateiSendenTeileAuswahlDlg& auswahl) {
        for (const int zeile : {3, 5}) {
            auswahl.Liste()->item(zeile)->setCheckState(Qt::Unchecked);
        }
        auswahl.ButtonOk()->click();
    });
    d.ButtonEigenschaften()->click();
    EXPECT_EQ(Zelle(d, 0, 3), "nur Teile 1..3, 5.");
    EXPECT_EQ(Zelle(d, 1, 3), "");

    d.Fertigstellen();
    ASSERT_EQ(uebergeben.size(), 2U);
    EXPECT_EQ(uebergeben[0].protokoll, 2);
    EXPECT_EQ(uebergeben[0].teile, 6);
    EXPECT_FALSE(uebergeben[0].alleTeile);
    EXPECT_EQ(uebergeben[0].auswahl, (std::vector<bool>{true, true, true, false, true, false}));
    EXPECT_EQ(uebergeben[0].bytes.size(), 30000U);
    EXPECT_EQ(uebergeben[1].teile, 1);
    EXPECT_TRUE(uebergeben[1].alleTeile);
}

TEST_F(DateiSendenDlgTest, TypedTextKeepsItsBlankLinesAndMailboxTextsGoAlong) {
    TDateiSendenDlg& d = Text("");
    d.TextMemo()->setPlainText("Hallo\n\nzweiter Absatz");
    d.TextVorherAn()->setChecked(true);
    d.TextVorher()->setPlainText("s rubrik@dl #10 Titel");
    d.TextNachher()->setPlainText("/EX");
    d.Fertigstellen();
    ASSERT_EQ(uebergeben.size(), 1U);
    EXPECT_EQ(uebergeben[0].bytes, "Hallo\r\rzweiter Absatz\r");
    EXPECT_EQ(uebergeben[0].dateiname, "???");
    EXPECT_EQ(uebergeben[0].protokoll, 1);
    EXPECT_EQ(uebergeben[0].vorher, "s rubrik@dl #10 Titel\r");
    EXPECT_EQ(uebergeben[0].nachher, "") << "its box is not checked";
    EXPECT_EQ(uebergeben[0].teilGroesse, 0);
    EXPECT_FALSE(uebergeben[0].signieren);
    // The texts are remembered for the next time.
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, kVerlaufKey, "senden text vorher"),
              "s rubrik@dl #10 Titel");
    Geloescht();
    Oeffnen();
    EXPECT_EQ(dlg->TextNachher()->toPlainText(), "/EX");
}

// The link went down after the button was last refreshed: the wizard says so and keeps the files.
TEST_F(DateiSendenDlgTest, FinishWithoutAConnectionSaysSoAndStaysOpen) {
    TDateiSendenDlg& d = Dateien({Datei("a.bin", 10)});
    ASSERT_TRUE(d.ButtonFertig()->isEnabled());
    kanal->Setzen(nullptr);
    d.Fertigstellen();
    ASSERT_EQ(fragen.size(), 1U);
    EXPECT_EQ(fragen[0].text, "Der Kanal ist nicht verbunden.");
    EXPECT_TRUE(uebergeben.empty());
    Geloescht();
    ASSERT_FALSE(dlg.isNull());
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.ButtonFertig()->isEnabled());
    EXPECT_EQ(d.windowTitle(), "Senden - nicht verbunden");
    EXPECT_EQ(kanal->geschlossen, 0);
}

TEST_F(DateiSendenDlgTest, AddingTakesRegularFilesNotListedYetAndRemovingTakesTheSelection) {
    const auto a = Datei("a.bin", 1);
    const auto pipe = dir.path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    TDateiSendenDlg& d = Oeffnen();
    d.Execute(kanal);
    d.ButtonWeiter()->click();
    ASSERT_EQ(d.AktuelleSeite(), Seite::SeiteDateien);
    EXPECT_FALSE(d.ButtonFertig()->isEnabled());
    gewaehlt = {a, pipe};
    d.ButtonHinzufuegen()->click();
    d.ButtonHinzufuegen()->click();
    ASSERT_EQ(d.DateiListe()->count(), 1);
    EXPECT_TRUE(d.isEnabled());
    EXPECT_TRUE(d.ButtonFertig()->isEnabled());
    d.DateiListe()->item(0)->setSelected(true);
    d.ButtonEntfernen()->click();
    EXPECT_EQ(d.DateiListe()->count(), 0);
    EXPECT_FALSE(d.ButtonFertig()->isEnabled());
}

// A listed file that became a pipe is not opened: that would wait for a writer on the GUI thread.
TEST_F(DateiSendenDlgTest, AFileThatCannotBeOpenedIsTriedAgainOrSkipped) {
    const auto weg = Datei("weg.bin", 10);
    TDateiSendenDlg& d = Dateien({weg, Datei("da.bin", 20)});
    std::filesystem::remove(weg);
    ASSERT_EQ(::mkfifo(weg.c_str(), 0600), 0);
    antworten = {mrYes, mrNo};
    d.Fertigstellen();
    ASSERT_EQ(fragen.size(), 2U);
    EXPECT_EQ(fragen[1].caption, "Fehler");
    EXPECT_EQ(fragen[1].text, "Datei konnte nicht geöffnet werden. Noch einmal versuchen?");
    ASSERT_EQ(uebergeben.size(), 1U);
    EXPECT_EQ(uebergeben[0].bytes.size(), 20U);
}

TEST_F(DateiSendenDlgTest, ConnectAndDisconnectFromAnotherThreadUpdateCaptionAndFinish) {
    kanal->Setzen(nullptr);
    TDateiSendenDlg& d = Text("Hallo");
    EXPECT_EQ(d.windowTitle(), "Senden - nicht verbunden");
    EXPECT_FALSE(d.ButtonFertig()->isEnabled());
    EXPECT_EQ(d.Warteschlange()->currentIndex(), 2);

    std::thread verbinden([&] { kanal->Melden(verbindung); });
    EXPECT_TRUE(test::RunEventsUntil([&] { return d.ButtonFertig()->isEnabled(); }));
    verbinden.join();
    EXPECT_EQ(d.windowTitle(), "Senden - DL1ABC");
    EXPECT_EQ(d.Warteschlange()->currentIndex(), 1) << "the link's queue is empty";

    // The queue the wizard follows is the new link's.
    std::thread einreihen([&] {
        auto item = std::make_shared<TDateiSenden>(verbindung);
        item->SetAnzeigename("bild.jpg");
        verbindung->queue->EnQueue(item);
    });
    EXPECT_TRUE(test::RunEventsUntil([&] { return d.Warteschlange()->currentIndex() == 0; }));
    einreihen.join();
    EXPECT_EQ(d.WarteschlangenListe()->item(0)->text(), "bild.jpg");

    std::thread trennen([&] { kanal->Melden(nullptr); });
    EXPECT_TRUE(test::RunEventsUntil([&] { return !d.ButtonFertig()->isEnabled(); }));
    trennen.join();
    EXPECT_EQ(d.windowTitle(), "Senden - nicht verbunden");
    EXPECT_EQ(d.Warteschlange()->currentIndex(), 2);
    EXPECT_TRUE(d.ButtonWeiter()->isDefault());
}

TEST_F(DateiSendenDlgTest, ClosingWithTypedTextAsksFirstWithNoAsTheDefault) {
    TDateiSendenDlg& d = Text("Noch nicht gesendet");
    antworten = {mrNo, mrYes};
    d.ButtonAbbrechen()->click();
    ASSERT_EQ(fragen.size(), 1U);
    EXPECT_EQ(fragen[0].caption, "Quarn");
    EXPECT_EQ(fragen[0].text, "Texteingabe wirklich abbrechen?");
    // Enter on the question keeps the typed text.
    const TDlgMessage frage(fragen[0].caption, fragen[0].text, fragen[0].buttons);
    ASSERT_NE(frage.DefaultButton(), nullptr);
    EXPECT_EQ(frage.DefaultButton()->text(), "&Nein");
    Geloescht();
    ASSERT_FALSE(dlg.isNull());
    EXPECT_EQ(kanal->geschlossen, 0);

    Taste(d.TextMemo(), Qt::Key_Escape);
    EXPECT_EQ(fragen.size(), 2U);
    Geloescht();
    EXPECT_TRUE(dlg.isNull());
    EXPECT_EQ(kanal->geschlossen, 1);

    // Files close without a question.
    Dateien({Datei("a.bin", 1)}).close();
    EXPECT_EQ(fragen.size(), 2U);
    EXPECT_EQ(kanal->geschlossen, 2);
}

TEST_F(DateiSendenDlgTest, ReachingTheTextPageLetsTheOperatorTypeAtOnce) {
    Oeffnen().Execute(kanal);
    TDateiSendenDlg& d = *dlg;
    d.activateWindow();
    d.RadioText()->setChecked(true);
    d.ButtonWeiter()->setFocus();
    d.ButtonWeiter()->click();
    ASSERT_EQ(d.AktuelleSeite(), Seite::SeiteText);
    EXPECT_TRUE(test::RunEventsUntil([&] { return QApplication::focusWidget() == d.TextMemo(); }));
}

TEST_F(DateiSendenDlgTest, FunctionKeysAloneGoToTheMainWindow) {
    TDateiSendenDlg& d = Text("x");
    d.TextMemo()->setFocus();
    d.activateWindow();
    ASSERT_TRUE(test::RunEventsUntil([&] { return QApplication::focusWidget() == d.TextMemo(); }));
    Taste(d.TextMemo(), Qt::Key_F3);
    Taste(d.TextMemo(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(tasten, (std::vector<int>{Qt::Key_F3}));
}

TEST_F(DateiSendenDlgTest, TemplatesFillTheMailboxTextsAndTheEditorRebuildsTheMenu) {
    TDateiSendenDlg& d = Dateien({Datei("a.bin", 1)});
    d.TextNachherAn()->setChecked(true);
    QMenu* menue = d.VorlagenMenue(1);
    const QList<QAction*> eintraege = menue->actions();
    ASSERT_EQ(eintraege.size(), 6);
    EXPECT_EQ(eintraege[1]->text(), "NNNN");
    EXPECT_TRUE(eintraege[4]->isSeparator());
    EXPECT_EQ(eintraege[5]->text(), "Vorlagen bearbeiten...");
    eintraege[2]->trigger();
    EXPECT_EQ(d.TextNachher()->toPlainText(), "/EX\n");

    Beantworten<QDialog>([](QDialog& editor) { editor.accept(); });
    ASSERT_TRUE(d.VorlagenBearbeiten(1));
    EXPECT_NE(d.VorlagenMenue(1), menue);

    d.Fertigstellen();
    ASSERT_EQ(uebergeben.size(), 1U);
    EXPECT_EQ(uebergeben[0].nachher, "/EX\r");
}

TEST_F(DateiSendenDlgTest, ScreenshotsOfEveryPage) {
    const QString ordner = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    QDir().mkpath(ordner);
    auto item = std::make_shared<TDateiSenden>(verbindung);
    item->SetAnzeigename("bild.b01");
    verbindung->queue->EnQueue(item);
    TDateiSendenDlg& d = Dateien({Datei("bild.jpg", 100000), Datei("text.txt", 5000)});
    d.RadioProtokoll(2)->setChecked(true);
    d.TextVorherAn()->setChecked(true);
    d.TextVorher()->setPlainText("s rubrik@dl #10 %n (%p/%q)");
    EXPECT_TRUE(d.grab().save(ordner + "dateisenden_1_protokoll.png"));
    d.ButtonWeiter()->click();
    d.Teilen()->setChecked(true);
    EXPECT_TRUE(d.grab().save(ordner + "dateisenden_4_teile.png"));
    d.ButtonWeiter()->click();
    EXPECT_TRUE(d.grab().save(ordner + "dateisenden_5_pgp.png"));
    delete dlg.data();

    Oeffnen().Execute(kanal);
    dlg->DateienHinzufuegen({Datei("bild.jpg", 1), Datei("text.txt", 1)});
    dlg->ButtonWeiter()->click();
    EXPECT_TRUE(dlg->grab().save(ordner + "dateisenden_2_dateien.png"));
    delete dlg.data();

    TDateiSendenDlg& t = Text("Hallo,\r\n\r\nhier der Text.");
    EXPECT_TRUE(t.grab().save(ordner + "dateisenden_3_text.png"));
}

} // namespace
} // namespace quarn
