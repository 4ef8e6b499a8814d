// A channel opens its one send-file wizard through its window, brings it forward while it is open, and
// opens a new one once the wizard told it of its closing.
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalTestFixture.h"
#include "devices/channel/KanalU.h"
#include "ui/DateiSendenDlgU.h"
#include "ui/Hauptfenster.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace quarn {
namespace {

class DateiSendenKanalTest : public test::KanalFixture {
protected:
    void SetUp() override {
        KanalFixture::SetUp();
        TKanal::TUmgebung umgebung;
        umgebung.fenster = &fenster;
        umgebung.pufferOrdner = dir.path();
        kanal = TKanal::Erzeugen(2, std::move(umgebung));
    }
    void TearDown() override {
        kanal->Release();
        for (const auto& senden : fenster.senden) {
            delete senden.assistent.data();
        }
        KanalFixture::TearDown();
    }

    std::shared_ptr<TKanal> kanal;
};

TEST_F(DateiSendenKanalTest, OneWizardPerChannelUntilItCloses) {
    kanal->Senden();
    ASSERT_EQ(fenster.senden.size(), 1U);
    EXPECT_EQ(fenster.senden[0].kanal, kanal);
    EXPECT_EQ(fenster.senden[0].vorgabe.art, TSendenVorgabe::Art::Nichts);

    kanal->SendenDateien({"/tmp/a.bin"});
    kanal->SendenText("Hallo");
    EXPECT_EQ(fenster.senden.size(), 1U) << "the open wizard is brought forward";

    kanal->SendenDialogGeschlossen();
    kanal->SendenDateien({"/tmp/a.bin", "/tmp/ordner"});
    ASSERT_EQ(fenster.senden.size(), 2U);
    EXPECT_EQ(fenster.senden[1].vorgabe.art, TSendenVorgabe::Art::Dateien);
    EXPECT_EQ(fenster.senden[1].vorgabe.dateien.size(), 2U);

    kanal->SendenDialogGeschlossen();
    kanal->SendenText("Hallo\r");
    ASSERT_EQ(fenster.senden.size(), 3U);
    EXPECT_EQ(fenster.senden[2].vorgabe.art, TSendenVorgabe::Art::Text);
    EXPECT_EQ(fenster.senden[2].vorgabe.text, "Hallo\r");
}

// A wizard that is gone without a word (freed with its window) is not brought forward.
TEST_F(DateiSendenKanalTest, AFreedWizardIsForgotten) {
    kanal->Senden();
    ASSERT_EQ(fenster.senden.size(), 1U);
    fenster.senden[0].assistent->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    kanal->Senden();
    EXPECT_EQ(fenster.senden.size(), 2U);
}

TEST_F(DateiSendenKanalTest, AReleasedChannelOpensNothing) {
    kanal->Release();
    kanal->Senden();
    EXPECT_TRUE(fenster.senden.empty());
}

// The program's own path: the main window opens the wizard over itself, and F-keys in the wizard switch
// channels as they do in the window.
TEST(DateiSendenHauptfenster, TheMainWindowOpensTheWizardForTheChannel) {
    THauptfenster window(QUARN_BINARY_DIR "/bin/quarn.fon");
    window.show();
    ASSERT_NE(TKanaele::Instance(), nullptr);
    const std::shared_ptr<IKanal> kanal = TKanaele::Instance()->GetKanal(2);
    ASSERT_NE(kanal, nullptr);

    kanal->Senden();
    QPointer<TDateiSendenDlg> dlg = window.findChild<TDateiSendenDlg*>();
    ASSERT_FALSE(dlg.isNull());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(dlg->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(dlg->windowTitle(), "Senden - nicht verbunden");
    kanal->SendenText("Hallo");
    EXPECT_EQ(window.findChildren<TDateiSendenDlg*>().size(), 1) << "one per channel";

    dlg->RadioText()->setChecked(true);
    dlg->Weiter();
    dlg->TextMemo()->setFocus();
    QApplication::setActiveWindow(dlg);
    QKeyEvent f3(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : dlg.data(), &f3);
    EXPECT_EQ(TKanaele::Instance()->GetAktuellNr(), 3);

    dlg->ButtonAbbrechen()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());
    kanal->SendenDateien({});
    EXPECT_EQ(window.findChildren<TDateiSendenDlg*>().size(), 1) << "a new one after the first closed";
}

} // namespace
} // namespace quarn
