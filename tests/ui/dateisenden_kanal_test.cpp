// A channel opens its one send-file wizard through its window, brings it forward while it is open, and
// opens a new one once the wizard told it of its closing.
#include "devices/KanalTestFixture.h"
#include "devices/KanalU.h"

#include <QCoreApplication>
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

} // namespace
} // namespace quarn
