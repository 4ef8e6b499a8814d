// End to end: a file chosen in the send-file wizard goes over the simulated air to a second station,
// whole or split into parts, by AutoBIN and by DIDADIT, and arrives whole in its receive folder.
#include "DateiSendenTestKanal.h"
#include "connections/StackTransfer.h"
#include "platform/Registry.h"
#include "ui/DateiSendenDlgU.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace quarn::test {
namespace {

constexpr std::time_t kDatum = 1686832496;

class DateiSendenStackTest : public StackTransferTest {
protected:
    void TearDown() override {
        delete dlg.data();
        kanal->Setzen(nullptr);
        StackTransferTest::TearDown();
    }

    // Opens the wizard on A's link with the file, chooses the protocol and (with a part size) splitting,
    // and presses Finish.
    std::function<void()> Assistent(const std::filesystem::path& datei, std::uint8_t protokoll, int teilKib) {
        return [this, datei, protokoll, teilKib] {
            kanal->Setzen(atA_->Connection());
            TDateiSendenUmgebung u;
            u.store = &store;
            u.weitergabe = PraeprozessorAusfuehren;
            u.fragen = [this](QWidget*, const QString& caption, const QString& text, std::uint32_t) {
                ADD_FAILURE() << caption.toStdString() << ": " << text.toStdString();
                return 0;
            };
            dlg = new TDateiSendenDlg(std::move(u));
            dlg->ExecuteFiles(kanal, {datei});
            dlg->RadioProtokoll(protokoll)->setChecked(true);
            dlg->Weiter();
            ASSERT_EQ(dlg->AktuelleSeite(), TDateiSendenDlg::SeiteTeile);
            dlg->Teilen()->setChecked(teilKib > 0);
            if (teilKib > 0) {
                dlg->TeilGroesse()->setText(QString::number(teilKib));
            }
            ASSERT_TRUE(dlg->ButtonFertig()->isEnabled());
            dlg->Fertigstellen();
            // Items leave the queue only when sent: the parts are all still there.
            const auto queue = atA_->Connection()->GetDateiSendenQueue();
            queue->Lock();
            const int anzahl = queue->GetCount();
            const std::string erster = anzahl > 0 ? queue->GetItems(0)->GetAnzeigename() : "";
            queue->UnLock();
            EXPECT_EQ(anzahl, teilKib > 0 ? 3 : 1);
            EXPECT_EQ(erster, teilKib > 0 ? "geteilt.b01" : "ganz.bin");
        };
    }

    void Senden(std::uint8_t protokoll) {
        const std::string ganz = StackData(9000, protokoll);
        Uebertrage(Assistent(Quelldatei("ganz.bin", ganz, kDatum), protokoll, 0),
                   {empfang_.path() / "ganz.bin", ganz, std::nullopt}, false);

        // 12,000 bytes at 5 kB: three parts, each a transfer of its own, joined on arrival.
        const std::string geteilt = StackData(12000, protokoll + 1);
        Uebertrage(Assistent(Quelldatei("geteilt.bin", geteilt, kDatum), protokoll, 5),
                   {empfang_.path() / "geteilt.bin", geteilt, std::nullopt}, false);
        for (const char* teil : {"geteilt.b01", "geteilt.b02", "geteilt.b03"}) {
            EXPECT_FALSE(std::filesystem::exists(empfang_.path() / teil)) << teil << " joined and gone";
        }
    }

    TempDir registry;
    RegistryStore store{registry.path()};
    std::shared_ptr<SendenKanal> kanal = std::make_shared<SendenKanal>(1);
    QPointer<TDateiSendenDlg> dlg;
};

TEST_F(DateiSendenStackTest, AutobinWholeAndInParts) {
    Senden(2);
}

TEST_F(DateiSendenStackTest, DidaditWholeAndInParts) {
    Senden(5);
}

} // namespace
} // namespace quarn::test
