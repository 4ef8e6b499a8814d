// The settings pages Monitor, Anzeige and Dateien in the running program: the main window with a
// host-mode device on a simulated TNC behind a pseudo-terminal, the pages applied as the settings window
// applies them, and what the device, the consoles and a received file make of it, also after a restart.
#include "console/ConsoleU.h"
#include "controls/Colorbtn.h"
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/OrdnerU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "support/FileContents.h"
#include "support/RunEvents.h"
#include "support/TempDir.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"
#include "ui/BefehlConnectU.h"
#include "ui/Hauptfenster.h"

#include "TncSimProgramm.h"
#include "ui/einstellungen/EinstellungenAnzeige.h"
#include "ui/einstellungen/EinstellungenDateien.h"
#include "ui/einstellungen/EinstellungenMonitor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

using test::ConsoleText;

bool Enthaelt(const std::string& text, const char* muster) {
    return std::regex_search(text, std::regex(muster));
}

class EinstellungenTncSim : public ::testing::Test {
protected:
    EinstellungenTncSim()
        : programm_(3, [](tncsim::SimAir& air) {
              air.AddStation({"DB0ECH", tncsim::StationBehaviour::Echo, {}, -1, {}});
              // A mailbox that sends a small file by AutoBIN right after the connect.
              air.AddStation({"DB0BOX",
                              tncsim::StationBehaviour::Script,
                              {{tncsim::ScriptStep::Kind::Send, "#BIN#5#probe.txt\r"},
                               {tncsim::ScriptStep::Kind::Expect, "#OK#"},
                               {tncsim::ScriptStep::Kind::Send, "Hallo"}},
                              -1,
                              {}});
              air.AddBeacon({"DB0BCN", 500, "Hallo vom Bakensender", "BEACON"});
          }) {}
    ~EinstellungenTncSim() override { window_.reset(); }

    // The program starts and its device comes up on the simulator.
    void Starten() {
        // One run per process is the program's way: the quit event its last end set goes first.
        QuitEvent().Reset();
        window_ = std::make_unique<THauptfenster>(kFontFile);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        ASSERT_EQ(TGeraete::Instance()->Count(), 1);
        const std::shared_ptr<TGeraet> device = TGeraete::Instance()->Geraete()[0];
        ASSERT_TRUE(test::RunEventsUntil([&] { return device->GetStatus() == TGeraetStatus::Bereit; }))
            << device->GetStatusText();
    }

    // The connect dialog on the current channel, filled in and confirmed as an operator does.
    void Verbinden(const std::string& call) {
        bool gesehen = false;
        QTimer antwort;
        QObject::connect(&antwort, &QTimer::timeout, [&] {
            auto* dialog = dynamic_cast<TDlgBefehlConnect*>(QApplication::activeModalWidget());
            if (dialog == nullptr || gesehen) {
                return;
            }
            gesehen = true;
            dialog->CallCombo()->setEditText(QString::fromStdString(call));
            dialog->ButtonOk()->click();
        });
        antwort.start(20);
        window_->findChild<QAction*>("ActionConnect")->trigger();
        antwort.stop();
        ASSERT_TRUE(gesehen);
        ASSERT_TRUE(test::RunEventsUntil([&] {
            return ConsoleText(1).find("Verbunden mit " + call) != std::string::npos;
        })) << ConsoleText(1);
    }

    test::TncSimProgramm programm_;
    std::unique_ptr<THauptfenster> window_;
};

TEST_F(EinstellungenTncSim, MonitorFlagsReachTheRunningDeviceAndTheMonitorLines) {
    Starten();
    std::atomic<bool> ohneI{false};
    const ScopedTraceCapture trace([&ohneI](std::string_view line) {
        if (line.find("SetMonitor") != std::string_view::npos && line.find("MUS") != std::string_view::npos) {
            ohneI = true;
        }
    });
    {
        TEinstellungenMonitor page(nullptr);
        ASSERT_TRUE(page.Kasten(0x4)->isChecked());
        page.Kasten(0x4)->click();
        page.Kasten(0x100)->click();
        page.Apply();
    }
    // The device hands the TNC its new monitor mode on its next full poll.
    ASSERT_TRUE(test::RunEventsUntil([&] { return ohneI.load(); }, 20000));
    TKanaele::Instance()->GetTKanal(0)->ClearConsole();

    Verbinden("DB0ECH");
    auto* editor = qobject_cast<QTextEdit*>(window_->findChild<QWidget*>("Eingabe01"));
    ASSERT_NE(editor, nullptr);
    editor->setFocus();
    editor->setPlainText("Hallo Echo");
    editor->moveCursor(QTextCursor::End);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(editor, &enter);
    ASSERT_TRUE(test::RunEventsUntil([] {
        const std::string text = ConsoleText(1);
        return text.find("Hallo Echo") != text.rfind("Hallo Echo");
    })) << ConsoleText(1);
    // A beacon after the echo: the monitor has caught up with the link.
    ASSERT_TRUE(test::RunEventsUntil([] {
        const std::string text = ConsoleText(0);
        return Enthaelt(text, "RR") && text.find("Hallo vom Bakensender") != std::string::npos;
    })) << ConsoleText(0);
    const std::string ohne = ConsoleText(0);
    EXPECT_TRUE(Enthaelt(ohne, R"(\[DL1QRN[^\]]* > DB0ECH SABM)")) << ohne;
    EXPECT_FALSE(Enthaelt(ohne, R"( I[0-7][0-7])")) << "no I frame headers:\n" << ohne;
    EXPECT_FALSE(Enthaelt(ohne, R"(\[\d+: )")) << ohne;

    {
        TEinstellungenMonitor page(nullptr);
        page.Kasten(0x100)->click();
        page.Apply();
    }
    TKanaele::Instance()->GetTKanal(0)->ClearConsole();
    ASSERT_TRUE(test::RunEventsUntil([] { return Enthaelt(ConsoleText(0), R"(\[\d{3}: DB0BCN > BEACON)"); }))
        << ConsoleText(0);
}

TEST_F(EinstellungenTncSim, DisplayFolderAndMonitorSettingsApplyAtOnceAndAreKeptAfterARestart) {
    test::TempDir ziel;
    Starten();
    std::int32_t monitor = 0;
    {
        TEinstellungenMonitor page(nullptr);
        page.Kasten(0x100)->click();
        page.Kasten(0x10)->click();
        monitor = page.Flags();
        page.Apply();
    }

    const TColorDialogSeam saved = ColorDialogSeam();
    ColorDialogSeam() = [](const TColorDialogRequest&) { return std::optional<std::uint32_t>(0x00006000); };
    {
        TEinstellungenAnzeige page(nullptr);
        const auto gefunden = page.SchriftListe()->findItems("10x18", Qt::MatchExactly);
        ASSERT_EQ(gefunden.size(), 1);
        page.SchriftListe()->setCurrentItem(gefunden[0]);
        page.FarbKnopf(0)->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
        QApplication::sendEvent(page.FarbKnopf(0), &press);
        QApplication::sendEvent(page.FarbKnopf(0), &release);
        page.Apply();
    }
    ColorDialogSeam() = saved;
    for (const int number : {0, 1, TKanaele::Instance()->GetAnzahl()}) {
        EXPECT_EQ(TKanaele::Instance()->GetTKanal(number)->GetConsole()->font().family(), "quarn 10x18");
    }
    EXPECT_EQ(TKanaele::Instance()->GetTKanal(1)->GetConsole()->Color(), QColor(0, 0x60, 0));

    {
        TEinstellungenDateien page(nullptr);
        QTimer waehlen;
        QObject::connect(&waehlen, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QFileDialog*>(widget);
                    dialog != nullptr && dialog->isVisible()) {
                    waehlen.stop();
                    dialog->selectFile(QString::fromStdString(ziel.path().string()));
                    QMetaObject::invokeMethod(dialog, "accept");
                    return;
                }
            }
        });
        waehlen.start(5);
        page.EmpfangWaehlen()->click();
        ASSERT_EQ(page.Empfang()->text().toStdString(), ziel.path().string());
        page.Apply();
    }
    Verbinden("DB0BOX");
    const std::filesystem::path datei = ziel / "probe.txt";
    ASSERT_TRUE(test::RunEventsUntil([&] {
        return std::filesystem::exists(datei) && test::ReadFile(datei) == "Hallo";
    })) << ConsoleText(1);

    window_->findChild<QAction*>("ActionDisconnect")->trigger();
    ASSERT_TRUE(
        test::RunEventsUntil([] { return TKanaele::Instance()->GetTKanal(1)->GetVerbindung() == nullptr; }));
    window_->close();
    window_.reset();

    Starten();
    EXPECT_EQ(Config()->GetFont(), "10x18");
    EXPECT_EQ(Config()->GetColor(0), 0x00006000U);
    EXPECT_EQ(TKanaele::Instance()->GetTKanal(1)->GetConsole()->font().family(), "quarn 10x18");
    EXPECT_EQ(TKanaele::Instance()->GetTKanal(1)->GetConsole()->Color(), QColor(0, 0x60, 0));
    EXPECT_EQ(TOrdner().GetEmpfang(), ziel.path() / "");
    EXPECT_EQ(Config()->GetMonitorFlags(), monitor);
}

} // namespace
} // namespace quarn
