// The main window's actions, menus and command toolbar on the offscreen platform, with the program's
// real channels and dialogs.
#include "connections/automation/AutomationHub.h"
#include "console/ConsoleU.h"
#include "controls/Button97.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalU.h"
#include "devices/GeraeteU.h"
#include "foundation/AutomationStartMode.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/GlobalU.h"
#include "foundation/LanguageDialogs.h"
#include "platform/Registry.h"
#include "stations/StationenDatenbankU.h"
#include "ui/BefehlConnectU.h"
#include "ui/BefehlU.h"
#include "ui/Hauptfenster.h"
#include "ui/HilfeU.h"
#include "ui/ToolbarAccelerator.h"

#include "support/RunEvents.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QtTest/QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace quarn {
namespace {

const std::filesystem::path kFontFile = QUARN_BINARY_DIR "/bin/quarn.fon";

// Answers every modal window that comes up, once each, and keeps the message boxes' texts as
// "text / caption". The answer runs from a timer, so it must not open a modal window itself: it posts
// what it does when that would.
class Antworten {
public:
    explicit Antworten(std::function<void(QWidget&)> answer) : answer_(std::move(answer)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == last_) {
                return;
            }
            last_ = modal;
            if (const auto* box = qobject_cast<TDlgMessage*>(modal)) {
                meldungen.push_back(box->Label()->text() + " / " + box->windowTitle());
            }
            answer_(*modal);
        });
        timer_.start(10);
    }
    std::vector<QString> meldungen;

private:
    std::function<void(QWidget&)> answer_;
    QPointer<QWidget> last_;
    QTimer timer_;
};

// Clicks the message box's button with this caption.
std::function<void(QWidget&)> Klicke(const QString& caption) {
    return [caption](QWidget& modal) {
        auto& box = static_cast<TDlgMessage&>(modal);
        for (QPushButton* button : box.Buttons()) {
            if (button->text().remove('&') == caption) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << caption.toStdString();
        box.reject();
    };
}

void SetToolbarWert(const char* name, std::uint32_t value) {
    RegistryStore::Instance().WriteDWord(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Toolbar", name,
                                         value);
}

std::uint32_t ToolbarWert(const char* name) {
    return RegistryStore::Instance()
        .ReadDWord(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Toolbar", name)
        .value_or(99);
}

// The object names of a menu's items, "-" for a separator and "name>" before a submenu's items.
std::vector<std::string> Eintraege(const QMenu& menu) {
    std::vector<std::string> names;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            names.emplace_back("-");
        } else if (const QMenu* sub = action->menu()) {
            names.push_back(sub->title().toStdString() + ">");
            for (const std::string& name : Eintraege(*sub)) {
                names.push_back("  " + name);
            }
        } else {
            names.push_back(action->objectName().toStdString());
        }
    }
    return names;
}

TEST(ToolbarAccelerator, TheLetterAfterTheAmpersandWithAltUnlessTheAmpersandEndsTheCaption) {
    const struct {
        const char* caption;
        const char* shortcut;
    } cases[] = {
        {"&Verbinden", "Alt+V"},
        {"Se&nden", "Alt+N"},
        {"Abb&rechen", "Alt+R"},
        {"Stat&ionen", "Alt+I"},
        {"Lö&schen", "Alt+S"},
        {"&äpfel", "Alt+Ä"},
        {"Verbinden", ""},
        {"Ende&", ""},
        {"&", ""},
        {"", ""},
        {"A&&B", ""},
        {"A && &Bild", "Alt+B"},
        {"Zwei&tes &X", "Alt+T"},
        {"Leer& x", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToolbarAccelerator(QString::fromUtf8(c.caption)).toString(QKeySequence::NativeText),
                  QString::fromUtf8(c.shortcut))
            << c.caption;
    }
    EXPECT_EQ(ToolbarAcceleratorHint("Verbinden", QKeySequence("Alt+V")), "Verbinden (Alt+V)");
    EXPECT_EQ(ToolbarAcceleratorHint("Verbinden", QKeySequence()), "Verbinden");
}

class HauptAktionenTest : public ::testing::Test {
protected:
    HauptAktionenTest() {
        window_.show();
        QApplication::setActiveWindow(&window_);
        QApplication::processEvents();
    }
    QAction* Action(const char* name) const {
        QAction* action = window_.Action(name);
        EXPECT_NE(action, nullptr) << name;
        return action;
    }

    THauptfenster window_{kFontFile};
};

TEST_F(HauptAktionenTest, TheActionsCarryTheirCaptionsShortcutsImagesAndFirstStates) {
    const struct {
        const char* name;
        const char* menuText;
        const char* shortcut;
        int image;
        bool enabled;
    } cases[] = {
        {"ActionConnect", "&Verbinden...", "", 0, true},
        {"ActionDisconnect", "&Trennen", "", 1, true},
        {"ActionSend", "Se&nden", "", 2, true},
        {"ActionEnd", "&Beenden", "", -1, true},
        {"ActionLocalEcho", "Lokales &Echo", "Ctrl+E", -1, false},
        {"ActionPactorChangeover", "&ChangeOver", "Ctrl+Y", -1, false},
        {"ActionPactorBreakin", "&BreakIn", "Ctrl+B", -1, false},
        {"ActionEditDelete", "&Löschen", "Del", 16, true},
        {"ActionEditSelectAll", "&Alles markieren", "Ctrl+A", -1, true}, // the input editor has the focus
        {"ActionHint", "", "Ctrl+H", -1, true},
        {"ActionBoxRun", "Befehle absenden", "", 20, true},
        {"ActionSettings", "&Einstellungen...", "", 5, true},
        {"ActionLanguage", "&Sprache...", "", 6, true},
        {"ActionStationenDatenbank", "Stat&ionen", "", 11, true},
        {"ActionHelpFirstSteps", "&Erste Schritte...", "", -1, true},
        {"ActionHelpInfo", "I&nfo...", "", -1, true},
        {"ActionToolbarTextBottom", "Text &unten", "", -1, true},
        {"ActionMakro", "&Makros", "", -1, true},
        {"ActionStationenHinzufuegen", "&Hinzufügen...", "", -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QAction* action = Action(c.name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), QString::fromUtf8(c.menuText));
        EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), c.shortcut);
        EXPECT_EQ(action->property("ImageIndex").toInt(), c.image);
        EXPECT_EQ(action->icon().isNull(), c.image < 0);
        EXPECT_EQ(action->isEnabled(), c.enabled);
    }
    // The toolbar shows the caption proper: "Verbinden", not the menu's "Verbinden...".
    EXPECT_EQ(window_.Befehlsleiste()->widgetForAction(Action("ActionConnect"))->property("text").toString(),
              "Verbinden");
}

TEST_F(HauptAktionenTest, TheMenuBarAndTheCommandToolbarHoldTheirActionsInOrder) {
    std::vector<std::string> titles;
    std::vector<std::vector<std::string>> menus;
    for (const QAction* top : window_.Menue()->actions()) {
        titles.push_back(top->text().toStdString());
        menus.push_back(Eintraege(*top->menu()));
    }
    using Names = std::vector<std::string>;
    EXPECT_EQ(titles,
              (Names{"&Datei", "Verbind&ung", "&Bearbeiten", "&Ansicht", "E&xtras", "Stati&onen", "&Hilfe"}));
    ASSERT_EQ(menus.size(), 7u);
    EXPECT_EQ(menus[0], (Names{"ActionSend", "ActionSave", "ActionStop", "-", "ActionEnd"}));
    EXPECT_EQ(menus[1], (Names{"ActionConnect", "ActionDisconnect", "-", "ActionLocalEcho", "-", "&Pactor>",
                               "  ActionPactorChangeover", "  ActionPactorBreakin"}));
    EXPECT_EQ(menus[2], (Names{"ActionEditCut", "ActionEditCopy", "ActionEditPaste", "ActionEditDelete", "-",
                               "ActionClearConsole"}));
    EXPECT_EQ(menus[3], (Names{"ActionDeviceStatus", "&Befehlsleiste>", "  ActionToolbarNoText",
                               "  ActionToolbarTextRight", "  ActionToolbarTextBottom", "&Schema>",
                               "  ActionDesignStandard", "  ActionDesignOfficeXP", "  ActionDesignStripes"}));
    EXPECT_EQ(menus[4], (Names{"ActionSettings", "ActionLanguage"}));
    EXPECT_EQ(menus[5], (Names{"ActionStationenDatenbank", "ActionStationenDatenbankReparieren"}));
    EXPECT_EQ(menus[6], (Names{"ActionHelpContents", "ActionHelpFirstSteps", "-", "ActionHelpInfo"}));
    EXPECT_NE(window_.findChild<QMenu*>("MenuConnectPactor"), nullptr);

    Names toolbar;
    for (const QAction* action : window_.Befehlsleiste()->actions()) {
        toolbar.push_back(action->isSeparator() ? "-" : action->objectName().toStdString());
    }
    EXPECT_EQ(toolbar, (Names{"ActionConnect", "ActionDisconnect", "-", "ActionSend", "ActionSave",
                              "ActionStop", "-", "ActionSettings", "ActionStationenDatenbank"}));
}

TEST_F(HauptAktionenTest, ToolbarItemsTakeAltAndTheirMarkedLetterWithTheKeyInTheirHint) {
    const struct {
        const char* name;
        const char* key;
        const char* hint;
    } cases[] = {
        {"ActionConnect", "Alt+V", "Verbinden (Alt+V)"},
        {"ActionDisconnect", "Alt+T", "Trennen (Alt+T)"},
        {"ActionSend", "Alt+N", "Senden (Alt+N)"},
        {"ActionSave", "Alt+S", "Speichern (Alt+S)"},
        {"ActionStop", "Alt+R", "Abbrechen (Alt+R)"},
        {"ActionSettings", "Alt+E", "Einstellungen (Alt+E)"},
        {"ActionStationenDatenbank", "Alt+I", "Stationen (Alt+I)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto* accelerator =
            window_.Befehlsleiste()->findChild<QShortcut*>(QString("Accelerator") + c.name);
        ASSERT_NE(accelerator, nullptr);
        EXPECT_EQ(accelerator->key().toString(QKeySequence::PortableText), c.key);
        EXPECT_EQ(accelerator->context(), Qt::WindowShortcut) << "only while the window is active";
        EXPECT_EQ(window_.Befehlsleiste()->widgetForAction(Action(c.name))->toolTip(), c.hint);
        EXPECT_TRUE(Action(c.name)->shortcut().isEmpty()) << "the menu shows no toolbar key";
    }
    // The key runs its action, but not while the action is disabled.
    int sent = 0;
    QObject::connect(Action("ActionSend"), &QAction::triggered, [&sent] { ++sent; });
    auto* send = window_.Befehlsleiste()->findChild<QShortcut*>("AcceleratorActionSend");
    emit send->activated();
    EXPECT_EQ(sent, 1);
    Action("ActionSend")->setEnabled(false);
    emit send->activated();
    EXPECT_EQ(sent, 1);
}

TEST_F(HauptAktionenTest, EditActionsDoNothingWhileAnotherWindowIsActive) {
    // The monitor copies its selection without having the focus.
    const std::shared_ptr<TKanal> monitor = TKanaele::Instance()->GetTKanal(0);
    TConsole& console = *monitor->GetConsole();
    console.Write("Monitorzeile");
    console.SetCaretRow(console.GetCursorRow());
    QKeyEvent shiftEnd(QEvent::KeyPress, Qt::Key_End, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&console, &shiftEnd);
    ASSERT_EQ(console.GetSelectedText(), "Monitorzeile");
    TKanaele::Instance()->SetKontextKanal(monitor);

    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_NE(QApplication::activeWindow(), &window_);
    QApplication::clipboard()->setText("vorher");
    Action("ActionEditCopy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "vorher");

    QApplication::setActiveWindow(&window_);
    Action("ActionEditCopy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "Monitorzeile");
}

TEST_F(HauptAktionenTest, CommandKeysWinOverTheInputLinesOwnUseOfThem) {
    QWidget* editor = window_.findChild<QWidget*>("Eingabe01");
    ASSERT_NE(editor, nullptr);
    QApplication::setActiveWindow(&window_);
    editor->setFocus();
    ASSERT_TRUE(test::RunEventsUntil([&] { return editor->hasFocus(); }));
    // As on a Pactor link: the channel offers change-over and break-in.
    TKanalAktionen pactor;
    pactor.pactor = true;
    window_.SetAktionen(pactor);
    int changeOvers = 0;
    QObject::connect(Action("ActionPactorChangeover"), &QAction::triggered, [&] { ++changeOvers; });

    // Ctrl+Y is also the editor's redo.
    QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(changeOvers, 1);

    // A disabled command leaves the key to the editor.
    window_.SetAktionen(TKanalAktionen{});
    QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(changeOvers, 1);
}

TEST_F(HauptAktionenTest, EscapeOpensTheCommandPopUpWhoseLettersReachTheDialogs) {
    QWidget* editor = window_.findChild<QWidget*>("Eingabe01");
    ASSERT_NE(editor, nullptr);
    int disconnects = 0;
    QObject::connect(Action("ActionDisconnect"), &QAction::triggered, [&disconnects] { ++disconnects; });
    for (const char* letter : {"c", "t"}) {
        SCOPED_TRACE(letter);
        std::vector<std::string> shown;
        const Antworten answers([&](QWidget& modal) {
            if (dynamic_cast<TDlgBefehl*>(&modal)) {
                shown.emplace_back("Befehl");
                const int key = Qt::Key_A + (letter[0] - 'a');
                QCoreApplication::postEvent(&modal,
                                            new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, letter));
            } else if (auto* connect = dynamic_cast<TDlgBefehlConnect*>(&modal)) {
                shown.emplace_back(connect->windowTitle().toStdString());
                connect->reject();
            }
        });
        QApplication::setActiveWindow(&window_);
        editor->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(editor->hasFocus());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        EXPECT_TRUE(QCoreApplication::sendEvent(editor, &escape)) << "the key is consumed";
        if (letter[0] == 'c') {
            EXPECT_EQ(shown, (std::vector<std::string>{"Befehl", "Verbinden"}));
            EXPECT_EQ(disconnects, 0);
        } else {
            EXPECT_EQ(shown, (std::vector<std::string>{"Befehl"}));
            EXPECT_EQ(disconnects, 1);
        }
    }
}

TEST_F(HauptAktionenTest, ClearingTheOutputAsksFirst) {
    TConsole& console = *TKanaele::Instance()->GetTKanal(1)->GetConsole();
    console.Write("Text");
    const int row = console.GetCursorRow();
    for (const char* answer : {"Nein", "Ja"}) {
        Antworten answers(Klicke(answer));
        Action("ActionClearConsole")->trigger();
        ASSERT_EQ(answers.meldungen, std::vector<QString>{"Ausgabefenster löschen? / Quarn"});
        EXPECT_EQ(console.Buffer().UsedLength(row), QString(answer) == "Nein" ? 4 : 0) << answer;
    }
}

TEST_F(HauptAktionenTest, RepairingTheDatabaseIsAskedForAndKeptForTheNextStart) {
    Config()->SetForceDatabaseCheck(false);
    for (const char* answer : {"Abbrechen", "Ok"}) {
        Antworten answers(Klicke(answer));
        Action("ActionStationenDatenbankReparieren")->trigger();
        ASSERT_EQ(answers.meldungen,
                  std::vector<QString>{
                      "Die Datenbank wird beim nächsten Start von Quarn repariert und optimiert. / Quarn"});
        EXPECT_EQ(Config()->GetForceDatabaseCheck(), QString(answer) == "Ok");
    }
}

TEST_F(HauptAktionenTest, TheStationsCommandOpensOneWindowThatGoesBeforeTheDatabase) {
    QAction* action = Action("ActionStationenDatenbank");
    action->trigger();
    QPointer<QWidget> fenster = window_.StationenFenster();
    ASSERT_NE(fenster, nullptr);
    EXPECT_TRUE(fenster->isVisible());
    EXPECT_EQ(fenster->windowTitle(), "Stationen-Datenbank");
    action->trigger();
    EXPECT_EQ(window_.StationenFenster(), fenster.data());

    fenster->close();
    EXPECT_TRUE(test::RunEventsUntil([&fenster] { return fenster.isNull(); }));
    EXPECT_EQ(window_.StationenFenster(), nullptr);

    action->trigger();
    fenster = window_.StationenFenster();
    ASSERT_NE(fenster, nullptr);
    window_.SitzungsEnde();
    EXPECT_TRUE(fenster.isNull());
    EXPECT_EQ(StationenDatenbank(), nullptr);
}

TEST_F(HauptAktionenTest, TheDatabaseCheckAtTheNextStartIsShownInItsOwnWindowFirst) {
    // Records each window of the check as it is shown, and whether it was painted then.
    struct Beobachter : QObject {
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint && watched->objectName() == "StationenDatenbankProgressForm") {
                gemalt = true;
            }
            return false;
        }
        bool gemalt = false;
    } beobachter;
    Config()->SetForceDatabaseCheck(true);
    window_.SitzungsEnde();
    qApp->installEventFilter(&beobachter);
    {
        const THauptfenster neuerStart{kFontFile};
        EXPECT_TRUE(beobachter.gemalt);
        EXPECT_FALSE(Config()->GetForceDatabaseCheck());
    }
    qApp->removeEventFilter(&beobachter);
}

TEST_F(HauptAktionenTest, TheLanguageCommandShowsTheChooserAndTellsThatAChangeNeedsARestart) {
    const char* kKey = "\\Software\\Velmoor\\Quarn";
    for (const char* stored : {"DE", "EN"}) {
        SCOPED_TRACE(stored);
        RegistryStore::Instance().WriteString(Hive::CurrentUser, kKey, "Sprache", stored);
        std::vector<std::string> shown;
        const Antworten answers([&shown](QWidget& modal) {
            if (auto* chooser = dynamic_cast<TSprachenForm*>(&modal)) {
                shown.push_back("chooser " + chooser->SelectedCode());
                chooser->OkButton()->click();
            } else if (auto* dialog = qobject_cast<QDialog*>(&modal)) {
                shown.push_back(dialog->objectName().toStdString());
                dialog->accept();
            }
        });
        Action("ActionLanguage")->trigger();
        // The language in use is preselected; a choice other than the stored one takes effect next time.
        std::vector<std::string> expected{"chooser DE"};
        if (std::string(stored) == "EN") {
            expected.emplace_back("SprachenNeustartForm");
        }
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(RegistryStore::Instance().ReadString(Hive::CurrentUser, kKey, "Sprache"), "DE");
    }
}

TEST_F(HauptAktionenTest, TheDeviceLightOpensAndClosesTheDeviceStatusWindow) {
    TButton97* light = window_.GeraeteStatusKnopf();
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->objectName(), "StatusbarDeviceIcon");
    EXPECT_EQ(light->parentWidget(), window_.StatusLabel(9)) << "on panel 9";
    EXPECT_EQ(light->Action(), Action("ActionDeviceStatus"));
    EXPECT_EQ(light->DisplayMode(), TButtonDisplayMode::dmGlyphOnly);
    EXPECT_FALSE(light->Glyph().isNull());
    QTest::mouseClick(light, Qt::LeftButton);
    QPointer<QWidget> status = window_.GeraeteStatusFenster();
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->isVisible());
    EXPECT_TRUE(Action("ActionDeviceStatus")->isChecked());
    EXPECT_FALSE(light->Down()) << "a light is no grouped button: it does not stay down";
    QTest::mouseClick(light, Qt::LeftButton);
    EXPECT_TRUE(status.isNull());
    EXPECT_FALSE(Action("ActionDeviceStatus")->isChecked());

    // Closed from its own frame it goes as well.
    Action("ActionDeviceStatus")->trigger();
    status = window_.GeraeteStatusFenster();
    ASSERT_TRUE(status);
    status->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(status.isNull());
    EXPECT_FALSE(Action("ActionDeviceStatus")->isChecked());

    // Left open, it goes before the device set it shows.
    Action("ActionDeviceStatus")->trigger();
    status = window_.GeraeteStatusFenster();
    window_.SitzungsEnde();
    EXPECT_TRUE(status.isNull());
}

TEST_F(HauptAktionenTest, TheDeviceLightShowsReadyAndNotReadyInItsGlyphAndHint) {
    TButton97* light = window_.GeraeteStatusKnopf();
    auto* statusbar = window_.findChild<QWidget*>("Statusbar");
    ASSERT_NE(statusbar, nullptr);
    ASSERT_EQ(light->toolTip(), "Alle Geräte sind bereit") << "no device configured";
    const QImage ready = light->Glyph();
    const QImage readyShot = statusbar->grab().toImage();

    window_.SetGeraeteStatus(true);
    EXPECT_NE(light->Glyph(), ready);
    EXPECT_EQ(light->NumGlyphs(), 1);
    EXPECT_EQ(light->toolTip(), "Ein Gerät ist nicht bereit");
    const QImage notReadyShot = statusbar->grab().toImage();
    window_.SetGeraeteStatus(false);
    EXPECT_EQ(light->Glyph(), ready);
    EXPECT_EQ(light->toolTip(), "Alle Geräte sind bereit");

    // Both states one above the other.
    QImage both(readyShot.width(), readyShot.height() + notReadyShot.height() + 4, QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawImage(0, 0, readyShot);
    painter.drawImage(0, readyShot.height() + 4, notReadyShot);
    painter.end();
    const QString folder = QStringLiteral(QUARN_BINARY_DIR "/tests/screenshots/");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(both.save(folder + "statusbar_device_icon.png"));
}

TEST_F(HauptAktionenTest, TheHelpPageOpensInOneWindowThatClosesWithTheMainWindow) {
    const test::TempDir dir;
    const std::filesystem::path page = dir / "quarn.html";
    std::ofstream(page) << "<html><body><h1>Hilfe</h1><p>Tasten F1 bis F10</p></body></html>";
    window_.SetHilfeDatei(page);
    Action("ActionHelpContents")->trigger();
    THilfeFenster* hilfe = window_.HilfeFenster();
    ASSERT_NE(hilfe, nullptr);
    EXPECT_TRUE(hilfe->isVisible());
    EXPECT_TRUE(hilfe->isWindow());
    EXPECT_TRUE(hilfe->Browser()->toPlainText().contains("Tasten F1 bis F10"));
    hilfe->close();
    Action("ActionHelpContents")->trigger();
    EXPECT_EQ(window_.HilfeFenster(), hilfe) << "one instance";
    EXPECT_TRUE(hilfe->isVisible());

    EXPECT_TRUE(window_.close());
    EXPECT_FALSE(hilfe->isVisible());
}

TEST_F(HauptAktionenTest, AMissingHelpPageIsToldWithItsName) {
    const test::TempDir dir;
    window_.SetHilfeDatei(dir / "fehlt.html");
    Antworten answers(Klicke("Ok"));
    Action("ActionHelpContents")->trigger();
    EXPECT_EQ(
        answers.meldungen,
        std::vector<QString>{"Die Datei \"fehlt.html\" wurde nicht gefunden oder ist ungültig / Quarn"});
    ASSERT_NE(window_.HilfeFenster(), nullptr);
    EXPECT_FALSE(window_.HilfeFenster()->isVisible());
}

TEST_F(HauptAktionenTest, TheBuildPutsTheHelpPageBesideTheProgram) {
    window_.SetHilfeDatei(QUARN_BINARY_DIR "/bin/quarn.html");
    Action("ActionHelpContents")->trigger();
    THilfeFenster* hilfe = window_.HilfeFenster();
    ASSERT_NE(hilfe, nullptr);
    ASSERT_TRUE(hilfe->isVisible());
    const QString text = hilfe->Browser()->toPlainText();
    for (const char* part : {"Kanalleiste", "F12", "Esc", "Eigenes Rufzeichen", "HKLM.reg"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    }
    QApplication::processEvents();
    ASSERT_TRUE(QDir().mkpath(QUARN_BINARY_DIR "/tests/screenshots"));
    EXPECT_TRUE(hilfe->grab().save(QUARN_BINARY_DIR "/tests/screenshots/help_window.png"));
}

// The page describes the program as it is: its device kinds, its channel count setting, its send-file
// wizard and its automation service under the names the program uses.
TEST(HilfeSeiteTest, TheHelpPageNamesWhatTheProgramHas) {
    std::ifstream in(QUARN_BINARY_DIR "/bin/quarn.html", std::ios::binary);
    ASSERT_TRUE(in);
    const QString page = QString::fromUtf8(std::string(std::istreambuf_iterator<char>(in), {}));

    // Every device kind the program offers has its example, and every example names one it offers.
    for (const TGeraetKlasse& kind : RegistrierteGeraete()) {
        EXPECT_TRUE(page.contains("@=\"" + QString::fromStdString(kind.klassenName) + "\""))
            << kind.klassenName;
    }
    const QRegularExpression example(R"re(@="(\w+)")re");
    for (auto it = example.globalMatch(page); it.hasNext();) {
        const std::string name = it.next().captured(1).toStdString();
        EXPECT_NE(FindeGeraeteKlasse(name), nullptr) << name;
    }

    EXPECT_FALSE(page.contains("acht Verbindungskanäle"));
    EXPECT_TRUE(page.contains("1 bis 40 Verbindungskanäle"));
    EXPECT_TRUE(page.contains("\"Channels\""));
    EXPECT_TRUE(page.contains("id=\"senden\""));
    EXPECT_TRUE(page.contains(QString::fromUtf8(kAutomationBusName)));
    EXPECT_TRUE(page.contains(QString::fromUtf8(kAutomationRoot)));
}

TEST_F(HauptAktionenTest, TheProgramComingToTheFrontActivatesTheCurrentChannelAgain) {
    // Trace lines may come from any thread.
    std::mutex mutex;
    std::vector<std::string> trace;
    const ScopedTraceCapture capture([&](std::string_view line) {
        const std::lock_guard lock(mutex);
        trace.emplace_back(line);
    });
    TKanaele& kanaele = *TKanaele::Instance();
    kanaele.SetKontextKanal(kanaele.GetTKanal(0));
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(kanaele.GetKontextKanal(), kanaele.GetTKanal(0)) << "going to the back changes nothing";
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(kanaele.GetKontextKanal(), kanaele.GetAktuell()) << "the active channel takes the context";
    const std::lock_guard lock(mutex);
    EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [](const std::string& line) {
        return line.find("ApplicationActivate") != std::string::npos;
    }));
}

TEST(HauptAktionen, ToolbarThemeAndTextComeFromTheConfigurationAndGoBackAtTheEnd) {
    const struct {
        std::uint32_t theme, text;
        const char* themeName;
        Qt::ToolButtonStyle style;
        const char* themeAction;
        const char* textAction;
        std::uint32_t savedTheme, savedText;
    } cases[] = {
        {0, 0, "Default", Qt::ToolButtonIconOnly, "ActionDesignStandard", "ActionToolbarNoText", 0, 0},
        {1, 1, "OfficeXP", Qt::ToolButtonTextBesideIcon, "ActionDesignOfficeXP", "ActionToolbarTextRight", 1,
         1},
        {2, 2, "Stripes", Qt::ToolButtonTextUnderIcon, "ActionDesignStripes", "ActionToolbarTextBottom", 2,
         2},
        // A value no action stands for takes the first choice.
        {7, 9, "Default", Qt::ToolButtonIconOnly, "ActionDesignStandard", "ActionToolbarNoText", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.themeName + std::to_string(c.theme));
        SetToolbarWert("Theme", c.theme);
        SetToolbarWert("Text", c.text);
        {
            const THauptfenster window(kFontFile);
            EXPECT_EQ(window.ThemaSchalter().Theme(), c.themeName);
            EXPECT_EQ(window.Befehlsleiste()->toolButtonStyle(), c.style);
            EXPECT_TRUE(window.Action(c.themeAction)->isChecked());
            EXPECT_TRUE(window.Action(c.textAction)->isChecked());
            SetToolbarWert("Theme", 99);
            SetToolbarWert("Text", 99);
        }
        EXPECT_EQ(ToolbarWert("Theme"), c.savedTheme);
        EXPECT_EQ(ToolbarWert("Text"), c.savedText);
    }
    // A choice made while running is the next start's.
    {
        const THauptfenster window(kFontFile);
        window.Action("ActionDesignStripes")->trigger();
        window.Action("ActionToolbarTextBottom")->trigger();
        EXPECT_FALSE(window.Action("ActionDesignStandard")->isChecked()) << "one theme at a time";
        EXPECT_EQ(window.ThemaSchalter().Theme(), "Stripes");
        EXPECT_EQ(window.Befehlsleiste()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }
    EXPECT_EQ(ToolbarWert("Theme"), 2u);
    EXPECT_EQ(ToolbarWert("Text"), 2u);
}

} // namespace
} // namespace quarn
