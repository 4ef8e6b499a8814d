// The program's hints and the connect dialog's completion as an operator meets them: the main window
// with a host-mode device on a simulated TNC behind a pseudo-terminal. Resting over a channel button or
// a toolbar button shows its hint in the program's own hint window, Ctrl+H shows the channel's hint
// below its button, and the connect dialog completes a destination from its history while it is typed.
#include "controls/ComboBoxKio.h"
#include "controls/HintWindowKio.h"
#include "devices/GeraetU.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "foundation/HintWindowU.h"
#include "foundation/SynchronizeU.h"
#include "platform/Registry.h"
#include "platform/SerialPort.h"
#include "support/RunEvents.h"
#include "tools/tncsim/PtySim.h"
#include "tools/tncsim/SimAir.h"
#include "tools/tncsim/TncSimCore.h"
#include "ui/BefehlConnectU.h"
#include "ui/BefehlVerlauf.h"
#include "ui/Hauptfenster.h"

#include "TncSimProgramm.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

// The program's own hint windows on the screen.
std::vector<QWidget*> ShownHintWindows() {
    std::vector<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "THintWindowKio" && w->isVisible()) {
            shown.push_back(w);
        }
    }
    return shown;
}

class HauptfensterHinweise : public ::testing::Test {
protected:
    HauptfensterHinweise()
        : programm_(3, [](tncsim::SimAir& air) {
              air.AddStation({"DB0ECH", tncsim::StationBehaviour::Echo, {}, -1, {}});
          }) {
        RegistryStore::Instance().WriteString(Hive::CurrentUser, kVerlaufKey, kVerlaufStation,
                                              "DL1ABC,DB0ECH,DB0XYZ");
    }
    ~HauptfensterHinweise() override {
        CloseChannelHint();
        window_.reset();
        RegistryStore::Instance().DeleteKey(Hive::CurrentUser, std::string(kVerlaufKey));
    }

    void Start() {
        window_ = std::make_unique<THauptfenster>(kFontFile);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        const std::shared_ptr<TGeraet> device = TGeraete::Instance()->Geraete()[0];
        ASSERT_TRUE(test::RunEventsUntil([&] { return device->GetStatus() == TGeraetStatus::Bereit; }))
            << device->GetStatusText();
    }

    // Rests the pointer over `widget` and waits for the hint window to show `text`.
    ::testing::AssertionResult HintAfterRest(QWidget* widget, const QString& text) {
        QTest::mouseMove(widget, widget->rect().center());
        const bool shown = test::RunEventsUntil(
            [&] {
                const auto windows = ShownHintWindows();
                return windows.size() == 1 && windows[0]->geometry().contains(QCursor::pos() + QPoint(2, 24));
            },
            3000);
        if (!shown) {
            return ::testing::AssertionFailure() << "no hint over " << widget->objectName().toStdString();
        }
        const auto* hint = dynamic_cast<const THintWindowKio*>(ShownHintWindows()[0]);
        if (hint == nullptr || hint->Text() != text) {
            return ::testing::AssertionFailure() << "the hint shows another text";
        }
        return ::testing::AssertionSuccess();
    }

    // The connect dialog: typed "db0" completes to the first destination of the history beginning so,
    // Delete in the open list drops an entry for good; then channel 1 connects to the echo station.
    void ConnectDialogCompletes() {
        bool dialogSeen = false;
        QString completed;
        QString selected;
        int left = -1;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = dynamic_cast<TDlgBefehlConnect*>(QApplication::activeModalWidget());
            if (dialog == nullptr || dialogSeen) {
                return;
            }
            dialogSeen = true;
            TComboBoxKio* combo = dialog->CallCombo();
            combo->setFocus();
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo, "db0");
            completed = combo->currentText();
            selected = combo->lineEdit()->selectedText();
            combo->showPopup();
            combo->view()->setCurrentIndex(combo->model()->index(2, 0));
            QTest::keyClick(combo->view(), Qt::Key_Delete);
            left = combo->count();
            combo->hidePopup();
            combo->setEditText("DB0ECH");
            dialog->ButtonOk()->click();
        });
        answer.start(20);
        window_->findChild<QAction*>("ActionConnect")->trigger();
        answer.stop();
        ASSERT_TRUE(dialogSeen);
        EXPECT_EQ(completed, "DB0ECH");
        EXPECT_EQ(selected, "ECH");
        EXPECT_EQ(left, 2);
        const std::string stored = RegistryStore::Instance()
                                       .ReadString(Hive::CurrentUser, kVerlaufKey, kVerlaufStation)
                                       .value_or("");
        EXPECT_EQ(stored.find("DB0XYZ"), std::string::npos) << stored;
        ASSERT_TRUE(test::RunEventsUntil(
            [] { return TKanaele::Instance()->GetTKanal(1)->GetVerbindung() != nullptr; }));
    }

    test::TncSimProgramm programm_;
    std::unique_ptr<THauptfenster> window_;
};

TEST_F(HauptfensterHinweise, CompletionInTheConnectDialogAndHintsInTheProgramsOwnWindow) {
    Start();
    ConnectDialogCompletes();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    auto* channelButton = window_->findChild<QToolButton*>("ChannelButton01");
    ASSERT_NE(channelButton, nullptr);
    ASSERT_FALSE(channelButton->toolTip().isEmpty());
    EXPECT_TRUE(HintAfterRest(channelButton, HintLines(channelButton->toolTip())));

    auto* toolbar = window_->findChild<QToolBar*>("ToolBar");
    ASSERT_NE(toolbar, nullptr);
    QToolButton* connectButton = nullptr;
    for (QToolButton* button : toolbar->findChildren<QToolButton*>()) {
        if (button->defaultAction() != nullptr && button->defaultAction()->objectName() == "ActionConnect") {
            connectButton = button;
        }
    }
    ASSERT_NE(connectButton, nullptr);
    EXPECT_TRUE(HintAfterRest(connectButton, connectButton->toolTip()));

    // Ctrl+H: the hint of the current channel below its button, in the same kind of window.
    QTest::keyClick(window_.get(), Qt::Key_H, Qt::ControlModifier);
    ASSERT_NE(ChannelHint(), nullptr);
    EXPECT_TRUE(ChannelHint()->HintShown());
    QWidget* current = window_->findChild<QToolButton*>("ChannelButton01");
    const QPoint below = current->mapToGlobal(QPoint(0, current->height() + 3));
    const auto windows = ShownHintWindows();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0]->pos(), below);

    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(windows[0]->grab().save(folder + "hints_channel_ctrl_h.png"));
}

} // namespace
} // namespace quarn
