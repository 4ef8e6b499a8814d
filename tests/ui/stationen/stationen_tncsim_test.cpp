// The station window in the whole program: a station set up there to reject incoming links is refused
// when it calls through the simulated TNC, and what was set is in the file at the program's end.
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "stations/StationenDatenbankU.h"
#include "support/RunEvents.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"
#include "ui/Hauptfenster.h"
#include "ui/stationen/StationenDatenbankDlg.h"
#include "ui/stationen/StationenDatenbankEditDlg.h"

#include "../../devices/TraceLines.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";
constexpr const char* kQuarnKey = "\\Software\\Velmoor\\Quarn";

class StationenTncSim : public ::testing::Test {
protected:
    StationenTncSim() {
        InitializeSynchronize();
        air_.Attach(core_);
        pty_ = std::make_unique<tncsim::PtySim>(core_);
        RegistryStore& store = RegistryStore::Instance();
        store.WriteString(Hive::LocalMachine, kSerialPortTableKey, "COM5", pty_->SlavePath());
        const std::string device = std::string(kQuarnKey) + "\\Geraete\\0";
        store.WriteString(Hive::LocalMachine, device, "", "TGeraetHostmodeSerial");
        store.WriteDWord(Hive::LocalMachine, device, "Anschluss", 5);
        store.WriteDWord(Hive::LocalMachine, device, "Baudrate", 0x9600);
        store.WriteDWord(Hive::CurrentUser, std::string(kQuarnKey) + "\\Eigene Rufzeichen\\DL1QRN", "SSIDs",
                         1);
    }
    ~StationenTncSim() override {
        window_.reset();
        pty_->Stop();
        RegistryStore& store = RegistryStore::Instance();
        store.DeleteKey(Hive::LocalMachine, std::string(kQuarnKey) + "\\Geraete");
        store.DeleteKey(Hive::CurrentUser, std::string(kQuarnKey) + "\\Eigene Rufzeichen");
        FinalizeSynchronize();
    }

    void Start() {
        window_ = std::make_unique<THauptfenster>(kFontFile);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        ASSERT_EQ(TGeraete::Instance()->Count(), 1);
        const std::shared_ptr<TGeraet> device = TGeraete::Instance()->Geraete()[0];
        ASSERT_TRUE(test::RunEventsUntil([&] { return device->GetStatus() == TGeraetStatus::Bereit; }))
            << device->GetStatusText();
    }

    tncsim::SimAir air_;
    tncsim::TncSimCore core_{tncsim::ConfigFor(tncsim::Identity::Tnc2)};
    std::unique_ptr<tncsim::PtySim> pty_;
    std::unique_ptr<THauptfenster> window_;
};

TEST_F(StationenTncSim, AStationSetToRejectIsRefusedAndLeftSoInTheFile) {
    Start();
    window_->findChild<QAction*>("ActionStationenDatenbank")->trigger();
    auto* dlg = dynamic_cast<TStationenDatenbankDlg*>(window_->StationenFenster());
    ASSERT_NE(dlg, nullptr);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* neu = dynamic_cast<TStationenDatenbankEditDlg*>(QApplication::activeModalWidget())) {
            neu->RufzeichenEdit()->setText("db0ech");
            neu->OkButton()->click();
        }
    });
    answer.start(10);
    dlg->HinzufuegenButton()->click();
    answer.stop();
    ASSERT_EQ(dlg->GezeigteStation(), "DB0ECH");
    dlg->NameEdit()->setText("Echo");
    dlg->TypCombobox()->setCurrentText("Mailbox");
    dlg->FirewallCheckbox()->click();
    dlg->FirewallCombobox()->setCurrentText("abweisen");
    dlg->SchliessenButton()->click();

    test::TraceLines trace;
    air_.AddStation({"DB0ECH", tncsim::StationBehaviour::Echo, {}, 0, {}});
    EXPECT_TRUE(test::RunEventsUntil([&] {
        return trace.Contains("Verbindungswunsch von DB0ECH abgelehnt.");
    })) << trace.Text("DB0ECH");

    // The program's end writes the file; the next run's database finds the station as it was left.
    window_->close();
    window_.reset();
    const TStationenDatenbank naechsterStart(false);
    const auto station = StationenDatenbank()->GetEintrag("DB0ECH");
    ASSERT_NE(station, nullptr);
    EXPECT_EQ(station->GetName(), "Echo");
    EXPECT_EQ(station->GetTyp(), TStationType::st_box);
    EXPECT_EQ(station->GetFirewall(), TIncomingConnects::Reject);
}

} // namespace
} // namespace quarn
