// The send-file wizard's PGP page against a real gpg in a throw-away GnuPG home.
#include "DateiSendenTestKanal.h"
#include "foundation/ConfigU.h"
#include "foundation/DlgMessageU.h"
#include "platform/Registry.h"
#include "stations/PGPU.h"
#include "stations/pgp_test_fixture.h"
#include "support/TempDir.h"
#include "ui/DateiSendenDlgU.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace quarn {
namespace {

class DateiSendenPgpTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitPGPDLL({"", home.path().string()});
        config.SetComment("Gesendet mit Quarn");
    }
    void TearDown() override {
        delete dlg.data();
        verbindung->queue->Release();
    }

    TDateiSendenDlg& Oeffnen() {
        TDateiSendenUmgebung u;
        u.store = &store;
        u.config = &config;
        u.weitergabe = [this](TSendenUebergabe w) { uebergeben.push_back(std::move(w)); };
        u.pgp = [] { return std::make_unique<TPGP>(); };
        u.fragen = [this](QWidget*, const QString& caption, const QString& text, std::uint32_t) {
            fragen.push_back(caption + ": " + text);
            return mrOk;
        };
        dlg = new TDateiSendenDlg(std::move(u));
        dlg->ExecuteText(kanal, "Hallo");
        return *dlg;
    }

    test::GnupgHome home;
    test::TempDir tmp;
    RegistryStore store{tmp.path()};
    TConfig config{store};
    std::shared_ptr<test::SendenVerbindung> verbindung = std::make_shared<test::SendenVerbindung>();
    std::shared_ptr<test::SendenKanal> kanal = [this] {
        auto k = std::make_shared<test::SendenKanal>(2);
        k->Setzen(verbindung);
        return k;
    }();
    QPointer<TDateiSendenDlg> dlg;
    std::vector<TSendenUebergabe> uebergeben;
    std::vector<QString> fragen;
};

TEST_F(DateiSendenPgpTest, KeyIsListedAndAWrongPassphraseKeepsTheWizardOpen) {
    const std::string key = home.GenerateKey("Alice <alice@example.org>", "richtig");
    TDateiSendenDlg& d = Oeffnen();
    ASSERT_TRUE(d.HatPgp());
    ASSERT_EQ(d.Schluessel()->count(), 1);
    EXPECT_TRUE(d.Schluessel()->itemText(0).startsWith("Alice <alice@example.org> ["))
        << d.Schluessel()->itemText(0).toStdString();
    EXPECT_TRUE(d.PgpInfo()->text().startsWith("GnuPG "));
    EXPECT_EQ(d.Kommentar()->text(), "Gesendet mit Quarn");
    EXPECT_FALSE(d.Passwort()->isEnabled()) << "until signing is chosen";

    d.Weiter();
    d.Weiter();
    d.Signieren()->setChecked(true);
    EXPECT_TRUE(d.Passwort()->isEnabled());
    d.Passwort()->setText("falsch");
    QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots");
    EXPECT_TRUE(d.grab().save(QUARN_BINARY_DIR "/tests/screenshots/dateisenden_5_pgp_schluessel.png"));
    d.Fertigstellen();
    ASSERT_EQ(fragen.size(), 1U);
    EXPECT_EQ(fragen[0], "PGP: Falsches Passwort.");
    EXPECT_TRUE(uebergeben.empty());
    EXPECT_EQ(d.focusWidget(), d.Passwort());
    EXPECT_EQ(d.Passwort()->selectedText(), "falsch");
    EXPECT_TRUE(d.isVisible());

    d.Passwort()->setText("richtig");
    d.Kommentar()->setText("Signiert");
    d.Fertigstellen();
    ASSERT_EQ(uebergeben.size(), 1U);
    EXPECT_TRUE(uebergeben[0].signieren);
    EXPECT_EQ(uebergeben[0].key, key);
    EXPECT_EQ(uebergeben[0].passwort, "richtig");
    EXPECT_EQ(uebergeben[0].kommentar, "Signiert");
    EXPECT_EQ(config.GetComment(), "Signiert") << "kept for the next time";
}

TEST_F(DateiSendenPgpTest, SigningIsOfferedForTheTextProtocolOnly) {
    home.GenerateKey("Bob <bob@example.org>", "");
    TDateiSendenDlg& d = Oeffnen();
    EXPECT_TRUE(d.Signieren()->isEnabled());
    d.Signieren()->setChecked(true);
    d.RadioDateien()->setEnabled(true);
    d.RadioDateien()->setChecked(true);
    d.RadioProtokoll(2)->setChecked(true);
    EXPECT_FALSE(d.Signieren()->isEnabled());
    EXPECT_FALSE(d.Passwort()->isEnabled());
}

} // namespace
} // namespace quarn
