// The settings window in the whole program against the simulated TNC on a pseudo-terminal: a baud rate
// changed on the device page restarts the device on the same port, and the general page's channel count
// and a second own call reach the channels and the TNC at once.
#include "EinstellungenTestHilfen.h"

#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/hostmode/GeraetHostmodeDialog.h"
#include "foundation/GlobalU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "stations/MyCallsU.h"
#include "support/RunEvents.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"
#include "ui/Hauptfenster.h"

#include "TncSimProgramm.h"
#include "ui/editoren/EinstellungenRufzeichenForm.h"
#include "ui/einstellungen/EinstellungenAllgemein.h"
#include "ui/einstellungen/EinstellungenGeraete.h"
#include "ui/einstellungen/EinstellungenU.h"

#include "controls/NumEditU.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <string>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

class EinstellungenTncSim : public ::testing::Test {
protected:
    EinstellungenTncSim()
        : programm_(1, [](tncsim::SimAir& air) {
              air.AddStation({"DB0ECH", tncsim::StationBehaviour::Echo, {}, -1, {}});
              air.AddBeacon({"DB0BCN", 10000, "Hallo", "BEACON"});
          }) {
        window_ = std::make_unique<THauptfenster>(kFontFile);
        window_->show();
        QApplication::setActiveWindow(window_.get());
    }
    ~EinstellungenTncSim() override {
        window_.reset();
        // The window's end sets the program's quit event; the next test's device must run.
        QuitEvent().Reset();
    }

    TEinstellungenForm& Oeffnen() {
        window_->Action("ActionSettings")->trigger();
        auto* form = qobject_cast<TEinstellungenForm*>(window_->EinstellungenFenster());
        EXPECT_NE(form, nullptr);
        return *form;
    }
    std::shared_ptr<TGeraet> Bereit() {
        const std::shared_ptr<TGeraet> device = TGeraete::Instance()->Geraete().at(0);
        EXPECT_TRUE(test::RunEventsUntil([&] { return device->GetStatus() == TGeraetStatus::Bereit; }))
            << device->GetStatusText();
        return device;
    }
    bool HatBefehl(const std::string& teil) const {
        for (const tncsim::ReceivedFrame& frame : programm_.Core().Received()) {
            if (frame.command && frame.data.find(teil) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    test::TncSimProgramm programm_;
    std::unique_ptr<THauptfenster> window_;
};

TEST_F(EinstellungenTncSim, ABaudRateSetInTheDevicesOwnDialogRestartsItOnTheSamePort) {
    const std::shared_ptr<TGeraet> device = Bereit();
    EXPECT_EQ(device->GetStatusDetail(), "COM5, 38400");
    TEinstellungenForm& form = Oeffnen();
    form.Tabs().setCurrentIndex(1);
    auto& seite = dynamic_cast<TEinstellungenGeraete&>(*form.Seite(1));
    test::Antworten antworten([](QWidget& modal) {
        auto* dialog = dynamic_cast<TGeraetHostmodeDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        dialog->BaudrateBox()->setCurrentText("9600");
        dialog->accept();
    });
    QPushButton* eigenschaften = nullptr;
    for (QPushButton* button : seite.findChildren<QPushButton*>()) {
        if (button->text() == "&Eigenschaften") {
            eigenschaften = button;
        }
    }
    ASSERT_NE(eigenschaften, nullptr);
    eigenschaften->click();
    EXPECT_EQ(seite.Liste().topLevelItem(0)->text(1), "COM5, 9600") << "the edit shows before OK";
    form.OkButton().click();
    ASSERT_TRUE(test::RunEventsUntil([&] {
        return device->GetStatus() == TGeraetStatus::Bereit && device->GetStatusDetail() == "COM5, 9600";
    })) << device->GetStatusText()
        << " / " << device->GetStatusDetail();
    EXPECT_EQ(RegistryStore::Instance().ReadString(Hive::LocalMachine, kSerialPortTableKey, "COM5"),
              programm_.PtyPfad());
}

TEST_F(EinstellungenTncSim, FewerChannelsAndASecondOwnCallReachTheChannelsAndTheTnc) {
    Bereit();
    TKanaele::Instance()->SetAnzahl(8);
    const int knoepfeVorher = static_cast<int>(window_->KanalLeiste()->actions().size());
    TEinstellungenForm& form = Oeffnen();
    auto& seite = dynamic_cast<TEinstellungenAllgemein&>(*form.Seite(0));
    seite.KanaeleEdit().setText("4");
    test::Antworten antworten([](QWidget& modal) {
        auto* dialog = dynamic_cast<TEinstellungenRufzeichenForm*>(&modal);
        ASSERT_NE(dialog, nullptr);
        dialog->RufzeichenEdit().setText("DL2QRN");
        for (int ssid = 0; ssid < 3; ++ssid) {
            dialog->SsidBox(ssid).setChecked(true);
        }
        dialog->OkButton().click();
    });
    seite.Hinzufuegen();
    form.OkButton().click();

    EXPECT_EQ(TKanaele::Instance()->GetAnzahl(), 4);
    EXPECT_EQ(static_cast<int>(window_->KanalLeiste()->actions().size()), knoepfeVorher - 4);
    EXPECT_TRUE(test::RunEventsUntil([this] { return HatBefehl("DL2QRN"); }))
        << "the TNC gets the new calls without a restart";
    ASSERT_EQ(MyCalls()->GetCount(), 2);
    EXPECT_EQ(MyCalls()->GetItem(1)->GetSSIDListe(), "0..2");
}

} // namespace
} // namespace quarn
