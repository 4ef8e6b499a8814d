// The main window on the offscreen platform: what a channel sees of it through IKanalFenster,
// and the program's singletons it builds and frees.
#include "connections/ConnectionsListU.h"
#include "connections/remote/RemoteCommandManagerU.h"
#include "controls/Button97.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "devices/MonitorFrameU.h"
#include "devices/VerbindenLaeuft.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/GlobalU.h"
#include "foundation/HintWindowU.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/SingleInstance.h"
#include "foundation/StartupU.h"
#include "foundation/UnhandledExceptionU.h"
#include "stations/KlaengeU.h"
#include "stations/MyCallsU.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"
#include "ui/Hauptfenster.h"
#include "ui/StandInKanalKnopf.h"

#include "stations/fake_verbindung.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

// Runs the event loop until `done` holds; false after 10 s.
template <class Condition> bool RunEventsUntil(Condition done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 10000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// The trace lines written while it lives, in order.
class Trace {
public:
    std::vector<std::string> Lines() const {
        const std::lock_guard lock(mutex_);
        return lines_;
    }
    // The index of the first line that contains `part` at or after `from`; -1 when none.
    int Find(std::string_view part, int from = 0) const {
        const std::vector<std::string> lines = Lines();
        for (int i = from; i < static_cast<int>(lines.size()); ++i) {
            if (lines[static_cast<std::size_t>(i)].find(part) != std::string::npos) {
                return i;
            }
        }
        return -1;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    ScopedTraceCapture capture_{[this](std::string_view line) {
        const std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    }};
};

std::vector<QString> Captions(const QToolBar& toolbar) {
    std::vector<QString> captions;
    for (const QAction* action : toolbar.actions()) {
        captions.push_back(action->text());
    }
    return captions;
}

// The window's widgets alone, without the program's singletons and channels.
class HauptfensterFenster : public ::testing::Test {
protected:
    std::unique_ptr<THauptfenster> window_ = std::make_unique<THauptfenster>(kFontFile);
};

// The channel buttons on a toolbar of their own, as the window's channel toolbar holds them.
TEST(KanalKnopf, ChannelButtonsLineUpWithTheMonitorLastAndOneCheckedAtATime) {
    QToolBar toolbar;
    QActionGroup group(&toolbar);
    group.setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    std::vector<int> clicked;
    std::vector<std::unique_ptr<IKanalKnopf>> buttons;
    for (int number = 0; number <= 3; ++number) {
        buttons.push_back(std::make_unique<TStandInKanalKnopf>(
            toolbar, group, number, [&clicked, number] { clicked.push_back(number); }));
        buttons.back()->SetCaption(number == 0 ? "Monitor" : QString::number(number));
    }
    EXPECT_EQ(Captions(toolbar), (std::vector<QString>{"1", "2", "3", "Monitor"}));
    EXPECT_NE(toolbar.findChild<QWidget*>("ChannelButton02"), nullptr);

    buttons[2]->SetChecked(true);
    buttons[3]->SetChecked(true);
    EXPECT_FALSE(buttons[2]->Checked());
    EXPECT_TRUE(buttons[3]->Checked());
    // The channel unchecks its button when it stops being shown.
    buttons[3]->SetChecked(false);
    EXPECT_FALSE(buttons[3]->Checked());

    auto* button1 = qobject_cast<QToolButton*>(toolbar.findChild<QWidget*>("ChannelButton01"));
    ASSERT_NE(button1, nullptr);
    button1->click();
    EXPECT_EQ(clicked, std::vector<int>{1});

    buttons[1]->SetHint("DL1ABC|verbunden mit DL1ABC");
    EXPECT_EQ(buttons[1]->Hint(), "DL1ABC|verbunden mit DL1ABC");
    EXPECT_EQ(button1->toolTip(), "DL1ABC");
    buttons[1]->SetImage(2);
    EXPECT_EQ(buttons[1]->Image(), 2);

    // A channel without a connection has a blank caption; its button shows its number.
    buttons[1]->SetCaption("         ");
    EXPECT_EQ(buttons[1]->Caption(), "         ");
    EXPECT_EQ(button1->text(), "    1    ");

    buttons.erase(buttons.begin() + 2);
    EXPECT_EQ(Captions(toolbar), (std::vector<QString>{"    1    ", "3", "Monitor"}));
}

TEST_F(HauptfensterFenster, StatusPanelsAndProgressShowWhatTheChannelSets) {
    IKanalFenster& fenster = *window_;
    struct Case {
        const char* what;
        std::function<void()> call;
        std::function<void()> check;
    };
    const std::vector<Case> cases{
        {"state text", [&] { fenster.SetStatusPanel(0, "Verbunden"); },
         [&] {
             EXPECT_EQ(fenster.StatusPanel(0), "Verbunden");
             EXPECT_EQ(window_->StatusLabel(0)->text(), "Verbunden");
         }},
        {"own call, the last channel panel", [&] { fenster.SetStatusPanel(8, "DL1XYZ-3"); },
         [&] { EXPECT_EQ(window_->StatusLabel(8)->text(), "DL1XYZ-3"); }},
        {"a panel beyond the bar is ignored", [&] { fenster.SetStatusPanel(11, "x"); },
         [&] { EXPECT_EQ(fenster.StatusPanel(11), ""); }},
        {"a negative panel is ignored", [&] { fenster.SetStatusPanel(-1, "x"); },
         [&] { EXPECT_EQ(fenster.StatusPanel(-1), ""); }},
        {"a transfer shows", [&] { fenster.SetFortschritt(true, "42%", 42); },
         [&] {
             EXPECT_TRUE(window_->Fortschritt()->isVisible());
             EXPECT_TRUE(window_->FortschrittText()->isVisible());
             EXPECT_EQ(window_->FortschrittText()->text(), "42%");
             EXPECT_EQ(window_->Fortschritt()->value(), 42);
         }},
        {"an impossible percentage stays on the bar", [&] { fenster.SetFortschritt(true, "?", 250); },
         [&] { EXPECT_EQ(window_->Fortschritt()->value(), 100); }},
        {"the transfer ends", [&] { fenster.SetFortschritt(false, "", 0); },
         [&] {
             EXPECT_FALSE(window_->Fortschritt()->isVisible());
             EXPECT_FALSE(window_->FortschrittText()->isVisible());
         }},
    };
    window_->show();
    EXPECT_FALSE(window_->Fortschritt()->isVisible()) << "hidden until a transfer shows";
    for (const Case& one : cases) {
        SCOPED_TRACE(one.what);
        one.call();
        one.check();
    }
    EXPECT_EQ(window_->StatusLabel(3)->toolTip(), "Tries");
}

TEST_F(HauptfensterFenster, TheActiveChannelsActionStatesAndStopImageReachTheActions) {
    TKanalAktionen state;
    state.copy = true;
    state.selectAll = true;
    state.localEchoEnabled = true;
    state.localEchoChecked = true;
    state.dosUmlauteChecked = true;
    window_->SetAktionen(state);
    EXPECT_FALSE(window_->Action("ActionEditCut")->isEnabled());
    EXPECT_TRUE(window_->Action("ActionEditCopy")->isEnabled());
    EXPECT_TRUE(window_->Action("ActionEditSelectAll")->isEnabled());
    EXPECT_FALSE(window_->Action("ActionPactorBreakin")->isEnabled());
    EXPECT_TRUE(window_->Action("ActionLocalEcho")->isChecked());
    EXPECT_TRUE(window_->Action("ActionDosUmlauteSenden")->isChecked());
    EXPECT_FALSE(window_->Action("ActionSave")->isChecked());

    window_->SetAktionen(TKanalAktionen{});
    EXPECT_FALSE(window_->Action("ActionEditCopy")->isEnabled());
    EXPECT_FALSE(window_->Action("ActionEditSelectAll")->isEnabled());
    EXPECT_FALSE(window_->Action("ActionLocalEcho")->isChecked());

    window_->SetStopBild(9);
    EXPECT_TRUE(window_->Action("ActionStop")->isEnabled());
    EXPECT_EQ(window_->Action("ActionStop")->property("ImageIndex").toInt(), 9);
    window_->SetStopBild(10);
    EXPECT_FALSE(window_->Action("ActionStop")->isEnabled());
}

TEST_F(HauptfensterFenster, EmbeddedWidgetsFillTheirPanelAndHiddenOnesTakeNoSpace) {
    window_->show();
    // Only the embedded pair is in play: the channels' own editors step aside.
    for (QWidget* editor : window_->Panel(TKanalPanel::Eingabe)
                               ->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        editor->hide();
    }
    auto* hidden = new QTextEdit;
    auto* shown = new QTextEdit;
    hidden->hide();
    window_->Einbetten(TKanalPanel::Eingabe, hidden);
    window_->Einbetten(TKanalPanel::Eingabe, shown);
    shown->show();
    QApplication::processEvents();
    QWidget* panel = window_->Panel(TKanalPanel::Eingabe);
    EXPECT_EQ(shown->parentWidget(), panel);
    EXPECT_EQ(hidden->parentWidget(), panel);
    EXPECT_EQ(shown->geometry(), panel->rect());

    // Output on top, the input below it, the monitor at the bottom.
    EXPECT_LT(window_->Panel(TKanalPanel::Ausgabe)->mapTo(window_.get(), QPoint()).y(),
              panel->mapTo(window_.get(), QPoint()).y());
    EXPECT_LT(panel->mapTo(window_.get(), QPoint()).y(),
              window_->Panel(TKanalPanel::Monitor)->mapTo(window_.get(), QPoint()).y());
}

TEST_F(HauptfensterFenster, GutterImagesStartWithNoneAndHoldTheSixMarks) {
    const std::vector<QPixmap> images = window_->GutterBilder();
    ASSERT_EQ(images.size(), 7u);
    EXPECT_TRUE(images[0].isNull());
    for (std::size_t index = 1; index < images.size(); ++index) {
        EXPECT_FALSE(images[index].isNull()) << index;
        EXPECT_LE(images[index].height(), 12) << "fits a console line";
    }
}

TEST_F(HauptfensterFenster, ItIsVisibleOnlyWhileShownAndNotMinimised) {
    EXPECT_FALSE(window_->IsSichtbar());
    window_->show();
    EXPECT_TRUE(window_->IsSichtbar());
    window_->showMinimized();
    EXPECT_FALSE(window_->IsSichtbar());
    window_->Aufmerksamkeit(); // must not fail without a desktop
}

TEST_F(HauptfensterFenster, AnActivationRequestRestoresTheWindowFromMinimised) {
    window_->showMinimized();
    QEvent request(static_cast<QEvent::Type>(WM_AKTIVIEREN));
    QCoreApplication::sendEvent(window_.get(), &request);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->isMinimized());
}

TEST(HauptfensterProgramm, ShowsTheSplashAtItsStartUntilItsDelayEnds) {
    const THauptfenster window(kFontFile);
    QPointer<QWidget> splash = window.findChild<QWidget*>("DlgSplash");
    ASSERT_TRUE(splash);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->findChild<QLabel*>("LabelStatus")->text(), "Bereit.");
    EXPECT_TRUE(RunEventsUntil([&] { return splash.isNull(); }));
}

TEST(HauptfensterProgramm, ATerminalFontFileThatCannotBeLoadedEndsTheStartWithCode1) {
    try {
        const THauptfenster window(QUARN_BINARY_DIR "/bin/missing.fon");
        ADD_FAILURE() << "started without its font";
    } catch (const EProgrammEnde& end) {
        EXPECT_EQ(end.ExitCode(), 1);
        EXPECT_NE(std::string(end.what())
                      .find("Die erforderliche Datei \"missing.fon\" kann nicht geladen werden."),
                  std::string::npos)
            << end.what();
    }
    EXPECT_EQ(Config(), nullptr) << "what was built is freed";
    EXPECT_EQ(Klaenge(), nullptr);
    EXPECT_EQ(RegistryStore::Instance().ReadString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn", "Dirty"),
              "1")
        << "the next start checks the database";
}

TEST(HauptfensterProgramm, AConsoleBufferThatCannotBeOpenedEndsTheStartWithCode5AfterFreeingWhatWasBuilt) {
    // A file where the buffers' folder would go.
    std::filesystem::create_directories(AppDataFolder());
    std::ofstream(AppDataFolder() / "Text Buffers") << "no folder";
    // Offscreen nobody could answer a message box: the operator is told on standard error.
    testing::internal::CaptureStderr();
    try {
        const THauptfenster window(kFontFile);
        ADD_FAILURE() << "started without its console buffers";
    } catch (const EProgrammEnde& end) {
        EXPECT_EQ(end.ExitCode(), 5);
    }
    EXPECT_THAT(
        testing::internal::GetCapturedStderr(),
        testing::HasSubstr("Quarn: Fehler beim Öffnen der Textpuffer. Bitte starten Sie Windows neu.\n"));
    EXPECT_EQ(TKanaele::Instance(), nullptr);
    EXPECT_EQ(StationenDatenbank(), nullptr);
    EXPECT_EQ(Config(), nullptr);
    EXPECT_EQ(RegistryStore::Instance().ReadString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn", "Dirty"),
              "1");
    // The next start in this process finds its buffers' folder again.
    std::filesystem::remove(AppDataFolder() / "Text Buffers");
}

// Types one key into a widget.
void Type(QWidget& widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&widget, &release);
}

class HauptfensterKanaleTest : public ::testing::Test {
protected:
    HauptfensterKanaleTest() {
        window_.show();
        QApplication::processEvents();
    }
    QWidget* Child(const char* name) const { return window_.findChild<QWidget*>(name); }

    THauptfenster window_{kFontFile};
};

TEST_F(HauptfensterKanaleTest, TheMonitorIsAtTheBottomAndChannelOnesConsoleAndEditorAreShown) {
    ASSERT_NE(TKanaele::Instance(), nullptr);
    EXPECT_EQ(TKanaele::Instance()->GetAnzahl(), 8);
    EXPECT_EQ(Captions(*window_.KanalLeiste()),
              (std::vector<QString>{"    1    ", "    2    ", "    3    ", "    4    ", "    5    ",
                                    "    6    ", "    7    ", "    8    ", "Monitor"}));

    QWidget* monitor = Child("Console00");
    QWidget* console1 = Child("Console01");
    QWidget* editor1 = Child("Eingabe01");
    ASSERT_TRUE(monitor && console1 && editor1);
    EXPECT_EQ(monitor->parentWidget(), window_.Panel(TKanalPanel::Monitor));
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_TRUE(console1->isVisible());
    EXPECT_TRUE(editor1->isVisible());
    EXPECT_FALSE(Child("Console02")->isVisible());
    EXPECT_EQ(console1->geometry(), window_.Panel(TKanalPanel::Ausgabe)->rect())
        << "the shown one fills its panel";
    EXPECT_EQ(editor1->geometry(), window_.Panel(TKanalPanel::Eingabe)->rect());
    EXPECT_LT(console1->mapTo(&window_, QPoint()).y(), editor1->mapTo(&window_, QPoint()).y());
    EXPECT_LT(editor1->mapTo(&window_, QPoint()).y(), monitor->mapTo(&window_, QPoint()).y());
}

TEST_F(HauptfensterKanaleTest, AChannelButtonShowsItsChannelWhoseEditorTakesTypedText) {
    auto* button3 = qobject_cast<QToolButton*>(window_.KanalLeiste()->findChild<QWidget*>("ChannelButton03"));
    ASSERT_NE(button3, nullptr);
    button3->click();
    QApplication::processEvents();
    EXPECT_EQ(TKanaele::Instance()->GetAktuellNr(), 3);
    EXPECT_TRUE(button3->isChecked());
    EXPECT_FALSE(Child("Console01")->isVisible());
    EXPECT_TRUE(Child("Console03")->isVisible());

    auto* editor = qobject_cast<QTextEdit*>(Child("Eingabe03"));
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->isVisible());
    for (const QChar letter : QString("cq de dl1xyz")) {
        Type(*editor, letter == ' ' ? Qt::Key_Space : Qt::Key_A + (letter.unicode() - 'a'), letter);
    }
    EXPECT_EQ(editor->toPlainText(), "cq de dl1xyz");
}

TEST_F(HauptfensterKanaleTest, KeysGoToTheCurrentChannelFirst) {
    QApplication::setActiveWindow(&window_);
    auto* console = Child("Console01");
    auto* editor = qobject_cast<QTextEdit*>(Child("Eingabe01"));
    ASSERT_NE(console, nullptr);
    ASSERT_NE(editor, nullptr);
    console->setFocus();
    ASSERT_TRUE(RunEventsUntil([&] { return console->hasFocus(); }));

    // Tab on the console is the channel's: the editor gets the focus.
    Type(*console, Qt::Key_Tab);
    EXPECT_TRUE(RunEventsUntil([&] { return editor->hasFocus(); }));

    // Ctrl+Shift+1 comes as "!" with the "1" key's scan code: the first text macro goes into the editor.
    Texte()->SaveGlobal(4, "Erster Text");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, 10, 0, 0, "!");
    QCoreApplication::sendEvent(editor, &press);
    EXPECT_EQ(editor->toPlainText(), "Erster Text");
}

TEST_F(HauptfensterKanaleTest, CtrlHShowsTheCurrentChannelsHintBelowItsButton) {
    auto connection = std::make_shared<test::FakeVerbindung>("DB0ABC");
    connection->path = "DB0ABC DB0XYZ";
    TKanaele::Instance()->GetTKanal(1)->SetVerbindung(connection);
    window_.Action("ActionHint")->trigger();
    // In the program's own hint window, not Qt's tool tip.
    const IHintWindow* hint = ChannelHint();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->HintShown());
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_THAT(hint->HintText().toStdString(), testing::HasSubstr("DB0ABC DB0XYZ\nName: Unbekannt"));
    // Ctrl+H again closes the old hint before the channel shows its own again.
    window_.Action("ActionHint")->trigger();
    const auto shown = [] {
        int count = 0;
        for (const QWidget* w : QApplication::topLevelWidgets()) {
            count += w->objectName() == "THintWindowKio" && w->isVisible() ? 1 : 0;
        }
        return count;
    };
    EXPECT_EQ(shown(), 1);
    CloseChannelHint();
    EXPECT_EQ(shown(), 0);
    TKanaele::Instance()->GetTKanal(1)->SetVerbindung(nullptr);
}

TEST_F(HauptfensterKanaleTest, TheWindowStaysOpenWhileAConnectWaitsForItsDeviceAndSaysSo) {
    const auto hinweise = [&] {
        std::vector<TDlgMessage*> shown;
        for (TDlgMessage* box : window_.findChildren<TDlgMessage*>()) {
            if (box->isVisible()) {
                shown.push_back(box);
            }
        }
        return shown;
    };
    {
        const TVerbindenMarke pending(nullptr);
        EXPECT_FALSE(window_.close());
        EXPECT_TRUE(window_.isVisible());
        // A second try does not stack a second notice.
        EXPECT_FALSE(window_.close());
        const std::vector<TDlgMessage*> shown = hinweise();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0]->windowTitle(), "Quarn");
        EXPECT_TRUE(shown[0]->Label()->text().startsWith("Ein Verbindungsaufbau läuft noch."));
        shown[0]->DefaultButton()->click();
    }
    EXPECT_TRUE(RunEventsUntil([&] { return hinweise().empty(); }));
    EXPECT_TRUE(window_.close());
}

// Pictures for a person to look at: the window with the monitor, eight channels and channel 1 connected
// to a mailbox, with received and sent text, system lines and its status bar.
TEST_F(HauptfensterKanaleTest, ScreenshotOfTheWindowWithAConnectedChannel) {
    const std::shared_ptr<TKanal> kanal = TKanaele::Instance()->GetTKanal(1);
    // Frames as a device hears them, through the monitor line format.
    const auto hear = [](std::string from, std::string to, std::uint8_t kind, std::string information) {
        TMonitorFrame frame;
        frame.from = std::move(from);
        frame.to = std::move(to);
        frame.kind = kind;
        frame.pid = 0xF0;
        frame.command = 1;
        frame.pollFinal = kind == 1 ? 0 : 1;
        frame.sequence1 = 1;
        frame.sequence2 = 2;
        frame.information = std::move(information);
        TKanaele::Instance()->MonitorZeile(frame);
    };
    hear("DL1ABC", "BEACON", 10, "Hallo Welt");
    hear("DL1XYZ", "DB0ABC", 5, "");
    hear("DB0ABC", "DL1XYZ", 1, "DB0ABC (DL1XYZ)>");
    auto connection = std::make_shared<test::FakeVerbindung>("DB0ABC");
    connection->myCall = "DL1XYZ";
    connection->path = "DB0ABC";
    kanal->SetVerbindung(connection);
    kanal->Verbunden();
    kanal->TextEmpfangen("[DP-6.0-AB1DFHM$]\rHallo, hier ist die Mailbox DB0ABC in Musterstadt.\r");
    kanal->TextEmpfangen("DB0ABC (DL1XYZ)>\r");
    kanal->TextGesendet("l\r");
    kanal->TextEmpfangen("Keine neuen Nachrichten.\rDB0ABC (DL1XYZ)>\r");
    kanal->Prompt("Die Datei wurde empfangen und unter dem Namen TEST.ZIP im Empfangsordner abgelegt, "
                  "bitte pruefen.",
                  0);
    kanal->SetAktiv(true);
    window_.SetFortschritt(true, "42%", 42);
    // Wide enough for the whole menu bar and the toolbar with its captions.
    window_.resize(800, 700);
    QApplication::processEvents();

    EXPECT_EQ(window_.StatusPanel(8), "DL1XYZ") << "the channel wrote its own call";
    EXPECT_NE(window_.StatusPanel(0), "");
    // Every menu title and every toolbar button in full, the buttons with their captions.
    EXPECT_EQ(window_.Befehlsleiste()->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    const QList<QAction*> menus = window_.Menue()->actions();
    ASSERT_EQ(menus.size(), 7);
    EXPECT_LE(window_.Menue()->actionGeometry(menus.last()).right(), window_.Menue()->width());
    for (QAction* action : window_.Befehlsleiste()->actions()) {
        const QWidget* button = window_.Befehlsleiste()->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible()) << action->objectName().toStdString();
        EXPECT_LE(button->geometry().right(), window_.Befehlsleiste()->width());
    }
    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(window_.grab().save(folder + "main_window.png"));
    kanal->Getrennt(0);
}

TEST(HauptfensterProgramm, BuildsTheSingletonsInOrderAndFreesThemInTheShutDownOrder) {
    const Trace trace;
    auto window = std::make_unique<THauptfenster>(kFontFile);
    ASSERT_NE(Config(), nullptr);
    EXPECT_TRUE(Config()->GetDirty()) << "set while the program runs";
    EXPECT_NE(Klaenge(), nullptr);
    EXPECT_NE(TConnectionsList::Instance(), nullptr);
    EXPECT_NE(Texte(), nullptr);
    EXPECT_NE(RemoteCommandManager(), nullptr);
    EXPECT_NE(MyCalls(), nullptr);
    EXPECT_NE(StationenDatenbank(), nullptr);
    EXPECT_NE(TKanaele::Instance(), nullptr);
    EXPECT_NE(TGeraete::Instance(), nullptr);
    EXPECT_TRUE(window->IsGestartet());
    EXPECT_EQ(window->GeraeteStatusKnopf()->toolTip(), "Alle Geräte sind bereit") << "no device configured";

    window.reset();
    EXPECT_EQ(Config(), nullptr);
    EXPECT_EQ(Klaenge(), nullptr);
    EXPECT_EQ(TConnectionsList::Instance(), nullptr);
    EXPECT_EQ(Texte(), nullptr);
    EXPECT_EQ(RemoteCommandManager(), nullptr);
    EXPECT_EQ(MyCalls(), nullptr);
    EXPECT_EQ(StationenDatenbank(), nullptr);
    EXPECT_EQ(TKanaele::Instance(), nullptr);
    EXPECT_EQ(TGeraete::Instance(), nullptr);
    EXPECT_TRUE(QuitEvent().IsSet());

    EXPECT_EQ(trace.Find("THauptfenster.Create: StartMode: Standalone"), 0) << "the window's first line";
    int at = 0;
    for (const char* step :
         {"QuarnDestroy: Klaenge.Play", "QuarnDestroy: Geraete.Free", "QuarnDestroy: QuitEvent.Set",
          "QuarnDestroy: Kanaele.Free", "QuarnDestroy: MyCalls.Release",
          "QuarnDestroy: StationenDatenbank.Free", "QuarnDestroy: Texte.Free",
          "QuarnDestroy: RemoteCommandManager.Free", "QuarnDestroy: ConnectionsList.Free",
          "QuarnDestroy: Klaenge.Free", "QuarnDestroy: Dirty := 0", "QuarnDestroy: Config.Free"}) {
        at = trace.Find(step, at);
        ASSERT_GE(at, 0) << "missing or out of order: " << step;
    }
    EXPECT_EQ(RegistryStore::Instance().ReadString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn", "Dirty"),
              "0");
}

TEST(HauptfensterProgramm, AnUncleanPreviousRunOrAnAskedCheckRebuildsTheDatabaseFirst) {
    for (const char* value : {"Dirty", "ForceDatabaseCheck"}) {
        SCOPED_TRACE(value);
        RegistryStore::Instance().WriteString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn", value, "1");
        {
            const Trace trace;
            const THauptfenster window(kFontFile);
            EXPECT_GE(trace.Find("TStationenDatenbank.DoCheck: begin..."), 0);
            EXPECT_FALSE(Config()->GetForceDatabaseCheck()) << "asked once, done once";
        }
        const Trace trace;
        const THauptfenster window(kFontFile);
        EXPECT_EQ(trace.Find("DoCheck: begin..."), -1) << "a clean run before: no check";
    }
}

TEST(HauptfensterProgramm, AStationDatabaseThatCannotBeWrittenAtTheEndIsReportedAndCheckedNextTime) {
    std::vector<std::string> reports;
    const TReportPresenter previous =
        SetReportPresenter([&](const std::string& header, const std::string&) { reports.push_back(header); });
    auto window = std::make_unique<THauptfenster>(kFontFile);
    ASSERT_TRUE(StationenDatenbank()->CreateEintrag("DL1ABC"));
    // The database's folder goes away under it: its last write fails.
    const std::filesystem::path folder = AppDataFolder() / "Database";
    std::filesystem::rename(folder, AppDataFolder() / "Database.moved");
    std::ofstream(folder) << "no folder";

    window.reset();
    SetReportPresenter(previous);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("QuarnDestroy (StationenDatenbank.Free)"), std::string::npos) << reports[0];
    EXPECT_EQ(RegistryStore::Instance().ReadString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn", "Dirty"),
              "1");
}

} // namespace
} // namespace quarn
