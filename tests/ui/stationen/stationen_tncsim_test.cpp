// The station window in the whole program: a station set up there to reject incoming links is refused
// when it calls through the simulated TNC, and what was set is in the file at the program's end.
#include "StationenTncSim.h"

namespace quarn {
namespace {

using test::StationenTncSim;

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
