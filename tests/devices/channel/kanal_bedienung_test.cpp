// The operator's commands on a channel: the keys, the mailbox marks, the context menu, saving and
// capturing console text, and the hints over console lines and the channel button.
#include "KanalTestFixture.h"
#include "console/ConsoleLine.h"
#include "console/ConsoleU.h"
#include "console/RichEditQuarnU.h"
#include "devices/channel/DateiUeberschreibenAnhaengenU.h"
#include "devices/channel/KanalBoxListe.h"
#include "devices/channel/KanalHinweis.h"
#include "devices/channel/KanalTasten.h"
#include "devices/channel/KanalU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/OrdnerU.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"
#include "stations/fake_verbindung.h"
#include "support/TestDatenbank.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimeZone>
#include <QTimer>
#include <QToolTip>
#include <fstream>
#include <iterator>

namespace quarn {
namespace {

using enum TKanalTastenAktion;
using test::FakeVerbindung;

// ---- the key table ---------------------------------------------------------------------------------

struct TastenFall {
    int key;
    unsigned shift;
    bool konsole;
    TKanalTastenAktion aktion;
    int makroArt = 0;
    bool einfuegen = false;
};

TEST(KanalTastenTest, KeyTable) {
    constexpr unsigned S = kTasteShift;
    constexpr unsigned A = kTasteAlt;
    constexpr unsigned C = kTasteCtrl;
    const TastenFall faelle[] = {
        // Text macros: Ctrl+1 the first (kind 4), Ctrl+0 the tenth (kind 13); with Shift inserted.
        {Qt::Key_1, C, false, Makro, 4, false},
        {Qt::Key_1, C | S, false, Makro, 4, true},
        {Qt::Key_0, C, false, Makro, 13, false},
        {Qt::Key_0, C | S, false, Makro, 13, true},
        {Qt::Key_9, C, false, Makro, 12, false},
        {Qt::Key_1, C | A, false, Keine},
        {Qt::Key_1, 0, false, Keine},
        // Scrolling from the input editor.
        {Qt::Key_PageUp, C, false, ZeileHoch},
        {Qt::Key_PageDown, C, false, ZeileRunter},
        {Qt::Key_Home, C, false, Anfang},
        {Qt::Key_End, C, false, Ende},
        {Qt::Key_PageUp, 0, false, SeiteHoch},
        {Qt::Key_PageDown, 0, false, SeiteRunter},
        {Qt::Key_PageUp, S, false, Keine},
        {Qt::Key_Home, 0, false, Keine},
        {Qt::Key_Backtab, S, false, KonsoleFokus},
        {Qt::Key_Tab, S, false, KonsoleFokus},
        {Qt::Key_Tab, 0, false, Keine},
        {Qt::Key_F11, 0, false, BoxListeFokus},
        {Qt::Key_X, 0, false, Keine},
        // The focused console: the mailbox keys, and a beep for other digits and letters without Alt.
        {Qt::Key_F11, 0, true, KonsoleEndeFokus},
        {Qt::Key_Tab, 0, true, EingabeFokus},
        {Qt::Key_Tab, C, true, Keine},
        {Qt::Key_Up, C, true, BoxVorher},
        {Qt::Key_Down, C, true, BoxNaechste},
        {Qt::Key_Up, 0, true, Keine},
        {Qt::Key_Return, 0, true, BoxSenden},
        {Qt::Key_Enter, 0, true, BoxSenden},
        {Qt::Key_Space, 0, true, BoxLesen},
        {Qt::Key_R, 0, true, BoxLesen},
        {Qt::Key_E, 0, true, BoxLoeschen},
        {Qt::Key_X, 0, true, Piep},
        {Qt::Key_X, S, true, Piep},
        {Qt::Key_7, 0, true, Piep},
        {Qt::Key_X, A, true, Keine},
        {Qt::Key_Plus, 0, true, Keine},
        {Qt::Key_PageUp, C, true, Keine},
    };
    for (const TastenFall& fall : faelle) {
        const TKanalTaste taste = KanalTasteDeuten(fall.key, fall.shift, fall.konsole);
        SCOPED_TRACE(testing::Message() << std::hex << "key 0x" << fall.key << " shift " << fall.shift
                                        << (fall.konsole ? " console" : " editor"));
        EXPECT_EQ(taste.aktion, fall.aktion);
        if (fall.aktion == Makro) {
            EXPECT_EQ(taste.makroArt, fall.makroArt);
            EXPECT_EQ(taste.einfuegen, fall.einfuegen);
        }
    }
    EXPECT_EQ(KanalShift(Qt::ShiftModifier | Qt::ControlModifier), kTasteShift | kTasteCtrl);
    EXPECT_EQ(KanalShift(Qt::AltModifier | Qt::KeypadModifier), kTasteAlt);
}

// ---- the hint texts --------------------------------------------------------------------------------

std::uint32_t Stempel(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    return ConsoleTimeStamp(local);
}

TEST(KanalHinweisTest, LineAgeAgainstAFixedClock) {
    const QDateTime jetzt(QDate(2026, 12, 11), QTime(10, 0, 0));
    const struct {
        std::uint32_t stempel;
        const char* hinweis;
    } faelle[] = {
        {Stempel(2026, 12, 11, 10, 0, 0), "Heute, 11.12.2026, 10:00:00\r(vor 0 Sekunden)"},
        {Stempel(2026, 12, 11, 9, 58, 59), "Heute, 11.12.2026, 09:58:59\r(vor 1 Minute, 1 Sekunde)"},
        {Stempel(2026, 12, 11, 0, 0, 0),
         "Heute, 11.12.2026, 00:00:00\r(vor 10 Stunden, 0 Minuten, 0 Sekunden)"},
        {Stempel(2026, 12, 10, 23, 59, 58),
         "Gestern, 10.12.2026, 23:59:58\r(vor 10 Stunden, 0 Minuten, 2 Sekunden)"},
        {Stempel(2026, 12, 10, 10, 0, 0),
         "Gestern, 10.12.2026, 10:00:00\r(vor 1 Tag, 0 Stunden, 0 Minuten, 0 Sekunden)"},
        {Stempel(2026, 12, 8, 8, 59, 59),
         "08.12.2026, 08:59:59\r(vor 3 Tagen, 1 Stunde, 0 Minuten, 1 Sekunde)"},
        {Stempel(2025, 12, 31, 10, 0, 0),
         "31.12.2025, 10:00:00\r(vor 345 Tagen, 0 Stunden, 0 Minuten, 0 Sekunden)"},
        // A line stamped after the clock was set back has no negative age.
        {Stempel(2026, 12, 11, 10, 5, 0), "Heute, 11.12.2026, 10:05:00\r(vor 0 Sekunden)"},
        {0, ""},
    };
    for (const auto& fall : faelle) {
        EXPECT_EQ(ZeilenAlterHinweis(fall.stempel, jetzt).toStdString(), fall.hinweis);
    }
}

TEST(KanalHinweisTest, CallSignWordAroundAColumn) {
    const std::string zeile = "de db0abc-7: ABCDEFGHIJKLMNOP x";
    EXPECT_EQ(RufzeichenWort(zeile, 3), "DB0ABC-7");
    EXPECT_EQ(RufzeichenWort(zeile, 10), "DB0ABC-7");
    EXPECT_EQ(RufzeichenWort(zeile, 11), "");            // the colon
    EXPECT_EQ(RufzeichenWort(zeile, 20), "ABCDEFGHIJK"); // at most 11 from the word's start
    EXPECT_EQ(RufzeichenWort(zeile, 30), "X");
    EXPECT_EQ(RufzeichenWort(zeile, 31), "");
    EXPECT_EQ(RufzeichenWort(zeile, -1), "");
    EXPECT_EQ(RufzeichenWort("\xE4\xF6x", 0), ""); // no letters beyond ASCII
    EXPECT_EQ(KurzerHinweis("DB0ABC\rName: Otto|lang").toStdString(), "DB0ABC\rName: Otto");
    EXPECT_EQ(KurzerHinweis("|").toStdString(), "");
}

// ---- the channel -----------------------------------------------------------------------------------

// A mailbox list that records what the channel asks of it.
struct BoxAufrufe {
    std::vector<std::string> calls;
    int destroyed = 0;
};

class RecordingBoxListe final : public IKanalBoxListe {
public:
    RecordingBoxListe(IKanalForBoxlist& kanal, BoxAufrufe& log) : kanal_(kanal), log_(log) {}
    // Destroyed while the console is still there: it would give its marked lines their image back.
    ~RecordingBoxListe() override {
        log_.calls.push_back("~ rows " + std::to_string(kanal_.GetConsole()->Rows()));
        ++log_.destroyed;
    }
    void MarkRead(int first, int last, bool advance, bool toggle) override {
        Log("MarkRead", first, last, advance, toggle);
    }
    void MarkErase(int first, int last, bool advance, bool toggle) override {
        Log("MarkErase", first, last, advance, toggle);
    }
    void Unmark(int first, int last, bool advance) override { Log("Unmark", first, last, advance, false); }
    std::string Execute() override {
        log_.calls.emplace_back("Execute");
        return {};
    }
    void GotoList() override { log_.calls.emplace_back("GotoList"); }
    void PrevBlock() override { log_.calls.emplace_back("PrevBlock"); }
    void NextBlock() override { log_.calls.emplace_back("NextBlock"); }

private:
    void Log(const char* what, int first, int last, bool advance, bool toggle) {
        log_.calls.push_back(std::string(what) + " " + std::to_string(first) + ".." + std::to_string(last) +
                             (advance ? " advance" : "") + (toggle ? " toggle" : ""));
    }
    IKanalForBoxlist& kanal_;
    BoxAufrufe& log_;
};

class KanalBedienungTest : public test::KanalFixture {
protected:
    void SetUp() override {
        KanalFixture::SetUp();
        TKanal::TUmgebung umgebung;
        umgebung.boxListe = [this](IKanalForBoxlist& kanal) -> std::unique_ptr<IKanalBoxListe> {
            return std::make_unique<RecordingBoxListe>(kanal, box);
        };
        umgebung.fenster = &fenster;
        umgebung.pufferOrdner = dir.path();
        kanal = TKanal::Erzeugen(1, std::move(umgebung));
        kanal->SetAktiv(true);
        fenster.window.show();
        QApplication::setActiveWindow(&fenster.window);
        ASSERT_TRUE(PumpUntil([&] { return fenster.window.isActiveWindow(); }));
    }
    void TearDown() override {
        kanal->Release();
        kanal.reset();
        KanalFixture::TearDown();
    }

    TConsole& Konsole() { return *kanal->GetConsole(); }
    // Key on the channel; true when it handled the key.
    bool Taste(int key, unsigned shift = 0) {
        kanal->KeyPress(key, shift);
        return key == 0;
    }
    void FokusAufKonsole() {
        Konsole().setFocus();
        ASSERT_TRUE(PumpUntil([&] { return Konsole().hasFocus(); }));
    }
    int ZeileMit(std::string_view part) {
        for (int row = 0; row < Konsole().Rows(); ++row) {
            const auto* cells = reinterpret_cast<const char*>(Konsole().TextPtr(0, row));
            if (std::string_view(cells, Konsole().Cols()).find(part) != std::string_view::npos) {
                return row;
            }
        }
        return -1;
    }
    void Auswahl(int firstRow, int lastRow) {
        Konsole().Buffer().Marks().selStart = {0, firstRow};
        Konsole().Buffer().Marks().selEnd = {Konsole().Cols() - 1, lastRow};
    }
    static std::string Datei(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    BoxAufrufe box;
    std::shared_ptr<TKanal> kanal;
};

TEST_F(KanalBedienungTest, F11AndTabMoveTheFocusBetweenConsoleAndEditor) {
    FokusAufKonsole();
    EXPECT_TRUE(Taste(Qt::Key_Tab));
    EXPECT_TRUE(PumpUntil([&] { return kanal->GetEingabe()->hasFocus(); }));

    EXPECT_TRUE(Taste(Qt::Key_Backtab, kTasteShift));
    EXPECT_TRUE(PumpUntil([&] { return Konsole().hasFocus(); }));

    EXPECT_TRUE(Taste(Qt::Key_F11));
    EXPECT_TRUE(PumpUntil([&] { return kanal->GetEingabe()->hasFocus(); }));
    EXPECT_TRUE(box.calls.empty()) << "F11 from the console does not touch the mailbox list";

    EXPECT_TRUE(Taste(Qt::Key_F11));
    EXPECT_TRUE(PumpUntil([&] { return Konsole().hasFocus(); }));
    EXPECT_EQ(box.calls, std::vector<std::string>{"GotoList"});

    // Keys the channel has no use for are left to the focused widget.
    EXPECT_FALSE(Taste(Qt::Key_Left));
}

TEST_F(KanalBedienungTest, EditActionsFollowTheFocus) {
    FokusAufKonsole();
    ASSERT_TRUE(PumpUntil([&] { return fenster.aktionen.copy && !fenster.aktionen.cut; }));
    EXPECT_FALSE(fenster.aktionen.paste || fenster.aktionen.del || fenster.aktionen.selectAll);
    kanal->GetEingabe()->setFocus();
    ASSERT_TRUE(PumpUntil([&] { return fenster.aktionen.cut; }));
    EXPECT_TRUE(fenster.aktionen.copy && fenster.aktionen.paste && fenster.aktionen.del);
    EXPECT_TRUE(fenster.aktionen.selectAll) << "select all works in the input editor, so it is offered there";
}

TEST_F(KanalBedienungTest, ConsoleKeysReachTheMailboxList) {
    FokusAufKonsole();
    Konsole().SetCaretRow(7);
    EXPECT_TRUE(Taste(Qt::Key_R));
    EXPECT_TRUE(Taste(Qt::Key_Space));
    Auswahl(3, 5);
    EXPECT_TRUE(Taste(Qt::Key_E));
    // A selection past the newest line ends on the last row.
    Auswahl(10, Konsole().Rows());
    EXPECT_TRUE(Taste(Qt::Key_R));
    Konsole().ClearSelection();
    EXPECT_TRUE(Taste(Qt::Key_Up, kTasteCtrl));
    EXPECT_TRUE(Taste(Qt::Key_Down, kTasteCtrl));
    EXPECT_TRUE(Taste(Qt::Key_Q)); // beeps, nothing else
    const std::string last = std::to_string(Konsole().Rows() - 1);
    EXPECT_EQ(box.calls, (std::vector<std::string>{
                             "MarkRead 7..7 advance toggle", "MarkRead 7..7 advance toggle",
                             "MarkErase 3..5 advance toggle", "MarkRead 10.." + last + " advance toggle",
                             "PrevBlock", "NextBlock"}));
    EXPECT_TRUE(kanal->HatBoxListe());

    // Enter sends the marks and frees the list; the input editor gets the focus.
    box.calls.clear();
    EXPECT_TRUE(Taste(Qt::Key_Return));
    ASSERT_EQ(box.calls.size(), 2u);
    EXPECT_EQ(box.calls[0], "Execute");
    EXPECT_FALSE(kanal->HatBoxListe());
    EXPECT_TRUE(PumpUntil([&] { return kanal->GetEingabe()->hasFocus(); }));
    // Without a list Enter sends nothing.
    box.calls.clear();
    kanal->BoxRun();
    EXPECT_TRUE(box.calls.empty());

    // A gutter click toggles "read" on its row without moving on.
    Konsole().OnGutterClick(Konsole(), 4);
    EXPECT_EQ(box.calls, std::vector<std::string>{"MarkRead 4..4 toggle"});
}

TEST_F(KanalBedienungTest, EnterOnTheConsoleWithoutMarksRunsAFreshMailboxList) {
    FokusAufKonsole();
    ASSERT_FALSE(kanal->HatBoxListe());
    EXPECT_TRUE(Taste(Qt::Key_Return));
    ASSERT_FALSE(box.calls.empty());
    EXPECT_EQ(box.calls[0], "Execute");
    EXPECT_EQ(box.destroyed, 1);
    EXPECT_FALSE(kanal->HatBoxListe());
    EXPECT_TRUE(PumpUntil([&] { return kanal->GetEingabe()->hasFocus(); }));
}

TEST_F(KanalBedienungTest, TurningToTheChannelBringsItsWizardForwardAndAwayLetsItSink) {
    const auto oben = [](const QWidget* w) { return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint); };
    const auto hauptfensterAktiv = [&] {
        QApplication::setActiveWindow(&fenster.window);
        return PumpUntil([&] { return fenster.window.isActiveWindow(); });
    };
    kanal->Senden();
    ASSERT_EQ(fenster.senden.size(), 1u);
    QPointer<QWidget> assistent = fenster.senden[0].assistent;

    // The operator went back to the main window: turning to the channel brings its wizard forward.
    ASSERT_TRUE(hauptfensterAktiv());
    kanal->SetAktiv(true);
    EXPECT_TRUE(oben(assistent));
    EXPECT_TRUE(assistent->isVisible());
    EXPECT_TRUE(PumpUntil([&] { return assistent->isActiveWindow(); }));

    // Already the active window, it stops floating over everything and the input line takes the keys.
    kanal->SetAktiv(true);
    EXPECT_FALSE(oben(assistent));
    EXPECT_TRUE(assistent->isVisible());
    EXPECT_TRUE(PumpUntil([&] { return kanal->GetEingabe()->hasFocus(); }));

    // Turning away from the channel lets its wizard sink behind the others.
    ASSERT_TRUE(hauptfensterAktiv());
    kanal->SetAktiv(true);
    ASSERT_TRUE(oben(assistent));
    kanal->SetAktiv(false);
    EXPECT_FALSE(oben(assistent));
    EXPECT_TRUE(assistent->isVisible());
    assistent->close();
}

TEST_F(KanalBedienungTest, ReleaseDropsTheMailboxListWhileTheConsoleIsThere) {
    kanal->BoxRead(true, false);
    ASSERT_TRUE(kanal->HatBoxListe());
    kanal->Release();
    EXPECT_EQ(box.destroyed, 1);
    EXPECT_EQ(box.calls.back(), "~ rows " + std::to_string(config.GetConsoleRows()));
}

TEST_F(KanalBedienungTest, TextMacrosAreSentOrInserted) {
    TTexte texte(store);
    texte.SaveGlobal(4, "Erster Text");
    texte.SaveGlobal(13, "Zehnter\rText\r");
    const auto connection = std::make_shared<FakeVerbindung>("DB0ABC");
    kanal->SetVerbindung(connection);
    kanal->GetEingabe()->setFocus();

    EXPECT_TRUE(Taste(Qt::Key_1, kTasteCtrl));
    EXPECT_TRUE(Taste(Qt::Key_0, kTasteCtrl));
    EXPECT_TRUE(Taste(Qt::Key_5, kTasteCtrl)); // kind 8 is empty: nothing goes out
    ASSERT_EQ(connection->sent.size(), 2u);
    EXPECT_EQ(connection->sent[0].text, "Erster Text\r");
    EXPECT_EQ(connection->sent[1].text, "Zehnter\rText\r");
    EXPECT_TRUE(connection->sent[0].typed && connection->sent[0].echo);

    EXPECT_TRUE(Taste(Qt::Key_1, kTasteCtrl | kTasteShift));
    EXPECT_EQ(kanal->GetEingabe()->toPlainText().toStdString(), "Erster Text");
    EXPECT_EQ(connection->sent.size(), 2u);
}

TEST_F(KanalBedienungTest, ContextMenuOffersTheMailboxActionsOnAListLine) {
    const auto texte = [](const QMenu& menu) {
        std::vector<std::string> names;
        for (const QAction* action : menu.actions()) {
            names.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        }
        return names;
    };
    Konsole().SetCaretRow(2);
    EXPECT_EQ(texte(*kanal->KontextMenue(true)), std::vector<std::string>{"Kopieren"});
    Konsole().SetListLine(2, true);
    const auto menu = kanal->KontextMenue(true);
    EXPECT_EQ(texte(*menu),
              (std::vector<std::string>{"Nachricht zum Lesen markieren", "Nachricht zum Löschen markieren",
                                        "Markierung entfernen", "Befehle absenden", "-", "Kopieren"}));
    menu->actions().at(1)->trigger();
    menu->actions().at(2)->trigger();
    EXPECT_EQ(box.calls, (std::vector<std::string>{"MarkErase 2..2", "Unmark 2..2"}));
    EXPECT_EQ(texte(*kanal->KontextMenue(false)),
              (std::vector<std::string>{"Ausschneiden", "Kopieren", "Einfügen", "Löschen"}));
    // An action of a menu that outlives the channel's release does nothing.
    const auto late = kanal->KontextMenue(true);
    kanal->Release();
    late->actions().at(0)->trigger();
    EXPECT_EQ(box.calls.back(), "~ rows " + std::to_string(config.GetConsoleRows()));
}

// ---- save and capture ------------------------------------------------------------------------------

// Answers the overwrite-or-append question with one of its buttons and keeps its text.
class Antwort {
public:
    explicit Antwort(std::function<QPushButton*(TDateiUeberschreibenAnhaengenForm&)> button)
        : button_(std::move(button)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* form = dynamic_cast<TDateiUeberschreibenAnhaengenForm*>(modal)) {
                frage = form->Label()->text() + " / " + form->windowTitle();
                button_(*form)->click();
            } else if (auto* box = qobject_cast<TDlgMessage*>(modal)) {
                meldung = box->Label()->text() + " / " + box->windowTitle();
                box->Buttons().front()->click();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                // Not expected here: a save dialog would wait for ever.
                meldung = "save dialog";
                dialog->reject();
            }
        });
        timer_.start(10);
    }
    QString frage;
    QString meldung;

private:
    std::function<QPushButton*(TDateiUeberschreibenAnhaengenForm&)> button_;
    QTimer timer_;
};

TEST_F(KanalBedienungTest, SavingWithoutSelectionKeepsCapturingUntilSavedAgain) {
    const std::filesystem::path file = dir / "neu.txt";
    Antwort antwort([](auto& form) { return form.Abbrechen(); });
    kanal->Ausgabe(2, "vorher\r");
    ASSERT_TRUE(kanal->SpeichernNach(file));
    EXPECT_TRUE(antwort.frage.isEmpty()) << "a new file asks nothing";
    EXPECT_EQ(kanal->GetMitschriebDatei(), file);
    EXPECT_TRUE(fenster.aktionen.captureChecked);

    kanal->Ausgabe(2, "eins\rzwei\r");
    kanal->Speichern(); // only closes the capture file
    EXPECT_TRUE(kanal->GetMitschriebDatei().empty());
    EXPECT_FALSE(fenster.aktionen.captureChecked);
    kanal->Ausgabe(2, "danach\r");
    EXPECT_EQ(Datei(file), "eins\r\nzwei\r\n");
    EXPECT_TRUE(antwort.meldung.isEmpty()) << antwort.meldung.toStdString();
}

TEST_F(KanalBedienungTest, ExistingFileIsAppendedToOverwrittenOrLeftAlone) {
    const std::filesystem::path file = dir / "DB0ABC.txt";
    kanal->Ausgabe(2, "Zeile A\rZeile B\rZeile C\r");
    const int a = ZeileMit("Zeile A");
    ASSERT_GE(a, 0);
    const auto schreiben = [&](const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; };

    // Append: the selected lines go in with CR LF and, ending before the newest line, close the file.
    schreiben("alt\r\n");
    {
        Antwort antwort([](auto& form) { return form.Anhaengen(); });
        Auswahl(a, a + 1);
        ASSERT_TRUE(kanal->SpeichernNach(file));
        EXPECT_EQ(antwort.frage, "Soll die bereits existierende Datei \"DB0ABC.txt\" überschrieben werden "
                                 "oder möchten Sie den Text an diese anhängen? / Speichern");
    }
    EXPECT_EQ(Datei(file), "alt\r\nZeile A\r\nZeile B");
    EXPECT_TRUE(kanal->GetMitschriebDatei().empty());
    EXPECT_TRUE(Konsole().Selection().IsNone()) << "the selection is cleared";

    // Overwrite truncates; a selection running to the end keeps the file open as capture file.
    {
        Antwort antwort([](auto& form) { return form.Ueberschreiben(); });
        Auswahl(a + 2, Konsole().Rows());
        ASSERT_TRUE(kanal->SpeichernNach(file));
    }
    EXPECT_EQ(kanal->GetMitschriebDatei(), file);
    kanal->Ausgabe(2, "weiter\r");
    kanal->Speichern();
    EXPECT_EQ(Datei(file).substr(0, 9), "Zeile C\r\n");
    EXPECT_NE(Datei(file).find("weiter\r\n"), std::string::npos);

    // Cancel leaves the file as it is and opens nothing.
    const std::string before = Datei(file);
    {
        Antwort antwort([](auto& form) { return form.Abbrechen(); });
        Auswahl(a, a);
        EXPECT_FALSE(kanal->SpeichernNach(file));
        EXPECT_FALSE(antwort.frage.isEmpty());
    }
    EXPECT_EQ(Datei(file), before);
    EXPECT_TRUE(kanal->GetMitschriebDatei().empty());
}

TEST_F(KanalBedienungTest, UnwritableFileShowsTheMessageAndCapturesNothing) {
    Antwort antwort([](auto& form) { return form.Ueberschreiben(); });
    EXPECT_FALSE(kanal->SpeichernNach(dir / "fehlt" / "x.txt"));
    EXPECT_EQ(antwort.meldung, "Datei kann nicht zum Schreiben geöffnet werden. / Speichern");
    EXPECT_TRUE(kanal->GetMitschriebDatei().empty());

    // A folder in place of the file: the question comes, then the message.
    std::filesystem::create_directories(dir / "ordner.txt");
    antwort.meldung.clear();
    EXPECT_FALSE(kanal->SpeichernNach(dir / "ordner.txt"));
    EXPECT_EQ(antwort.meldung, "Datei kann nicht zum Schreiben geöffnet werden. / Speichern");
    EXPECT_TRUE(kanal->GetMitschriebDatei().empty());
    EXPECT_FALSE(fenster.aktionen.captureChecked);
}

TEST_F(KanalBedienungTest, SaveDialogStartsInTheReceiveFolderWithTheProposedName) {
    const std::filesystem::path empfang = dir / "Empfang";
    std::filesystem::create_directories(empfang);
    // The channel reads its folders from the program's store (in the test run's own folder).
    TOrdner(RegistryStore::Instance()).SetEmpfang(empfang);
    QString gesehen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            gesehen = dialog->windowTitle() + " " + dialog->defaultSuffix();
            // selectFile leaves a focused name field alone, so the name is typed into it.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(QStringLiteral("mitschrieb.txt"));
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    timer.start(10);
    kanal->Speichern();
    EXPECT_EQ(gesehen.toStdString(), "Speichern txt");
    EXPECT_EQ(kanal->GetMitschriebDatei(), empfang / "mitschrieb.txt");
    kanal->Speichern();
    EXPECT_TRUE(kanal->GetMitschriebDatei().empty());
    EXPECT_TRUE(std::filesystem::exists(empfang / "mitschrieb.txt"));
}

TEST_F(KanalBedienungTest, SaveProposesTheCallOrTheChannel) {
    EXPECT_EQ(kanal->SpeichernVorschlag().toStdString(), "Kanal01.txt");
    kanal->SetVerbindung(std::make_shared<FakeVerbindung>("DB0ABC-3"));
    EXPECT_EQ(kanal->SpeichernVorschlag().toStdString(), "DB0ABC-3.txt");
}

// ---- hints -----------------------------------------------------------------------------------------

TEST_F(KanalBedienungTest, ConsoleHintsNameTheStationAndTheLineAge) {
    const auto database = test::TestDatenbank(dir.path());
    database->CreateEintrag("DB0ABC")->SetName("Otto");

    Konsole().Buffer().SetTimeSource([] { return std::time_t{1000}; });
    kanal->Ausgabe(2, "Gruss an db0abc-7 und DL9QQQ\r");
    const int row = ZeileMit("Gruss");
    ASSERT_GE(row, 0);
    EXPECT_EQ(kanal->ConsoleHint(0, row, 12, {}), "DB0ABC\rOtto"); // found by its base call
    EXPECT_EQ(kanal->ConsoleHint(0, row, 24, {}), "");             // not in the database
    EXPECT_EQ(kanal->ConsoleHint(0, row, 5, {}), "");              // a blank

    const std::uint32_t stamp = Konsole().Buffer().Line(row).TimeStamp();
    ASSERT_NE(stamp, 0u);
    const QDateTime line = QDateTime::fromSecsSinceEpoch(stamp, QTimeZone::utc());
    const QDateTime jetzt(line.date(), line.time().addSecs(61));
    EXPECT_EQ(kanal->ConsoleHint(1, row, -1, jetzt), "Heute, " +
                                                         line.toString("dd.MM.yyyy, hh:mm:ss").toStdString() +
                                                         "\r(vor 1 Minute, 1 Sekunde)");
    EXPECT_EQ(kanal->ConsoleHint(1, -1, -1, jetzt), "");
}

TEST_F(KanalBedienungTest, ButtonHintShowsItsShortPartBelowTheButton) {
    kanal->GetKnopf()->SetHint("DB0ABC\rName: Otto|lang");
    kanal->HintZeigen();
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains("Name: Otto"));
    EXPECT_FALSE(QToolTip::text().contains("lang"));
    QToolTip::hideText();
}

} // namespace
} // namespace quarn
