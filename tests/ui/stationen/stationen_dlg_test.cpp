// The station window against a real database in a temporary folder, on the offscreen platform.
#include "foundation/DlgMessageU.h"
#include "platform/Codepage.h"
#include "stations/StationenDatenbankU.h"
#include "ui/stationen/StationenDatenbankDlg.h"
#include "ui/stationen/StationenDatenbankEditDlg.h"
#include "ui/stationen/StationenDatenbankPasswortDlg.h"
#include "ui/stationen/StationenDatenbankProgressForm.h"
#include "ui/stationen/StationenListe.h"

#include "support/RunEvents.h"
#include "support/TempDir.h"
#include "support/TestDatenbank.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

namespace quarn {
namespace {

const QString kScreenshots = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");

void Screenshot(QWidget& widget, const char* name) {
    ASSERT_TRUE(QDir().mkpath(kScreenshots));
    EXPECT_TRUE(widget.grab().save(kScreenshots + name)) << name;
}

// Answers the modal windows that come up, in turn, one answer each; keeps the message boxes' texts.
class Antworten {
public:
    explicit Antworten(std::deque<std::function<void(QWidget&)>> answers) : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == last_ || answers_.empty()) {
                return;
            }
            last_ = modal;
            if (const auto* box = qobject_cast<TDlgMessage*>(modal)) {
                meldungen.push_back(box->Label()->text());
            }
            const auto answer = std::move(answers_.front());
            answers_.pop_front();
            answer(*modal);
        });
        timer_.start(5);
    }
    ~Antworten() { EXPECT_TRUE(answers_.empty()) << answers_.size() << " windows never came"; }
    std::vector<QString> meldungen;

private:
    std::deque<std::function<void(QWidget&)>> answers_;
    QPointer<QWidget> last_;
    QTimer timer_;
};

std::function<void(QWidget&)> Klicke(const QString& caption) {
    return [caption](QWidget& modal) {
        for (QPushButton* button : modal.findChildren<QPushButton*>()) {
            if (button->text().remove('&') == caption) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << caption.toStdString();
        modal.close();
    };
}

std::function<void(QWidget&)> RufzeichenEingeben(const QString& call) {
    return [call](QWidget& modal) {
        auto& dialog = dynamic_cast<TStationenDatenbankEditDlg&>(modal);
        dialog.RufzeichenEdit()->setText(call);
        dialog.OkButton()->click();
    };
}

// An editor page as the window hosts it, recording what the window asks of it.
class SpionSeite final : public IStationenSeite {
public:
    explicit SpionSeite(std::vector<std::string>& log, std::string name)
        : log_(log), name_(std::move(name)) {}
    QWidget* Page() override { return &page_; }
    void LoadStation(const std::string& call) override { log_.push_back(name_ + " load " + call); }
    void Apply() override { log_.push_back(name_ + " apply"); }

private:
    std::vector<std::string>& log_;
    std::string name_;
    QWidget page_;
};

class StationenDlgTest : public ::testing::Test {
protected:
    StationenDlgTest() {
        auto abc = database->CreateEintrag("DL1ABC");
        abc->SetName("Alpha");
        abc->SetPasswort("DB0QRN", TPasswortArt::Benutzer, "geheim", TPasswortMethode::BayCom);
        database->CreateEintrag("DB0ABC")->SetName("Box");
        database->CreateEintrag("OE1XYZ");
    }

    TStationenDatenbankDlg& Open() {
        TStationenDlgUmgebung umgebung;
        umgebung.eigeneRufzeichen = [] { return std::vector<std::string>{"DB0QRN", "DL9QRN"}; };
        umgebung.globaleRegel = [this] { return globaleRegel; };
        umgebung.piepen = [this] { ++piepser; };
        umgebung.seiten = seiten;
        dlg = std::make_unique<TStationenDatenbankDlg>(*database, std::move(umgebung));
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        QApplication::processEvents();
        return *dlg;
    }

    void Select(const char* call) {
        const int row = dlg->Liste().Zeile(call);
        ASSERT_GE(row, 0) << call;
        dlg->Auswaehlen(row);
    }

    std::vector<std::string> Namen() const { return dlg->Liste().Namen(); }

    test::TempDir dir;
    std::unique_ptr<TStationenDatenbank> database = test::TestDatenbank(dir.path());
    int globaleRegel = 2;
    int piepser = 0;
    std::function<std::unique_ptr<IStationenSeite>(TStationenSeite)> seiten;
    std::unique_ptr<TStationenDatenbankDlg> dlg;
};

TEST_F(StationenDlgTest, OpensOnTheFirstStationWithItsValues) {
    Open();
    EXPECT_EQ(dlg->windowTitle(), "Stationen-Datenbank");
    EXPECT_EQ(Namen(), (std::vector<std::string>{"DB0ABC", "DL1ABC", "OE1XYZ"}));
    EXPECT_EQ(dlg->GezeigteStation(), "DB0ABC");
    EXPECT_EQ(dlg->Kopf()->text(), "Einstellungen für DB0ABC:");
    EXPECT_EQ(dlg->NameEdit()->text(), "Box");
    EXPECT_TRUE(dlg->RufzeichenListView()->hasFocus());
    // No station shows its own rule: the global one, greyed.
    EXPECT_FALSE(dlg->FirewallCheckbox()->isChecked());
    EXPECT_FALSE(dlg->FirewallCombobox()->isEnabled());
    EXPECT_EQ(dlg->FirewallCombobox()->currentText(), "ignorieren");
    // The editor slots without their editors are empty, greyed pages.
    for (int index = 2; index < TStationenDatenbankDlg::kSeitenAnzahl; ++index) {
        EXPECT_FALSE(dlg->Seite(index)->isEnabled()) << index;
    }
    EXPECT_TRUE(dlg->Seite(0)->isEnabled());
    Select("DL1ABC");
    dlg->resize(640, 460);
    Screenshot(*dlg, "stationen_allgemein.png");
}

TEST_F(StationenDlgTest, AddingAnExistingCallSelectsItWithItsStreamsIntact) {
    Open();
    {
        Antworten answers({RufzeichenEingeben("dl1abc")});
        dlg->Hinzufuegen();
    }
    EXPECT_EQ(Namen().size(), 3u);
    EXPECT_EQ(dlg->GezeigteStation(), "DL1ABC");
    EXPECT_EQ(dlg->NameEdit()->text(), "Alpha");
    EXPECT_EQ(database->GetEintrag("DL1ABC")->GetPasswortStream("PUBDB0QRN"), "geheim");
}

TEST_F(StationenDlgTest, AddingAStationMadeElsewhereSinceTheWindowOpenedKeepsItsData) {
    Open();
    // A remote station's "//name" made it meanwhile.
    database->CreateEintrag("DB0ECH")->SetName("Echo");
    {
        Antworten answers({RufzeichenEingeben("DB0ECH")});
        dlg->Hinzufuegen();
    }
    EXPECT_EQ(Namen(), (std::vector<std::string>{"DB0ABC", "DB0ECH", "DL1ABC", "OE1XYZ"}));
    EXPECT_EQ(dlg->GezeigteStation(), "DB0ECH");
    EXPECT_EQ(dlg->NameEdit()->text(), "Echo");
    EXPECT_EQ(database->GetEintrag("DB0ECH")->GetName(), "Echo");
}

TEST_F(StationenDlgTest, ANewCallIsStoredTrimmedInUpperCaseAndAnImpossibleOneIsRefused) {
    Open();
    {
        Antworten answers({RufzeichenEingeben(" db0xyz ")});
        dlg->Hinzufuegen();
    }
    EXPECT_EQ(dlg->GezeigteStation(), "DB0XYZ");
    EXPECT_NE(database->GetEintrag("DB0XYZ"), nullptr);
    EXPECT_EQ(dlg->focusWidget(), dlg->RufzeichenListView());

    const std::string lang(40, 'D');
    for (const std::string& call : {std::string("DL1/ABC"), lang}) {
        const std::vector<std::string> vorher = Namen();
        Antworten answers({RufzeichenEingeben(QString::fromStdString(call)), Klicke("Ok")});
        dlg->Hinzufuegen();
        EXPECT_EQ(answers.meldungen,
                  std::vector<QString>{
                      QString("Die Station \"%1\" kann nicht angelegt werden.").arg(call.c_str())});
        EXPECT_EQ(Namen(), vorher) << call;
        EXPECT_EQ(dlg->GezeigteStation(), "DB0XYZ");
    }
    // Blanks alone cannot be confirmed.
    TStationenDatenbankEditDlg neu;
    neu.RufzeichenEdit()->setText("   ");
    EXPECT_FALSE(neu.OkButton()->isEnabled());
    neu.RufzeichenEdit()->setText("dl1a");
    EXPECT_TRUE(neu.OkButton()->isEnabled());
    neu.show();
    Screenshot(neu, "stationen_neu.png");
}

TEST_F(StationenDlgTest, TheShownStationIsStoredWhenAnotherIsSelected) {
    Open();
    Select("DL1ABC");
    dlg->NameEdit()->setText(QString::fromUtf8("Jürgen"));
    dlg->NotizenMemo()->setPlainText(QString(20000, 'n'));
    dlg->TypCombobox()->setCurrentIndex(2);
    dlg->FirewallCheckbox()->click();
    EXPECT_TRUE(dlg->FirewallCombobox()->isEnabled());
    dlg->FirewallCombobox()->setCurrentIndex(2);
    Select("OE1XYZ");
    {
        const auto entry = database->GetEintrag("DL1ABC");
        EXPECT_EQ(entry->GetName(), "J\xFCrgen");
        EXPECT_EQ(entry->GetNotizen().size(), kStationNotesLimit);
        EXPECT_EQ(entry->GetTyp(), TStationType::st_box);
        EXPECT_EQ(entry->GetFirewall(), TIncomingConnects::Reject);
    }
    Select("DL1ABC");
    EXPECT_TRUE(dlg->FirewallCheckbox()->isChecked());
    EXPECT_EQ(dlg->FirewallCombobox()->currentText(), "abweisen");
    EXPECT_EQ(dlg->TypCombobox()->currentText(), "Mailbox");
    // Off: the station follows the global rule at once, and shows it greyed.
    dlg->FirewallCheckbox()->click();
    EXPECT_EQ(database->GetEintrag("DL1ABC")->GetFirewall(), TIncomingConnects::None);
    EXPECT_FALSE(dlg->FirewallCombobox()->isEnabled());
    EXPECT_EQ(dlg->FirewallCombobox()->currentText(), "ignorieren");
    // On again shows the global rule, as the station has none now.
    dlg->FirewallCheckbox()->click();
    EXPECT_EQ(dlg->FirewallCombobox()->currentText(), "ignorieren");
}

TEST_F(StationenDlgTest, AStationGoneSinceTheListWasMadeBeepsAndStoresNothing) {
    Open();
    ASSERT_TRUE(database->DeleteEintrag("OE1XYZ"));
    Select("OE1XYZ");
    EXPECT_EQ(piepser, 1);
    EXPECT_FALSE(dlg->HatEintrag());
    EXPECT_FALSE(dlg->Seite(0)->isEnabled());
    EXPECT_FALSE(dlg->Seite(1)->isEnabled());
    dlg->NameEdit()->setText("Geist");
    Select("DL1ABC");
    EXPECT_EQ(database->GetEintrag("OE1XYZ"), nullptr);
    EXPECT_TRUE(dlg->Seite(0)->isEnabled());
    // Made again under its row, it is shown; removed elsewhere once more, only its row is left to go.
    Select("OE1XYZ");
    {
        Antworten answers({RufzeichenEingeben("OE1XYZ")});
        dlg->Hinzufuegen();
    }
    EXPECT_TRUE(dlg->HatEintrag());
    EXPECT_TRUE(dlg->Seite(0)->isEnabled());
    EXPECT_EQ(piepser, 2);
    Select("DL1ABC");
    ASSERT_TRUE(database->DeleteEintrag("OE1XYZ"));
    Select("OE1XYZ");
    {
        Antworten answers({Klicke("Ja")});
        dlg->Entfernen();
    }
    EXPECT_EQ(piepser, 3);
    EXPECT_EQ(Namen(), (std::vector<std::string>{"DB0ABC", "DL1ABC"}));
}

TEST_F(StationenDlgTest, AStationAConnectionHoldsIsKeptUntilItIsReleased) {
    Open();
    Select("DL1ABC");
    auto gehalten = database->GetEintrag("DL1ABC");
    {
        Antworten answers({Klicke("Ja")});
        dlg->Entfernen();
        EXPECT_EQ(answers.meldungen, std::vector<QString>{"Station wirklich entfernen?"});
    }
    EXPECT_EQ(piepser, 1);
    EXPECT_EQ(Namen().size(), 3u);
    EXPECT_EQ(dlg->GezeigteStation(), "DL1ABC");
    EXPECT_TRUE(dlg->HatEintrag());
    gehalten.reset();
    {
        Antworten answers({Klicke("Ja")});
        dlg->Entfernen();
    }
    EXPECT_EQ(Namen(), (std::vector<std::string>{"DB0ABC", "OE1XYZ"}));
    EXPECT_EQ(dlg->GezeigteStation(), "OE1XYZ");
    EXPECT_EQ(database->GetEintrag("DL1ABC"), nullptr);
    // The last row goes: its predecessor is shown.
    {
        Antworten answers({Klicke("Ja")});
        dlg->Entfernen();
    }
    EXPECT_EQ(dlg->GezeigteStation(), "DB0ABC");
}

TEST_F(StationenDlgTest, PasswordsAreAddedEditedAndRemovedAndNeverShownInTheList) {
    Open();
    Select("DL1ABC");
    QTreeWidget& liste = *dlg->PasswortListview();
    ASSERT_EQ(liste.topLevelItemCount(), 1);
    EXPECT_EQ(liste.topLevelItem(0)->text(0), "DB0QRN");
    EXPECT_EQ(liste.topLevelItem(0)->text(1), "Benutzer");
    EXPECT_EQ(liste.topLevelItem(0)->text(2), "BayCom");

    const auto hinzufuegen = [](QWidget& modal) {
        auto& dialog = dynamic_cast<TStationenDatenbankPasswortDlg&>(modal);
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Passwort hinzufügen..."));
        EXPECT_EQ(dialog.MyCallCombo()->currentText(), "DB0QRN");
        EXPECT_FALSE(dialog.OkButton()->isEnabled());
        dialog.MyCallCombo()->setCurrentIndex(1);
        dialog.SetArt(TPasswortArt::Sysop);
        dialog.SetVerfahren(TPasswortMethode::DieBox);
        dialog.PasswortMemo()->setPlainText("zweites");
        EXPECT_TRUE(dialog.OkButton()->isEnabled());
        dialog.OkButton()->click();
    };
    {
        Antworten answers({hinzufuegen});
        dlg->PasswortHinzufuegen();
    }
    EXPECT_EQ(database->GetEintrag("DL1ABC")->GetPasswortStream("PSDDL9QRN"), "zweites");
    ASSERT_EQ(liste.topLevelItemCount(), 2);
    for (int row = 0; row < liste.topLevelItemCount(); ++row) {
        for (int column = 0; column < liste.columnCount(); ++column) {
            EXPECT_FALSE(liste.topLevelItem(row)->text(column).contains("geheim"));
            EXPECT_FALSE(liste.topLevelItem(row)->text(column).contains("zweites"));
        }
    }

    // Edited to another kind and method: moved to its new stream.
    liste.setCurrentItem(liste.findItems("DB0QRN", Qt::MatchExactly).front());
    const auto bearbeiten = [](QWidget& modal) {
        auto& dialog = dynamic_cast<TStationenDatenbankPasswortDlg&>(modal);
        EXPECT_EQ(dialog.windowTitle(), "Passwort bearbeiten...");
        EXPECT_FALSE(dialog.MyCallCombo()->isEnabled());
        EXPECT_EQ(dialog.MyCallCombo()->currentText(), "DB0QRN");
        EXPECT_EQ(dialog.PasswortMemo()->toPlainText(), "geheim");
        dialog.SetArt(TPasswortArt::Sysop);
        dialog.SetVerfahren(TPasswortMethode::MD5);
        dialog.show();
        Screenshot(dialog, "stationen_passwort.png");
        dialog.OkButton()->click();
    };
    {
        Antworten answers({bearbeiten});
        dlg->PasswortBearbeiten();
    }
    {
        const auto entry = database->GetEintrag("DL1ABC");
        std::vector<std::string> streams;
        database->GetPasswortListe(*entry, streams);
        std::sort(streams.begin(), streams.end());
        EXPECT_EQ(streams, (std::vector<std::string>{"PSDDL9QRN", "PSMDB0QRN"}));
        EXPECT_EQ(entry->GetPasswortStream("PSMDB0QRN"), "geheim");
    }
    dlg->Seiten()->setCurrentIndex(1);
    Screenshot(*dlg, "stationen_passwoerter.png");

    // An own call no stream can be named after is told, and nothing changes.
    const auto unmoeglich = [](QWidget& modal) {
        auto& dialog = dynamic_cast<TStationenDatenbankPasswortDlg&>(modal);
        dialog.MyCallCombo()->setEditText("DL1/ABC");
        dialog.PasswortMemo()->setPlainText("x");
        dialog.OkButton()->click();
    };
    {
        Antworten answers({unmoeglich, Klicke("Ok")});
        dlg->PasswortHinzufuegen();
        EXPECT_EQ(answers.meldungen, std::vector<QString>{"Das Passwort konnte nicht gespeichert werden."});
    }
    EXPECT_EQ(liste.topLevelItemCount(), 2);

    liste.setCurrentItem(liste.findItems("DL9QRN", Qt::MatchExactly).front());
    dlg->PasswortEntfernen();
    ASSERT_EQ(liste.topLevelItemCount(), 1);
    EXPECT_EQ(liste.topLevelItem(0)->text(1), "Sysop");
}

TEST_F(StationenDlgTest, TheListsKeysAndThePageKeys) {
    Open();
    QListView& list = *dlg->RufzeichenListView();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_F2);
    EXPECT_EQ(piepser, 1);
    {
        Antworten answers({[](QWidget& modal) {
            EXPECT_EQ(modal.windowTitle(), "Neues Rufzeichen...");
            dynamic_cast<QDialog&>(modal).reject();
        }});
        QTest::keyClick(&list, Qt::Key_Insert);
    }
    {
        Antworten answers({Klicke("Nein")});
        QTest::keyClick(&list, Qt::Key_Delete);
        EXPECT_EQ(answers.meldungen, std::vector<QString>{"Station wirklich entfernen?"});
    }
    EXPECT_EQ(Namen().size(), 3u);

    // Typing searches from the current row and wraps to the top.
    Select("OE1XYZ");
    QTest::keyClick(&list, Qt::Key_D);
    EXPECT_EQ(dlg->GezeigteStation(), "DB0ABC");
    QTest::keyClick(&list, Qt::Key_L);
    EXPECT_EQ(dlg->GezeigteStation(), "DL1ABC");

    QApplication::setActiveWindow(dlg.get());
    QTabWidget& seiten = *dlg->Seiten();
    seiten.setCurrentIndex(TStationenDatenbankDlg::kSeitenAnzahl - 1);
    QTest::keyClick(&list, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(seiten.currentIndex(), 0);
    QTest::keyClick(&list, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(seiten.currentIndex(), TStationenDatenbankDlg::kSeitenAnzahl - 1);
    QTest::keyClick(&list, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(seiten.currentIndex(), TStationenDatenbankDlg::kSeitenAnzahl - 2);
    // The notes keep no Ctrl+Tab for themselves.
    seiten.setCurrentIndex(0);
    dlg->NotizenMemo()->setFocus();
    QTest::keyClick(dlg->NotizenMemo(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(seiten.currentIndex(), 1);
    EXPECT_EQ(dlg->NotizenMemo()->toPlainText(), "");
}

TEST_F(StationenDlgTest, HostedPagesLoadEachStationAndStoreBeforeItIsLeft) {
    std::vector<std::string> log;
    seiten = [&log](TStationenSeite slot) -> std::unique_ptr<IStationenSeite> {
        const char* names[] = {"texte", "fernsteuerung", "klaenge"};
        return std::make_unique<SpionSeite>(log, names[static_cast<int>(slot)]);
    };
    Open();
    EXPECT_TRUE(dlg->Seite(2)->isEnabled());
    log.clear();
    Select("DL1ABC");
    EXPECT_EQ(log, (std::vector<std::string>{"klaenge apply", "texte apply", "fernsteuerung apply",
                                             "texte load DL1ABC", "fernsteuerung load DL1ABC",
                                             "klaenge load DL1ABC"}));
    log.clear();
    dlg->Schliessen();
    EXPECT_EQ(log, (std::vector<std::string>{"klaenge apply", "texte apply", "fernsteuerung apply"}));
    EXPECT_FALSE(dlg->isVisible());
}

TEST(StationenProgressForm, StandsCentredOnTheScreenWhileItsOwnerIsHidden) {
    QWidget owner;
    TStationenDatenbankProgressForm form(&owner);
    form.Zeigen();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.size(), QSize(285, 49));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((form.geometry().center() - screen.center()).manhattanLength(), 2);
    EXPECT_EQ(form.Text(), QString::fromUtf8("Überprüfe und repariere Datenbank..."));
    Screenshot(form, "stationen_pruefung.png");
}

} // namespace
} // namespace quarn
