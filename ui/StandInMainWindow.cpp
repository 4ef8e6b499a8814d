// The stand-in window's start and end: the program's singletons in the main window's order.
#include "ui/StandInMainWindow.h"

#include "connections/AutomationServer.h"
#include "connections/ConnectionsListU.h"
#include "connections/RemoteCommandManagerU.h"
#include "connections/VerbindungenAnmelden.h"
#include "devices/GeraeteU.h"
#include "devices/KanaeleU.h"
#include "devices/KanalTasten.h"
#include "devices/VerbindenLaeuft.h"
#include "foundation/AutomationStartMode.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/GlobalU.h"
#include "foundation/InterfacesU.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/SplashU.h"
#include "foundation/StartupU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/FontFile.h"
#include "stations/KlaengeU.h"
#include "stations/MyCallsU.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QToolTip>
#include <exception>
#include <string>

namespace quarn {
namespace {

constexpr const char* kClass = "TStandInMainWindow";
constexpr int kSoundProgramStart = 18;
constexpr int kSoundProgramEnd = 19;

// One shut-down step: traced; its exception is reported (when `report`) and the next step runs. False
// when it failed.
template <class Step> bool Guarded(const char* text, bool report, Step step) noexcept {
    DebOutObj(kClass, "QuarnDestroy", text);
    try {
        step();
        return true;
    } catch (...) {
        if (report) {
            ReportUnhandledException(std::current_exception(), kClass, "QuarnDestroy", text);
        } else {
            DebOutObj(kClass, "QuarnDestroy", std::string("FEHLER: ") + text);
        }
        return false;
    }
}

} // namespace

TStandInMainWindow::TStandInMainWindow(std::filesystem::path fontFile) : fontFile_(std::move(fontFile)) {
    DebOutObj(kClass, "Create", "begin...");
    Aufbauen();
    qApp->installEventFilter(this);
    DebOutObj(kClass, "Create", "end.");
}

TStandInMainWindow::~TStandInMainWindow() {
    qApp->removeEventFilter(this);
    Abbauen();
}

bool TStandInMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget() ||
        !isAncestorOf(static_cast<QWidget*>(watched))) {
        return false;
    }
    const TKanaele* kanaele = TKanaele::Instance();
    const std::shared_ptr<IKanal> channel = kanaele ? kanaele->GetAktuell() : nullptr;
    if (!channel) {
        return false;
    }
    const auto& keyEvent = *static_cast<const QKeyEvent*>(event);
    int key = KanalTastenCode(keyEvent);
    channel->KeyPress(key, KanalShift(keyEvent.modifiers()));
    return key == 0;
}

void TStandInMainWindow::closeEvent(QCloseEvent* event) {
    // A connect still waits for its device and holds the connection it made.
    if (VerbindenLaeuft()) {
        DebOutObj(kClass, "Close", "Verbindungsaufbau läuft, Schließen abgelehnt.");
        event->ignore();
        return;
    }
    TStandInFenster::closeEvent(event);
}

void TStandInMainWindow::SplashStatus(const QString& text) {
    if (splash_) {
        splash_->SetStatus(text);
    }
}

void TStandInMainWindow::Aufbauen() {
    try {
        config_ = std::make_unique<TConfig>();
        scopedConfig_ = std::make_unique<ScopedConfig>(*config_);
        previousDirty_ = config_->GetDirty();
        config_->SetDirty(true);
        DebOutObj(kClass, "Create", previousDirty_ ? "Dirty: 1" : "Dirty: 0");

        // A program the bus started for a client shows nothing until the client asks.
        if (config_->GetSplashScreen() && StartMode() == TStartMode::Standalone) {
            // A child of the window, so it goes with the window should that close within the delay.
            splash_ = TDlgSplash::Open(this);
        }
        klaenge_ = std::make_unique<TKlaenge>();
        klaenge_->Play(kSoundProgramStart, std::string_view());
        texte_ = std::make_unique<TTexte>();
        remoteCommands_ = std::make_unique<TRemoteCommandManager>();
        connectionsList_ = std::make_unique<TConnectionsList>();
        VerbindungenAnmelden();
        SplashStatus(Tr("Initialisiere Schriften..."));
        LadeSchrift();

        myCalls_ = TMyCalls::Create();
        SplashStatus(Tr("Initialisiere Datenbank..."));
        ErzeugeDatenbank(previousDirty_ || config_->GetForceDatabaseCheck());
        config_->SetForceDatabaseCheck(false);

        SplashStatus(Tr("Initialisiere Kanäle..."));
        kanaele_ = std::make_unique<TKanaele>(*this);
        BindActions();

        SplashStatus(Tr("Initialisiere Geräte..."));
        geraete_ = std::make_unique<TGeraete>();
        geraete_->SetGeraeteStatusAnzeige([this](bool notReady) { SetGeraeteStatus(notReady); });
        geraete_->Statuswechsel(nullptr);
        StartAutomationServer();
    } catch (...) {
        initFehler_ = true;
        if (splash_) {
            delete splash_.data();
        }
        Abbauen();
        throw;
    }
    if (splash_) {
        splash_->SetStatus(Tr("Bereit."));
        splash_->CloseDelayed();
    }
    SetGestartet();
}

void TStandInMainWindow::BindActions() {
    // Every action works on the current channel and does nothing while there is none.
    const auto bind = [this](Aktion which, auto onChannel) {
        connect(Action(which), &QAction::triggered, this, [onChannel](bool checked) {
            const TKanaele* kanaele = TKanaele::Instance();
            if (const std::shared_ptr<IKanal> channel = kanaele ? kanaele->GetAktuell() : nullptr) {
                onChannel(*channel, checked);
            }
        });
    };
    bind(Aktion::Cut, [](IKanal& channel, bool) { channel.EditCut(); });
    bind(Aktion::Copy, [](IKanal&, bool) {
        // Copy takes the channel last clicked into, which may be the monitor.
        if (const std::shared_ptr<IKanal> context = TKanaele::Instance()->GetKontextKanal()) {
            context->EditCopy();
        }
    });
    bind(Aktion::Paste, [](IKanal& channel, bool) { channel.EditPaste(); });
    bind(Aktion::Delete, [](IKanal& channel, bool) { channel.EditDelete(); });
    bind(Aktion::Capture, [this](IKanal& channel, bool) {
        // Saving closes an open capture file; opening one waits for the capture dialog.
        channel.Speichern();
        Action(Aktion::Capture)->setChecked(false);
    });
    bind(Aktion::ShowDos, [](IKanal& channel, bool) { channel.SetShowDOS(!channel.GetShowDOS()); });
    bind(Aktion::DosUmlaute, [](IKanal& channel, bool) { channel.SetDosUmlaute(!channel.GetDosUmlaute()); });
    bind(Aktion::LocalEcho, [](IKanal& channel, bool checked) {
        if (const std::shared_ptr<IVerbindung> connection = channel.GetVerbindung()) {
            connection->SetLocalEcho(checked);
        }
    });
    bind(Aktion::Stop, [](IKanal& channel, bool) {
        if (const std::shared_ptr<IVerbindung> connection = channel.GetVerbindung()) {
            connection->StopModul();
        }
    });
    bind(Aktion::Changeover, [](IKanal& channel, bool) { channel.PactorChangeOver(); });
    bind(Aktion::Breakin, [](IKanal& channel, bool) { channel.PactorBreakIn(); });
    bind(Aktion::Hint, [](IKanal& channel, bool) {
        QToolTip::hideText();
        channel.HintZeigen();
    });
}

void TStandInMainWindow::ErzeugeDatenbank(bool check) {
    try {
        datenbank_ = std::make_unique<TStationenDatenbank>(check);
    } catch (const std::exception& error) {
        StartFehler(Tr("Fehler beim Öffnen der Datenbank. (%1)").arg(QString::fromUtf8(error.what())));
    }
}

void TStandInMainWindow::LadeSchrift() {
    if (AddFontResource(fontFile_) > 0) {
        fontLoaded_ = true;
        return;
    }
    StartFehler(Tr("Die erforderliche Datei \"%1\" kann nicht geladen werden.")
                    .arg(QString::fromStdString(fontFile_.filename().string())));
}

void TStandInMainWindow::StartFehler(const QString& text) {
    // The program cannot work without it: the user is told, and it ends.
    DebOutObj(kClass, "Create", "FEHLER: " + text.toStdString());
    if (splash_) {
        delete splash_.data();
    }
    MeldenVorDemEnde("Quarn", text, this);
    throw EProgrammEnde(kExitFailure, kClass, "Create", text.toStdString());
}

void TStandInMainWindow::Abbauen() noexcept {
    if (!config_) {
        return;
    }
    DebOutObj(kClass, "QuarnDestroy", "begin...");
    if (!initFehler_) {
        Guarded("Klaenge.Play", false, [this] {
            if (klaenge_) {
                klaenge_->Play(kSoundProgramEnd, std::string_view());
            }
        });
    }
    // The devices go first, before the quit event: it would cut their closing exchange short and leave
    // the TNC in host mode without its DEINIT list.
    // A part that could not be freed may have left its files half written: the next start checks.
    Guarded("Automation.Stop", false, [] { StopAutomationServer(); });
    bool freed = Guarded("Geraete.Free", true, [this] { geraete_.reset(); });
    Guarded("QuitEvent.Set", false, [] { QuitEvent().Set(); });
    freed &= Guarded("Kanaele.Free", true, [this] { kanaele_.reset(); });
    freed &= Guarded("MyCalls.Release", true, [this] { myCalls_.reset(); });
    freed &= Guarded("StationenDatenbank.Free", true, [this] {
        // Written here, where a failure can be told; the destructor cannot raise. Freed either way.
        if (const std::unique_ptr<TStationenDatenbank> datenbank = std::move(datenbank_)) {
            datenbank->Flush();
        }
    });
    freed &= Guarded("Texte.Free", true, [this] { texte_.reset(); });
    freed &= Guarded("RemoteCommandManager.Free", true, [this] { remoteCommands_.reset(); });
    freed &= Guarded("ConnectionsList.Free", true, [this] { connectionsList_.reset(); });
    freed &= Guarded("Klaenge.Free", true, [this] { klaenge_.reset(); });
    if (!initFehler_ && freed) {
        Guarded("Dirty := 0", false, [this] { config_->SetDirty(false); });
    }
    Guarded("Config.Free", true, [this] {
        scopedConfig_.reset();
        config_.reset();
    });
    if (fontLoaded_) {
        Guarded("FontDeInit", false, [this] {
            DebOutObj(kClass, "QuarnDestroy", RemoveFontResource(fontFile_) ? "ok." : "Fehler.");
        });
    }
    DebOutObj(kClass, "QuarnDestroy", "end.");
}

} // namespace quarn
