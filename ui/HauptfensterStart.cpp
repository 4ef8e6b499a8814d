// The main window's start and end, its key preview and the actions run on the current channel.
#include "connections/ConnectionsListU.h"
#include "devices/KanaeleU.h"
#include "devices/KanalTasten.h"
#include "devices/VerbindenLaeuft.h"
#include "foundation/AutomationStartMode.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/GlobalU.h"
#include "foundation/InterfacesU.h"
#include "foundation/SingleInstance.h"
#include "ui/HauptPanele.h"
#include "ui/HauptProgramm.h"
#include "ui/HauptTasten.h"
#include "ui/Hauptfenster.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QToolTip>

namespace quarn {
namespace {

constexpr const char* kClass = "THauptfenster";

} // namespace

THauptfenster::THauptfenster(std::filesystem::path fontFile) {
    setObjectName("Hauptfenster");
    setWindowTitle(kMainWindowTitle);
    setMinimumSize(kMinimum);
    resize(800, 700);
    BuildDocks();
    BuildStatusBar();
    BuildActions();

    programm_ = std::make_unique<THauptProgramm>(*this, std::move(fontFile));
    ablauf_ = std::make_unique<THauptAblauf>(*programm_);
    ablauf_->Start(true);
    BindActions();
    if (const TConfig* config = Config()) {
        panele_->GespeicherteHoehen(config->GetMonitorHeight(), config->GetInputHeight());
    }
    gestartet_ = true;
    qApp->installEventFilter(this);
    // A session's end frees the program's parts before the window goes.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &THauptfenster::SitzungsEnde);
}

THauptfenster::~THauptfenster() {
    qApp->removeEventFilter(this);
    ablauf_->Ende();
}

void THauptfenster::SetErsteSchritte(QWidget* fenster) {
    programm_->SetErsteSchritte(fenster);
}

void THauptfenster::SitzungsEnde() {
    ablauf_->Ende();
}

bool THauptfenster::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || watched != QApplication::focusWidget() ||
        !isAncestorOf(static_cast<QWidget*>(watched))) {
        return false;
    }
    TKanaele* kanaele = TKanaele::Instance();
    const std::shared_ptr<IKanal> channel = kanaele ? kanaele->GetAktuell() : nullptr;
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
    const THauptTaste taste = HauptTasteAuswerten(key, shift, kanaele->GetAnzahl());
    if (taste.kanal >= 0) {
        kanaele->SetAktuellNr(taste.kanal);
    }
    // The command pop-up comes with the command dialogs; until then Esc goes on to the widget.
    return taste.verbraucht && !taste.befehl;
}

void THauptfenster::closeEvent(QCloseEvent* event) {
    // A connect still waits for its device and holds the connection it made.
    if (VerbindenLaeuft()) {
        DebOutObj(kClass, "Close", "Verbindungsaufbau läuft, Schließen abgelehnt.");
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void THauptfenster::BindActions() {
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

} // namespace quarn
