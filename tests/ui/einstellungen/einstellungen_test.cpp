// The settings window and its Allgemein and Geräte pages on the offscreen platform, in the whole main
// window with its real channels, own calls and a device set of a recording device kind.
#include "EinstellungenTestHilfen.h"

#include "console/ConsoleU.h"
#include "controls/NumEditU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "foundation/ConfigU.h"
#include "foundation/GlobalU.h"
#include "platform/Registry.h"
#include "stations/MyCallsU.h"
#include "support/RunEvents.h"
#include "ui/Hauptfenster.h"
#include "ui/editoren/EinstellungenRufzeichenForm.h"
#include "ui/einstellungen/EinstellungenAllgemein.h"
#include "ui/einstellungen/EinstellungenAnzeige.h"
#include "ui/einstellungen/EinstellungenDateien.h"
#include "ui/einstellungen/EinstellungenErweitert.h"
#include "ui/einstellungen/EinstellungenGeraete.h"
#include "ui/einstellungen/EinstellungenKlaenge.h"
#include "ui/einstellungen/EinstellungenMonitor.h"
#include "ui/einstellungen/EinstellungenRemoteCommands.h"
#include "ui/einstellungen/EinstellungenSeiten.h"
#include "ui/einstellungen/EinstellungenTexte.h"
#include "ui/einstellungen/EinstellungenU.h"
#include "ui/einstellungen/GeraetHinzufuegenForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <filesystem>
#include <stdexcept>

namespace quarn {
namespace {

using test::Antworten;
using test::EinstellGeraet;
using test::Klicke;

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";
constexpr const char* kQuarnKey = "\\Software\\Velmoor\\Quarn";

void RegistryLeeren() {
    RegistryStore& store = RegistryStore::Instance();
    store.DeleteKey(Hive::LocalMachine, std::string(kQuarnKey) + "\\Geraete");
    store.DeleteKey(Hive::CurrentUser, std::string(kEigeneRufzeichenKey));
}

// A page that notes when it is applied.
class ZaehlSeite : public TTabForm {
public:
    ZaehlSeite(int index, QWidget* parent, std::vector<int>& log)
        : TTabForm(parent), index_(index), log_(log) {}
    void Apply() override { log_.push_back(index_); }

private:
    int index_;
    std::vector<int>& log_;
};

TEST(EinstellungenForm, ApplyRunsThePagesShownSoFarInTabOrderEachEmbeddedWholeInItsTab) {
    std::vector<int> log;
    TEinstellungenForm form(nullptr, [&log](int index, QWidget* parent) {
        return std::make_unique<ZaehlSeite>(index, parent, log);
    });
    form.show();
    ASSERT_EQ(form.Tabs().count(), 9);
    const char* titel[] = {"Allgemein", "Geräte",  "Dateien", "Anzeige",  "Monitor",
                           "Texte",     "Fernst.", "Klänge",  "Erweitert"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(form.Tabs().tabText(i), QString::fromUtf8(titel[i]));
        EXPECT_EQ(form.Seite(i) != nullptr, i == 0) << i;
    }
    form.UebernehmenButton().click();
    EXPECT_EQ(log, std::vector<int>{0}) << "right after opening only the first page exists";

    log.clear();
    form.Tabs().setCurrentIndex(8);
    form.Tabs().setCurrentIndex(3);
    form.Tabs().setCurrentIndex(8);
    form.UebernehmenButton().click();
    EXPECT_EQ(log, (std::vector<int>{0, 3, 8}));
    // The page itself sits in the tab and fills it.
    TTabForm* seite = form.Seite(8);
    ASSERT_NE(seite, nullptr);
    EXPECT_EQ(seite->parentWidget(), form.Tabs().widget(8));
    QApplication::processEvents();
    EXPECT_EQ(seite->size(), form.Tabs().widget(8)->size());

    log.clear();
    form.OkButton().click();
    EXPECT_EQ(log, (std::vector<int>{0, 3, 8})) << "OK applies as well";
    EXPECT_FALSE(form.isVisible());
}

TEST(EinstellungenForm, AFirstPageThatCannotBeMadeLeavesNoWindow) {
    EXPECT_THROW(
        TEinstellungenForm(
            nullptr, [](int, QWidget*) -> std::unique_ptr<TTabForm> { throw std::runtime_error("kaputt"); }),
        std::runtime_error);
}

TEST(EinstellungenAllgemeinRegeln, EntriesValuesChannelCountsAndDuplicateCalls) {
    const struct {
        int stored;
        int entry;
    } eintraege[] = {{1, 0}, {2, 1}, {3, 2}, {0, 0}, {7, 0}, {-1, 0}};
    for (const auto& c : eintraege) {
        EXPECT_EQ(AnkommendEintrag(c.stored), c.entry) << c.stored;
    }
    EXPECT_EQ(AnkommendWert(0), 1);
    EXPECT_EQ(AnkommendWert(1), 2);
    EXPECT_EQ(AnkommendWert(2), 3);
    EXPECT_EQ(AnkommendWert(-1), 1);
    EXPECT_EQ(KanaeleAusEingabe(0), 1);
    EXPECT_EQ(KanaeleAusEingabe(99), 40);
    EXPECT_EQ(KanaeleAusEingabe(17), 17);
    EXPECT_TRUE(RufzeichenSchonEingetragen({"DL1QRN", "DB0ECH"}, "dl1qrn"));
    EXPECT_FALSE(RufzeichenSchonEingetragen({"DL1QRN"}, "DL2QRN"));
    EXPECT_FALSE(RufzeichenSchonEingetragen({}, "DL1QRN"));
}

class EinstellungenFenster : public ::testing::Test {
protected:
    EinstellungenFenster() {
        test::EinstellGeraetRegistrieren();
        RegistryLeeren();
        RegistryStore& store = RegistryStore::Instance();
        for (const char* nummer : {"0", "1"}) {
            store.WriteString(Hive::LocalMachine, std::string(kQuarnKey) + "\\Geraete\\" + nummer, "",
                              "TGeraetEinstellTest");
        }
        store.WriteDWord(Hive::CurrentUser, std::string(kEigeneRufzeichenKey) + "\\DL1QRN", "SSIDs", 3);
        window_ = std::make_unique<THauptfenster>(kFontFile);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        QApplication::processEvents();
        Config()->SetConsoleRows(1000);
        Config()->SetIncomingConnects(1);
        Config()->SetLocalEcho(false);
    }
    ~EinstellungenFenster() override {
        window_.reset();
        RegistryLeeren();
        // The window's end sets the program's quit event; the next test's devices must run.
        QuitEvent().Reset();
    }

    TEinstellungenForm& Oeffnen() {
        window_->Action("ActionSettings")->trigger();
        auto* form = qobject_cast<TEinstellungenForm*>(window_->EinstellungenFenster());
        EXPECT_NE(form, nullptr);
        return *form;
    }
    TEinstellungenAllgemein& Allgemein(TEinstellungenForm& form) {
        return *dynamic_cast<TEinstellungenAllgemein*>(form.Seite(0));
    }
    TEinstellungenGeraete& Geraete(TEinstellungenForm& form) {
        form.Tabs().setCurrentIndex(1);
        return *dynamic_cast<TEinstellungenGeraete*>(form.Seite(1));
    }
    static std::vector<std::shared_ptr<TGeraet>> Satz() { return TGeraete::Instance()->Geraete(); }
    static EinstellGeraet& Geraet(int i) {
        return static_cast<EinstellGeraet&>(*TGeraete::Instance()->Geraete().at(static_cast<std::size_t>(i)));
    }
    void Schliessen(TEinstellungenForm& form) {
        form.AbbrechenButton().click();
        ASSERT_TRUE(test::RunEventsUntil([this] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return window_->EinstellungenFenster() == nullptr;
        }));
    }

    std::unique_ptr<THauptfenster> window_;
};

TEST_F(EinstellungenFenster, EveryTabGetsItsOwnPageAndAllApplyInTheProgram) {
    TEinstellungenForm& form = Oeffnen();
    for (int index = 0; index < kEinstellungenSeiten; ++index) {
        form.Tabs().setCurrentIndex(index);
    }
    EXPECT_NE(dynamic_cast<TEinstellungenAllgemein*>(form.Seite(0)), nullptr);
    EXPECT_NE(dynamic_cast<TEinstellungenGeraete*>(form.Seite(1)), nullptr);
    EXPECT_NE(dynamic_cast<TEinstellungenDateien*>(form.Seite(2)), nullptr);
    EXPECT_NE(dynamic_cast<TEinstellungenAnzeige*>(form.Seite(3)), nullptr);
    EXPECT_NE(dynamic_cast<TEinstellungenMonitor*>(form.Seite(4)), nullptr);
    EXPECT_NE(dynamic_cast<TEinstellungenTexte*>(form.Seite(5)), nullptr);
    EXPECT_NE(dynamic_cast<TEinstellungenRemoteCommands*>(form.Seite(6)), nullptr);
    EXPECT_NE(dynamic_cast<TEinstellungenKlaenge*>(form.Seite(7)), nullptr);
    EXPECT_NE(dynamic_cast<TEinstellungenErweitert*>(form.Seite(8)), nullptr);

    form.UebernehmenButton().click();
    EXPECT_EQ(Satz().size(), 2u);
    Schliessen(form);
}

TEST_F(EinstellungenFenster, TheActionOpensOneWindowAndClosingFreesIt) {
    TEinstellungenForm& form = Oeffnen();
    EXPECT_EQ(form.windowTitle(), "Einstellungen");
    EXPECT_FALSE(form.isModal());
    window_->Action("ActionSettings")->trigger();
    EXPECT_EQ(window_->EinstellungenFenster(), &form) << "a second call shows the same window";
    Schliessen(form);
    // Escape closes it as "Abbrechen" does.
    QTest::keyClick(&Oeffnen(), Qt::Key_Escape);
    ASSERT_TRUE(test::RunEventsUntil([this] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window_->EinstellungenFenster() == nullptr;
    }));
    TEinstellungenForm& neu = Oeffnen();
    EXPECT_NE(window_->EinstellungenFenster(), nullptr);
    // The window goes before the program's parts when the main window ends.
    QPointer<QWidget> bleibt(&neu);
    window_.reset();
    EXPECT_TRUE(bleibt.isNull());
}

TEST_F(EinstellungenFenster, AllgemeinShowsAndAppliesChannelsRowsEchoAndIncomingConnects) {
    Config()->SetIncomingConnects(7);
    TEinstellungenForm& form = Oeffnen();
    TEinstellungenAllgemein& seite = Allgemein(form);
    EXPECT_EQ(seite.AnkommendBox().currentText(), "annehmen") << "an unknown stored value";
    EXPECT_EQ(seite.KanaeleEdit().text(), QString::number(TKanaele::Instance()->GetAnzahl()));
    ASSERT_EQ(seite.RufzeichenListe().topLevelItemCount(), 1);
    EXPECT_EQ(seite.RufzeichenListe().topLevelItem(0)->text(0), "DL1QRN");
    EXPECT_EQ(seite.RufzeichenListe().topLevelItem(0)->text(1), "0..1");

    const struct {
        const char* text;
        int kanaele;
    } kanaele[] = {{"0", 1}, {"99", 40}, {"", 1}, {"4", 4}};
    for (const auto& c : kanaele) {
        seite.KanaeleEdit().setText(c.text);
        form.UebernehmenButton().click();
        EXPECT_EQ(TKanaele::Instance()->GetAnzahl(), c.kanaele) << c.text;
        EXPECT_EQ(Config()->GetChannels(), c.kanaele) << c.text;
    }
    for (int entry = 0; entry < 3; ++entry) {
        seite.AnkommendBox().setCurrentIndex(entry);
        form.UebernehmenButton().click();
        EXPECT_EQ(Config()->GetIncomingConnects(), entry + 1);
    }

    // The rows question: No puts the stored value back, Yes sets the rows everywhere.
    {
        Antworten nein([](QWidget& modal) { Klicke(modal, "Nein"); });
        seite.ZeilenEdit().SetValue(2000);
        form.UebernehmenButton().click();
        ASSERT_EQ(nein.meldungen.size(), 1U);
        EXPECT_TRUE(nein.meldungen[0].startsWith("Bei Änderung der Zeilenzahl"));
        EXPECT_EQ(seite.ZeilenEdit().text(), "1000");
        EXPECT_EQ(Config()->GetConsoleRows(), 1000);
    }
    {
        Antworten ja([](QWidget& modal) { Klicke(modal, "Ja"); });
        seite.ZeilenEdit().SetValue(2000);
        seite.EchoBox().setChecked(true);
        form.UebernehmenButton().click();
        EXPECT_EQ(ja.meldungen.size(), 1U);
        EXPECT_EQ(Config()->GetConsoleRows(), 2000);
        EXPECT_EQ(TKanaele::Instance()->GetTKanal(1)->GetConsole()->Rows(), 2000);
        form.UebernehmenButton().click();
        EXPECT_EQ(ja.meldungen.size(), 1U) << "unchanged rows ask nothing";
    }
    // What was applied stays when the window is then cancelled.
    Schliessen(form);
    EXPECT_TRUE(Config()->GetLocalEcho());
    EXPECT_EQ(TKanaele::Instance()->GetAnzahl(), 4);
}

TEST_F(EinstellungenFenster, AnOwnCallAnotherRowHasIsRefusedAndANewOneReachesTheList) {
    TEinstellungenForm& form = Oeffnen();
    TEinstellungenAllgemein& seite = Allgemein(form);
    std::vector<QString> texte;
    // The dialog gets "DL1QRN" first (refused, it stays open), then "DL2QRN-2"... typed as boxes 0 to 2.
    Antworten antworten([&](QWidget& modal) {
        if (auto* dialog = dynamic_cast<TEinstellungenRufzeichenForm*>(&modal)) {
            dialog->RufzeichenEdit().setText("dl1qrn");
            dialog->SsidBox(0).setChecked(true);
            QMetaObject::invokeMethod(&dialog->OkButton(), "click", Qt::QueuedConnection);
            return;
        }
        auto* box = qobject_cast<TDlgMessage*>(&modal);
        ASSERT_NE(box, nullptr);
        texte.push_back(box->Label()->text());
        auto* dialog = dynamic_cast<TEinstellungenRufzeichenForm*>(box->parentWidget());
        box->accept();
        ASSERT_NE(dialog, nullptr);
        QTimer::singleShot(0, dialog, [dialog] {
            dialog->RufzeichenEdit().setText("DL2QRN");
            for (int ssid = 0; ssid < 3; ++ssid) {
                dialog->SsidBox(ssid).setChecked(true);
            }
            dialog->OkButton().click();
        });
    });
    seite.Hinzufuegen();
    ASSERT_EQ(texte.size(), 1U);
    EXPECT_EQ(texte[0], "Das Rufzeichen DL1QRN ist schon eingetragen.");
    ASSERT_EQ(seite.RufzeichenListe().topLevelItemCount(), 2);
    EXPECT_EQ(seite.RufzeichenListe().topLevelItem(1)->text(0), "DL2QRN");
    EXPECT_EQ(seite.RufzeichenListe().topLevelItem(1)->text(1), "0..2");
    EXPECT_EQ(seite.RufzeichenListe().currentItem(), seite.RufzeichenListe().topLevelItem(1));
    EXPECT_EQ(MyCalls()->GetCount(), 1) << "nothing changes before Apply";

    form.OkButton().click();
    ASSERT_EQ(MyCalls()->GetCount(), 2);
    EXPECT_EQ(MyCalls()->GetItem(1)->GetCall(), "DL2QRN");
    EXPECT_EQ(MyCalls()->GetItem(1)->GetSSIDs(), (std::vector<int>{0, 1, 2}));
}

TEST_F(EinstellungenFenster, EditingARowMayKeepItsOwnCall) {
    TEinstellungenForm& form = Oeffnen();
    TEinstellungenAllgemein& seite = Allgemein(form);
    Antworten antworten([](QWidget& modal) {
        auto* dialog = dynamic_cast<TEinstellungenRufzeichenForm*>(&modal);
        ASSERT_NE(dialog, nullptr) << "no refusal for the row's own call";
        dialog->SsidBox(5).setChecked(true);
        dialog->OkButton().click();
    });
    seite.RufzeichenListe().setCurrentItem(seite.RufzeichenListe().topLevelItem(0));
    seite.Bearbeiten();
    EXPECT_EQ(seite.RufzeichenListe().topLevelItem(0)->text(1), "0..1, 5");
    EXPECT_TRUE(antworten.meldungen.empty());
}

TEST_F(EinstellungenFenster, AddingAndRemovingBeforeApplyLeavesTheSetAndFreesTheDevice) {
    TEinstellungenForm& form = Oeffnen();
    TEinstellungenGeraete& seite = Geraete(form);
    const auto vorher = Satz();
    ASSERT_EQ(seite.Zeilen().size(), 2U);
    EXPECT_EQ(seite.Liste().currentItem(), seite.Liste().topLevelItem(0));
    EXPECT_EQ(seite.Liste().topLevelItem(0)->text(0), "Testgerät");

    Antworten antworten([](QWidget& modal) {
        if (auto* hinzu = dynamic_cast<TEinstellungenGeraetHinzufuegenForm*>(&modal)) {
            EXPECT_EQ(hinzu->windowTitle(), "Gerät hinzufügen");
            EXPECT_EQ(hinzu->Liste().currentRow(), 0);
            const auto items = hinzu->Liste().findItems("Testgerät", Qt::MatchExactly);
            ASSERT_EQ(items.size(), 1);
            hinzu->Liste().setCurrentItem(items[0]);
            hinzu->HinzufuegenButton().click();
        } else {
            Klicke(modal, "Ja");
        }
    });
    seite.Hinzufuegen();
    ASSERT_EQ(seite.Zeilen().size(), 3U);
    EXPECT_EQ(seite.Liste().currentItem(), seite.Liste().topLevelItem(2));
    const std::weak_ptr<TGeraet> neu = seite.Zeilen()[2];
    EXPECT_EQ(Satz(), vorher) << "the set learns of it at Apply only";
    seite.Entfernen();
    EXPECT_EQ(antworten.meldungen, std::vector<QString>{"Gerät wirklich entfernen?"});
    EXPECT_TRUE(neu.expired()) << "a device never applied goes with its row";
    EXPECT_EQ(seite.Liste().currentItem(), seite.Liste().topLevelItem(1));
    form.UebernehmenButton().click();
    EXPECT_EQ(Satz(), vorher);
}

TEST_F(EinstellungenFenster, MovingTheSecondDeviceFirstRenumbersBothAtApply) {
    const auto vorher = Satz();
    TEinstellungenForm& form = Oeffnen();
    TEinstellungenGeraete& seite = Geraete(form);
    seite.Liste().setCurrentItem(seite.Liste().topLevelItem(1));
    QTest::keyClick(&seite.Liste(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(seite.Liste().currentItem(), seite.Liste().topLevelItem(0)) << "the moved row stays selected";
    EXPECT_EQ(seite.Zeilen()[0], vorher[1]);
    EXPECT_EQ(Satz(), vorher);
    form.UebernehmenButton().click();
    EXPECT_EQ(Satz(), (std::vector<std::shared_ptr<TGeraet>>{vorher[1], vorher[0]}));
    EXPECT_EQ(vorher[1]->GetNummer(), 0);
    EXPECT_EQ(vorher[0]->GetNummer(), 1);
    EXPECT_EQ(vorher[1]->GetRegistryKey(), std::string(kQuarnKey) + "\\Geraete\\0");
}

TEST_F(EinstellungenFenster, ARemovedDeviceRunsUntilApplyAndIsStoppedOnceOverTwoApplies) {
    TEinstellungenForm& form = Oeffnen();
    TEinstellungenGeraete& seite = Geraete(form);
    const std::shared_ptr<TGeraet> zweites = Satz()[1];
    auto& geraet = static_cast<EinstellGeraet&>(*zweites);
    ASSERT_TRUE(test::RunEventsUntil([&] { return geraet.GetStatus() == TGeraetStatus::Bereit; }));
    Antworten ja([](QWidget& modal) { Klicke(modal, "Ja"); });
    seite.Liste().setCurrentItem(seite.Liste().topLevelItem(1));
    seite.Entfernen();
    EXPECT_EQ(seite.Liste().currentItem(), seite.Liste().topLevelItem(0)) << "the row before it";
    EXPECT_TRUE(geraet.HasThread()) << "still running";
    EXPECT_EQ(geraet.deInits, 0);
    form.UebernehmenButton().click();
    EXPECT_EQ(geraet.deInits, 1);
    EXPECT_EQ(TGeraete::Instance()->Count(), 1);
    form.UebernehmenButton().click();
    EXPECT_EQ(geraet.deInits, 1) << "a second Apply must not stop it again";
}

TEST_F(EinstellungenFenster, AnEditDroppedWithCancelIsNotAppliedByTheNextWindow) {
    {
        TEinstellungenForm& form = Oeffnen();
        TEinstellungenGeraete& seite = Geraete(form);
        seite.Eigenschaften();
        EXPECT_EQ(seite.Liste().topLevelItem(0)->text(1), "COM1, 9600") << "the parameter column follows";
        Schliessen(form);
    }
    EXPECT_EQ(Geraet(0).schliessen, 1);
    TEinstellungenForm& form = Oeffnen();
    Geraete(form);
    form.UebernehmenButton().click();
    EXPECT_EQ(Geraet(0).baud, 1200);

    // Applied, an edit is in force, and the close after it loses nothing.
    Geraete(form).Eigenschaften();
    form.OkButton().click();
    EXPECT_EQ(Geraet(0).baud, 9600);
}

TEST_F(EinstellungenFenster, AddIsDisabledAtThirtyTwoRows) {
    TEinstellungenForm& form = Oeffnen();
    TEinstellungenGeraete& seite = Geraete(form);
    Antworten antworten([](QWidget& modal) {
        if (auto* hinzu = dynamic_cast<TEinstellungenGeraetHinzufuegenForm*>(&modal)) {
            hinzu->HinzufuegenButton().click();
        }
    });
    while (seite.HinzufuegenButton().isEnabled() && seite.Zeilen().size() < 40) {
        const std::size_t vorher = seite.Zeilen().size();
        seite.HinzufuegenButton().click();
        ASSERT_EQ(seite.Zeilen().size(), vorher + 1);
    }
    EXPECT_EQ(seite.Zeilen().size(), 32U);
    // Never applied, the added devices go with the window.
    const std::weak_ptr<TGeraet> neu = seite.Zeilen().back();
    Schliessen(form);
    EXPECT_TRUE(neu.expired());
    EXPECT_EQ(TGeraete::Instance()->Count(), 2);
}

TEST_F(EinstellungenFenster, Screenshots) {
    TEinstellungenForm& form = Oeffnen();
    QApplication::processEvents();
    test::Screenshot(form, "einstellungen_allgemein.png");
    TEinstellungenGeraete& seite = Geraete(form);
    ASSERT_TRUE(test::RunEventsUntil([] { return Geraet(1).GetStatus() == TGeraetStatus::Bereit; }));
    QApplication::processEvents();
    EXPECT_EQ(seite.Liste().topLevelItem(1)->text(1), "COM1, 1200");
    EXPECT_EQ(seite.Liste().topLevelItem(1)->text(2), "Bereit");
    test::Screenshot(form, "einstellungen_geraete.png");
    TEinstellungenGeraetHinzufuegenForm hinzu(&form);
    hinzu.show();
    QApplication::processEvents();
    test::Screenshot(hinzu, "geraet_hinzufuegen.png");
}

} // namespace
} // namespace quarn
