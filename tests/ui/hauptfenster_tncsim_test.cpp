// The whole program as an operator uses it: the main window with a host-mode device on a simulated TNC
// behind a pseudo-terminal, configured in the registry as the README says. The device comes up, the
// monitor hears a beacon, the connect dialog connects channel 1 to an echo station, a typed line comes
// back, the disconnect action ends the link and closing the window ends the run cleanly.
#include "console/ConsoleU.h"
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "support/RunEvents.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"
#include "ui/BefehlConnectU.h"
#include "ui/Hauptfenster.h"

#include "TncSimProgramm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";
constexpr const char* kQuarnKey = "\\Software\\Velmoor\\Quarn";

// Every line the console of channel `number` holds, joined by LF.
using test::ConsoleText;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class HauptfensterTncSim : public ::testing::Test {
protected:
    HauptfensterTncSim()
        : programm_(3, [](tncsim::SimAir& air) {
              air.AddStation({"DB0ECH", tncsim::StationBehaviour::Echo, {}, -1, {}});
              air.AddBeacon({"DB0BCN", 500, "Hallo vom Bakensender", "BEACON"});
          }) {}

    QAction* Action(const char* name) const { return window_->findChild<QAction*>(name); }

    test::TncSimProgramm programm_;
    std::unique_ptr<THauptfenster> window_;
};

TEST_F(HauptfensterTncSim, ConnectEchoDisconnectAndACleanEnd) {
    window_ = std::make_unique<THauptfenster>(kFontFile);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_NE(TGeraete::Instance(), nullptr);
    ASSERT_EQ(TGeraete::Instance()->Count(), 1);
    const std::shared_ptr<TGeraet> device = TGeraete::Instance()->Geraete()[0];
    ASSERT_TRUE(test::RunEventsUntil([&] { return device->GetStatus() == TGeraetStatus::Bereit; }))
        << device->GetStatusText();
    ASSERT_TRUE(test::RunEventsUntil([] {
        return ConsoleText(0).find("Hallo vom Bakensender") != std::string::npos;
    })) << ConsoleText(0);

    // The connect dialog, as the operator fills it in: the destination typed, OK clicked.
    bool dialogSeen = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = dynamic_cast<TDlgBefehlConnect*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialogSeen) {
            return;
        }
        dialogSeen = true;
        dialog->CallCombo()->setEditText("DB0ECH");
        dialog->ButtonOk()->click();
    });
    answer.start(20);
    QAction* connect = Action("ActionConnect");
    ASSERT_NE(connect, nullptr);
    connect->trigger();
    answer.stop();
    ASSERT_TRUE(dialogSeen);
    EXPECT_EQ(TKanaele::Instance()->GetAktuellNr(), 1);
    ASSERT_TRUE(test::RunEventsUntil([] {
        return ConsoleText(1).find("Verbunden mit DB0ECH") != std::string::npos;
    })) << ConsoleText(1);

    auto* editor = qobject_cast<QTextEdit*>(window_->findChild<QWidget*>("Eingabe01"));
    ASSERT_NE(editor, nullptr);
    editor->setFocus();
    editor->setPlainText("Hallo Echo");
    editor->moveCursor(QTextCursor::End);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(editor, &enter);
    // Once as sent, once as it came back.
    ASSERT_TRUE(test::RunEventsUntil([] { return Count(ConsoleText(1), "Hallo Echo") >= 2; }))
        << ConsoleText(1);

    Action("ActionDisconnect")->trigger();
    ASSERT_TRUE(
        test::RunEventsUntil([] { return TKanaele::Instance()->GetTKanal(1)->GetVerbindung() == nullptr; }));

    window_->close();
    window_.reset();
    EXPECT_EQ(RegistryStore::Instance().ReadString(Hive::CurrentUser, kQuarnKey, "Dirty"), "0");
}

} // namespace
} // namespace quarn
