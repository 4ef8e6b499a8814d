#pragma once

// The whole program, its main window and host-mode device, against the simulated TNC on a
// pseudo-terminal, for the station window's tests. One program run per test process: the program's end
// is final for the process.
#include "StationenSeitenBedienung.h"
#include "console/ConsoleU.h"
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "foundation/OrdnerU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "platform/audio_test_support.h"
#include "stations/StationenDatenbankU.h"
#include "support/RunEvents.h"
#include "support/TempDir.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"
#include "ui/Hauptfenster.h"
#include "ui/stationen/StationenDatenbankDlg.h"
#include "ui/stationen/StationenDatenbankEditDlg.h"

#include "TncSimProgramm.h"
#include "devices/TraceLines.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace quarn::test {

inline const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

// Every channel's console, joined by LF.
inline std::string Konsolen() {
    std::string text;
    TKanaele& kanaele = *TKanaele::Instance();
    for (int number = 0; number <= kanaele.GetAnzahl(); ++number) {
        const auto kanal = kanaele.GetTKanal(number);
        if (!kanal) {
            continue;
        }
        TConsole& console = *kanal->GetConsole();
        for (int row = 0; row < console.Rows(); ++row) {
            std::string line(reinterpret_cast<const char*>(console.TextPtr(0, row)), console.Cols());
            line.erase(line.find_last_not_of(' ') + 1);
            if (!line.empty()) {
                text += line + '\n';
            }
        }
    }
    return text;
}

inline tncsim::StationSpec Skript(const char* call, const std::string& script) {
    tncsim::StationSpec spec{call, tncsim::StationBehaviour::Script, {}, 0, {}};
    std::string error;
    EXPECT_TRUE(tncsim::ParseScript(script, spec.script, error)) << error;
    return spec;
}

class StationenTncSim : public ::testing::Test {
protected:
    StationenTncSim() : programm_(1), air_(programm_.Air()) {}
    ~StationenTncSim() override { window_.reset(); }

    void Start() {
        window_ = std::make_unique<THauptfenster>(kFontFile);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        ASSERT_EQ(TGeraete::Instance()->Count(), 1);
        const std::shared_ptr<TGeraet> device = TGeraete::Instance()->Geraete()[0];
        ASSERT_TRUE(test::RunEventsUntil([&] { return device->GetStatus() == TGeraetStatus::Bereit; }))
            << device->GetStatusText();
    }

    // The new call's window: "Neues Rufzeichen..." answered with the call.
    void StationAnlegen(TStationenDatenbankDlg& dlg, const char* call) {
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [call] {
            if (auto* neu = dynamic_cast<TStationenDatenbankEditDlg*>(QApplication::activeModalWidget())) {
                neu->RufzeichenEdit()->setText(call);
                neu->OkButton()->click();
            }
        });
        answer.start(10);
        dlg.HinzufuegenButton()->click();
    }

    TStationenDatenbankDlg* StationenOeffnen() {
        window_->findChild<QAction*>("ActionStationenDatenbank")->trigger();
        return dynamic_cast<TStationenDatenbankDlg*>(window_->StationenFenster());
    }

    TncSimProgramm programm_;
    tncsim::SimAir& air_;
    std::unique_ptr<THauptfenster> window_;
};

} // namespace quarn::test
