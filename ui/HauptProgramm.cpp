// The program's singletons as the main window builds and frees them.
#include "ui/HauptProgramm.h"

#include "connections/automation/AutomationServer.h"
#include "connections/ConnectionsListU.h"
#include "connections/remote/RemoteCommandManagerU.h"
#include "connections/VerbindungenAnmelden.h"
#include "devices/GeraeteU.h"
#include "devices/channel/KanaeleU.h"
#include "foundation/AutomationStartMode.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/GlobalU.h"
#include "foundation/ImmediateExit.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/SplashU.h"
#include "foundation/UnhandledExceptionU.h"
#include "platform/FontFile.h"
#include "stations/KlaengeU.h"
#include "stations/MyCallsU.h"
#include "stations/StationenDatenbankU.h"
#include "stations/TexteU.h"
#include "ui/DropTargetU.h"
#include "ui/ErsteSchritteU.h"
#include "ui/HauptPanele.h"
#include "ui/Hauptfenster.h"
#include "ui/stationen/StationenDatenbankProgressForm.h"

#include <string_view>
#include <utility>

namespace quarn {
namespace {

constexpr const char* kClass = "THauptfenster";
constexpr int kSoundProgramStart = 18;
constexpr int kSoundProgramEnd = 19;

} // namespace

THauptProgramm::THauptProgramm(THauptfenster& fenster, std::filesystem::path fontFile)
    : fenster_(fenster), fontFile_(std::move(fontFile)), anwendungsFehler_([](std::exception_ptr error) {
          ReportUnhandledException(std::move(error), kClass, "ApplicationException", "");
      }) {}

THauptProgramm::~THauptProgramm() = default;

bool THauptProgramm::ConfigErzeugen() {
    config_ = std::make_unique<TConfig>();
    scopedConfig_ = std::make_unique<ScopedConfig>(*config_);
    // HighColor is known now: the pictures of the start follow it.
    fenster_.BilderLaden();
    return config_->GetDirty();
}

void THauptProgramm::SetDirty(bool dirty) {
    if (config_) {
        config_->SetDirty(dirty);
    }
}

bool THauptProgramm::ForceDatabaseCheck() const {
    return config_ && config_->GetForceDatabaseCheck();
}

void THauptProgramm::ClearForceDatabaseCheck() {
    config_->SetForceDatabaseCheck(false);
}

void THauptProgramm::ConfigFreigeben() {
    scopedConfig_.reset();
    config_.reset();
}

void THauptProgramm::DropTargetRegistrieren() {
    dropTarget_ = std::make_unique<TDropTarget>(fenster_);
}

void THauptProgramm::DropTargetWiderrufen() {
    dropTarget_.reset();
}

void THauptProgramm::FensterPositionLaden() {
    fenster_.PositionLaden();
}

void THauptProgramm::SplashOeffnen() {
    // A program the bus started for a client shows nothing until the client asks.
    if (config_->GetSplashScreen() && StartMode() == TStartMode::Standalone) {
        // A child of the window, so it goes with the window should that close within the delay.
        splash_ = TDlgSplash::Open(&fenster_);
    }
}

void THauptProgramm::SplashStatus(const QString& text) {
    if (splash_) {
        splash_->SetStatus(text);
    }
}

void THauptProgramm::SplashSchliessen(bool verzoegert) {
    if (!splash_) {
        return;
    }
    if (verzoegert) {
        splash_->CloseDelayed();
    } else {
        delete splash_.data();
    }
}

void THauptProgramm::Erzeugen(THauptTeil teil) {
    switch (teil) {
    case THauptTeil::Klaenge:
        klaenge_ = std::make_unique<TKlaenge>();
        klaenge_->Play(kSoundProgramStart, std::string_view());
        return;
    case THauptTeil::Texte:
        texte_ = std::make_unique<TTexte>();
        return;
    case THauptTeil::RemoteCommands:
        remoteCommands_ = std::make_unique<TRemoteCommandManager>();
        return;
    case THauptTeil::ConnectionsList:
        connectionsList_ = std::make_unique<TConnectionsList>();
        VerbindungenAnmelden();
        return;
    case THauptTeil::MyCalls:
        myCalls_ = TMyCalls::Create();
        return;
    case THauptTeil::Kanaele:
        kanaele_ = std::make_unique<TKanaele>(fenster_);
        return;
    case THauptTeil::Geraete:
        geraete_ = std::make_unique<TGeraete>();
        geraete_->SetGeraeteStatusAnzeige([this](bool notReady) { fenster_.SetGeraeteStatus(notReady); });
        geraete_->Statuswechsel(nullptr);
        return;
    case THauptTeil::Automation:
        StartAutomationServer();
        automation_ = true;
        return;
    }
}

void THauptProgramm::Freigeben(THauptTeil teil) {
    switch (teil) {
    case THauptTeil::Klaenge:
        klaenge_.reset();
        return;
    case THauptTeil::Texte:
        texte_.reset();
        return;
    case THauptTeil::RemoteCommands:
        remoteCommands_.reset();
        return;
    case THauptTeil::ConnectionsList:
        connectionsList_.reset();
        return;
    case THauptTeil::MyCalls:
        myCalls_.reset();
        return;
    case THauptTeil::Kanaele:
        kanaele_.reset();
        return;
    case THauptTeil::Geraete:
        geraete_.reset();
        return;
    case THauptTeil::Automation:
        if (std::exchange(automation_, false)) {
            StopAutomationServer();
        }
        return;
    }
}

bool THauptProgramm::SchriftLaden() {
    fontLoaded_ = AddFontResource(fontFile_) > 0;
    return fontLoaded_;
}

QString THauptProgramm::SchriftDatei() const {
    return QString::fromStdString(fontFile_.filename().string());
}

void THauptProgramm::SchriftEntladen() {
    if (std::exchange(fontLoaded_, false)) {
        DebOutObj(kClass, "QuarnDestroy", RemoveFontResource(fontFile_) ? "ok." : "Fehler.");
    }
}

void THauptProgramm::DatenbankOeffnen(bool pruefen) {
    TStationenDatenbankOptions options;
    // The check holds the GUI thread: its window is painted before, centred while the main window is hidden.
    auto anzeige = std::make_shared<std::unique_ptr<TStationenDatenbankProgressForm>>();
    options.progress = [this, anzeige](bool visible) {
        if (!visible) {
            anzeige->reset();
            return;
        }
        *anzeige = std::make_unique<TStationenDatenbankProgressForm>(&fenster_);
        (*anzeige)->Zeigen();
    };
    datenbank_ = std::make_unique<TStationenDatenbank>(pruefen, std::move(options));
    datenbankSichern_ = std::make_unique<TImmediateExitHook>([] { FlushStationenDatenbank(); });
}

void THauptProgramm::DatenbankFreigeben() {
    datenbankSichern_.reset();
    // Written here, where a failure can be told; the destructor cannot raise. Freed either way.
    if (const std::unique_ptr<TStationenDatenbank> datenbank = std::move(datenbank_)) {
        datenbank->Flush();
    }
}

void THauptProgramm::ErsteSchritteZeigen() {
    // Once after each new version.
    if (config_ && config_->FirstStepsChanged()) {
        ErsteSchritteOeffnen();
    }
}

void THauptProgramm::ErsteSchritteOeffnen() {
    if (!ersteSchritte_) {
        // It frees itself when closed and tells the window, which may be ending by then.
        ersteSchritte_ = new TErsteSchritte(&fenster_, [fenster = QPointer<THauptfenster>(&fenster_)] {
            if (fenster) {
                fenster->SetErsteSchritte(nullptr);
            }
        });
    }
    ersteSchritte_->show();
    ersteSchritte_->raise();
}

void THauptProgramm::ErsteSchritteFreigeben() {
    // Guarded: the window may have closed and freed itself already.
    if (const QPointer<QWidget> fenster = std::exchange(ersteSchritte_, nullptr)) {
        fenster->close();
        if (fenster) {
            fenster->deleteLater();
        }
    }
}

void THauptProgramm::EndKlang() {
    if (klaenge_) {
        klaenge_->Play(kSoundProgramEnd, std::string_view());
    }
}

void THauptProgramm::LayoutSpeichern() {
    if (!config_) {
        return;
    }
    const THauptLayout& layout = fenster_.Panele().Layout();
    config_->SetMonitorHeight(layout.monitor);
    config_->SetInputHeight(layout.eingabe);
    fenster_.LeisteSpeichern(*config_);
    fenster_.PositionSpeichern();
}

void THauptProgramm::QuitEventSetzen() {
    QuitEvent().Set();
}

void THauptProgramm::Melden(const QString& text) {
    MeldenVorDemEnde("Quarn", text, &fenster_);
}

} // namespace quarn
