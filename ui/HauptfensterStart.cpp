// The main window's start and end, its key preview and the actions run on the current channel.
#include "connections/ConnectionsListU.h"
#include "connections/remote/RemoteCommandManagerU.h"
#include "controls/Button97.h"
#include "controls/HintManager.h"
#include "controls/ThemeManagerU.h"
#include "devices/GeraeteStatusU.h"
#include "devices/GeraeteU.h"
#include "devices/VerbindenLaeuft.h"
#include "devices/channel/KanaeleU.h"
#include "devices/channel/KanalTasten.h"
#include "foundation/AutomationStartMode.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/GlobalU.h"
#include "foundation/HintWindowU.h"
#include "foundation/InterfacesU.h"
#include "foundation/LanguageU.h"
#include "foundation/SingleInstance.h"
#include "stations/KlaengeU.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"
#include "ui/BefehlConnectU.h"
#include "ui/BefehlU.h"
#include "ui/DlgInfoU.h"
#include "ui/HauptPanele.h"
#include "ui/HauptProgramm.h"
#include "ui/HauptTasten.h"
#include "ui/Hauptfenster.h"
#include "ui/HilfeU.h"
#include "ui/einstellungen/EinstellungenU.h"
#include "ui/stationen/StationenDatenbankDlg.h"
#include "ui/stationen/StationenEditorSeiten.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QProgressBar>
#include <QToolButton>
#include <string>

namespace quarn {
namespace {

constexpr const char* kClass = "THauptfenster";

// Panels, list views, check lists and plain controls keep their own look; tool bars are left opaque.
constexpr TThemeOptions kThemeOptions = toAllowNonClientArea | toAllowControls | toAllowWebContent |
                                        toSubclassButtons | toSubclassFrame | toSubclassGroupBox |
                                        toSubclassTabSheet | toSubclassSpeedButtons | toSubclassStatusBar |
                                        toSubclassTrackBar | toResetMouseCapture;

std::shared_ptr<IKanal> AktuellerKanal() {
    const TKanaele* kanaele = TKanaele::Instance();
    return kanaele ? kanaele->GetAktuell() : nullptr;
}

} // namespace

THauptfenster::THauptfenster(std::filesystem::path fontFile) {
    // Hint timing: pause, short pause and hide pause in ms; every hint in the program's own window.
    hintManager_ = StartHintManager(500, 100, 20000);
    DebOutObj(kClass, "Create", std::string("StartMode: ") + StartModeName(StartMode()));
    setObjectName("Hauptfenster");
    themeManager_ = new TThemeManager(this);
    themeManager_->setObjectName("ThemeManager");
    themeManager_->SetOptions(kThemeOptions);
    setWindowTitle(kMainWindowTitle);
    setMinimumSize(kMinimum);
    resize(800, 700);
    BuildDocks();
    BuildStatusBar();
    BuildActions();
    BuildMenus();

    programm_ = std::make_unique<THauptProgramm>(*this, std::move(fontFile));
    ablauf_ = std::make_unique<THauptAblauf>(*programm_);
    ablauf_->Start(true);
    BindActions();
    ThemaUndTextVerbinden();
    if (const TConfig* config = Config()) {
        panele_->GespeicherteHoehen(config->GetMonitorHeight(), config->GetInputHeight());
        LeisteLaden(*config);
    }
    BuildAccelerators();
    // The window is complete: the theme takes in every form there is.
    themeManager_->CollectForms();
    gestartet_ = true;
    qApp->installEventFilter(this);
    // A session's end frees the program's parts before the window goes.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &THauptfenster::SitzungsEnde);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive) {
            return;
        }
        DebOutObj(kClass, "ApplicationActivate", "");
        if (const std::shared_ptr<IKanal> channel = AktuellerKanal()) {
            channel->SetAktiv(true);
        }
    });
}

THauptfenster::~THauptfenster() {
    qApp->removeEventFilter(this);
    CloseChannelHint();
    NebenfensterSchliessen();
    ablauf_->Ende();
}

void THauptfenster::SetErsteSchritte(QWidget* fenster) {
    programm_->SetErsteSchritte(fenster);
}

QWidget* THauptfenster::ErsteSchritte() const {
    return programm_->ErsteSchritte();
}

void THauptfenster::SitzungsEnde() {
    NebenfensterSchliessen();
    ablauf_->Ende();
}

void THauptfenster::NebenfensterSchliessen() {
    // The device-status window follows the device set, the station window the database, the settings
    // window both and the channels; the end frees them all.
    delete einstellungen_.data();
    delete geraeteStatus_.data();
    delete stationen_.data();
    if (hilfe_) {
        hilfe_->close();
    }
}

bool THauptfenster::eventFilter(QObject* watched, QEvent* event) {
    if (watched == progressBar_ && event->type() == QEvent::MouseButtonRelease) {
        QApplication::beep();
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride && watched == QApplication::focusWidget() &&
        isAncestorOf(static_cast<QWidget*>(watched))) {
        // The input line would take Ctrl+Y as its redo: the window's commands come first. Not held back,
        // the key goes on as the command's shortcut.
        return IsBefehlsTaste(*static_cast<const QKeyEvent*>(event));
    }
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget() ||
        !isAncestorOf(static_cast<QWidget*>(watched))) {
        return false;
    }
    const std::shared_ptr<IKanal> channel = AktuellerKanal();
    if (!channel) {
        return false;
    }
    const auto& keyEvent = *static_cast<const QKeyEvent*>(event);
    int key = KanalTastenCode(keyEvent);
    const unsigned shift = KanalShift(keyEvent.modifiers());
    channel->KeyPress(key, shift);
    if (key == 0) {
        return true;
    }
    const THauptTaste taste = KanalTasteAnwenden(key, shift);
    if (taste.befehl) {
        BefehlAufrufen();
    }
    return taste.verbraucht;
}

THauptTaste THauptfenster::KanalTasteAnwenden(int key, unsigned shift) {
    TKanaele* kanaele = TKanaele::Instance();
    if (kanaele == nullptr) {
        return {};
    }
    const THauptTaste taste = HauptTasteAuswerten(key, shift, kanaele->GetAnzahl());
    if (taste.kanal >= 0) {
        kanaele->SetAktuellNr(taste.kanal);
    }
    return taste;
}

bool THauptfenster::IsBefehlsTaste(const QKeyEvent& key) const {
    // The edit keys stay with the focused widget, which does the same with them.
    const QKeySequence pressed(key.keyCombination());
    for (const char* name :
         {"ActionLocalEcho", "ActionPactorChangeover", "ActionPactorBreakin", "ActionHint"}) {
        const QAction* action = Action(name);
        if (action->isEnabled() && action->shortcut() == pressed) {
            return true;
        }
    }
    return false;
}

void THauptfenster::BefehlAufrufen() {
    TDlgBefehl popup({[this] { TDlgBefehlConnect::Ausfuehren(this); },
                      [this] { Action("ActionDisconnect")->trigger(); },
                      {}},
                     this);
    popup.exec();
}

void THauptfenster::closeEvent(QCloseEvent* event) {
    // A connect still waits for its device and holds the connection it made.
    if (VerbindenLaeuft()) {
        DebOutObj(kClass, "Close", "Verbindungsaufbau läuft, Schließen abgelehnt.");
        event->ignore();
        // Told without waiting for the answer: the connect may be waiting on this very thread.
        if (!schliessenHinweis_) {
            schliessenHinweis_ = new TDlgMessage(
                Tr("Quarn"),
                Tr("Ein Verbindungsaufbau läuft noch. Quarn kann erst beendet werden, wenn er abgeschlossen "
                   "ist."),
                mbOK, this);
            schliessenHinweis_->setAttribute(Qt::WA_DeleteOnClose);
            schliessenHinweis_->open();
        }
        return;
    }
    QWidget::closeEvent(event);
    if (hilfe_) {
        hilfe_->close();
    }
}

void THauptfenster::BindActions() {
    // Every action works on the current channel and does nothing while there is none.
    const auto bind = [this](const char* name, auto onChannel) {
        connect(Action(name), &QAction::triggered, this, [onChannel](bool checked) {
            if (const std::shared_ptr<IKanal> channel = AktuellerKanal()) {
                onChannel(*channel, checked);
            }
        });
    };
    // The edit keys belong to whatever window has the focus; here only to the main window.
    const auto bindEdit = [this, &bind](const char* name, auto onChannel) {
        bind(name, [this, onChannel](IKanal& channel, bool) {
            if (QApplication::activeWindow() == this) {
                onChannel(channel);
            }
        });
    };

    bind("ActionConnect", [this](IKanal&, bool) {
        QCoreApplication::processEvents();
        TDlgBefehlConnect::Ausfuehren(this);
    });
    bind("ActionDisconnect", [](IKanal& channel, bool) {
        std::shared_ptr<IVerbindung> connection;
        if (const TConnectionsList* list = TConnectionsList::Instance()) {
            const TConnectionsList::ScopedLock lock(*list);
            connection = channel.GetVerbindung();
        }
        // Outside the lock: the connection's end takes it again from its own thread.
        if (connection) {
            connection->Disconnect();
        }
    });
    bind("ActionSend", [](IKanal& channel, bool) { channel.Senden(); });
    bind("ActionSave", [this](IKanal& channel, bool) {
        QCoreApplication::processEvents();
        // Saving closes an open capture file; opening one waits for the capture dialog.
        channel.Speichern();
        Action("ActionSave")->setChecked(false);
    });
    bind("ActionStop", [](IKanal& channel, bool) {
        if (const std::shared_ptr<IVerbindung> connection = channel.GetVerbindung()) {
            connection->StopModul();
        }
    });
    connect(Action("ActionEnd"), &QAction::triggered, this, &QWidget::close);
    bind("ActionLocalEcho", [](IKanal& channel, bool checked) {
        if (const std::shared_ptr<IVerbindung> connection = channel.GetVerbindung()) {
            connection->SetLocalEcho(checked);
        }
    });
    bind("ActionPactorChangeover", [](IKanal& channel, bool) { channel.PactorChangeOver(); });
    bind("ActionPactorBreakin", [](IKanal& channel, bool) { channel.PactorBreakIn(); });

    bindEdit("ActionEditCut", [](IKanal& channel) { channel.EditCut(); });
    bindEdit("ActionEditCopy", [](IKanal&) {
        // Copy takes the channel last clicked into, which may be the monitor.
        if (const std::shared_ptr<IKanal> context = TKanaele::Instance()->GetKontextKanal()) {
            DebOutObjFmt(kClass, "ActionEditCopy", "Kanal %d", context->GetNummer());
            context->EditCopy();
        }
    });
    bindEdit("ActionEditPaste", [](IKanal& channel) { channel.EditPaste(); });
    bindEdit("ActionEditDelete", [](IKanal& channel) { channel.EditDelete(); });
    bindEdit("ActionEditSelectAll", [](IKanal& channel) { channel.EditSelectAll(); });
    bind("ActionClearConsole", [this](IKanal& channel, bool) {
        if (TDlgMessage::Run(Tr("Quarn"), Tr("Ausgabefenster löschen?"), mbYes | mbNo, this) == mrYes) {
            channel.ClearConsole();
        }
    });

    bind("ActionDosUmlauteAnzeigen", [this](IKanal& channel, bool) {
        channel.SetShowDOS(!channel.GetShowDOS());
        Action("ActionDosUmlauteAnzeigen")->setChecked(channel.GetShowDOS());
    });
    bind("ActionDosUmlauteSenden", [this](IKanal& channel, bool) {
        channel.SetDosUmlaute(!channel.GetDosUmlaute());
        Action("ActionDosUmlauteSenden")->setChecked(channel.GetDosUmlaute());
    });
    bind("ActionHint", [](IKanal& channel, bool) {
        CloseChannelHint();
        channel.HintZeigen();
    });
    // The mailbox-list marks of the selected lines, or of the caret line.
    bind("ActionBoxRead", [](IKanal& channel, bool) { channel.BoxRead(false, false); });
    bind("ActionBoxErase", [](IKanal& channel, bool) { channel.BoxErase(false, false); });
    bind("ActionBoxUncheck", [](IKanal& channel, bool) { channel.BoxUncheck(false); });
    bind("ActionBoxRun", [](IKanal& channel, bool) { channel.BoxRun(); });

    bind("ActionDeviceStatus", [this](IKanal&, bool) { GeraeteStatusUmschalten(); });
    geraeteStatusKnopf_->SetAction(Action("ActionDeviceStatus"));
    bind("ActionLanguage", [](IKanal&, bool) {
        std::string code = CurrentLanguage();
        ChooseLanguage(true, code, LanguageOptions::OfProgram());
    });
    bind("ActionStationenDatenbankReparieren", [this](IKanal&, bool) {
        if (TDlgMessage::Run(Tr("Quarn"),
                             Tr("Die Datenbank wird beim nächsten Start von Quarn repariert und optimiert."),
                             mbOK | mbCancel, this) == mrOk) {
            if (TConfig* config = Config()) {
                config->SetForceDatabaseCheck(true);
            }
        }
    });
    bind("ActionHelpContents", [this](IKanal&, bool) { HilfeZeigen(); });
    // Neither needs a channel.
    connect(Action("ActionHelpFirstSteps"), &QAction::triggered, this,
            [this] { programm_->ErsteSchritteOeffnen(); });
    connect(Action("ActionHelpInfo"), &QAction::triggered, this, [this] {
        TDlgInfo info(this);
        info.exec();
    });
    // The station window needs no channel either.
    connect(Action("ActionStationenDatenbank"), &QAction::triggered, this, [this] { StationenZeigen(); });
    connect(Action("ActionSettings"), &QAction::triggered, this, [this] { EinstellungenZeigen(); });
}

void THauptfenster::GeraeteStatusUmschalten() {
    QAction* action = Action("ActionDeviceStatus");
    if (geraeteStatus_) {
        delete geraeteStatus_.data();
        action->setChecked(false);
        return;
    }
    TGeraete* geraete = TGeraete::Instance();
    if (!geraete) {
        action->setChecked(false);
        return;
    }
    auto* fenster = new TGeraeteStatus(*geraete, this);
    // Closed from its own frame it goes, and the next click makes a new one.
    fenster->setAttribute(Qt::WA_DeleteOnClose);
    fenster->SetAktionAnzeige([action](bool shown) { action->setChecked(shown); });
    geraeteStatus_ = fenster;
    fenster->show();
}

void THauptfenster::StationenZeigen() {
    if (stationen_) {
        stationen_->showNormal();
        stationen_->raise();
        stationen_->activateWindow();
        return;
    }
    TStationenDatenbank* datenbank = StationenDatenbank();
    if (!datenbank) {
        QApplication::beep();
        return;
    }
    TStationenDlgUmgebung umgebung;
    umgebung.seiten = StationenEditorSeiten({Texte(), RemoteCommandManager(), Klaenge()});
    auto* fenster = new TStationenDatenbankDlg(*datenbank, std::move(umgebung), this);
    // Closed it goes, and the next call makes a new one.
    fenster->setAttribute(Qt::WA_DeleteOnClose);
    stationen_ = fenster;
    fenster->show();
}

void THauptfenster::EinstellungenZeigen() {
    if (einstellungen_) {
        einstellungen_->showNormal();
        einstellungen_->raise();
        einstellungen_->activateWindow();
        return;
    }
    // A window whose first page cannot be made is never kept.
    auto fenster = std::make_unique<TEinstellungenForm>(this);
    fenster->setAttribute(Qt::WA_DeleteOnClose);
    einstellungen_ = fenster.get();
    fenster.release()->show();
}

QWidget* THauptfenster::EinstellungenFenster() const {
    return einstellungen_.data();
}

QWidget* THauptfenster::StationenFenster() const {
    return stationen_.data();
}

void THauptfenster::HilfeZeigen() {
    if (!hilfe_) {
        hilfe_ = new THilfeFenster(this);
    }
    const std::filesystem::path file = hilfeDatei_.empty() ? ProgramHelpFileName() : hilfeDatei_;
    if (!hilfe_->Oeffnen(file)) {
        TDlgMessage::Run(Tr("Quarn"),
                         Tr("Die Datei \"%1\" wurde nicht gefunden oder ist ungültig")
                             .arg(QString::fromStdString(file.filename().string())),
                         mbOK, this);
    }
}

} // namespace quarn
