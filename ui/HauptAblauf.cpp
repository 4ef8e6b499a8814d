// The main window's start and end: the program's singletons built and freed in a fixed order.
#include "ui/HauptAblauf.h"

#include "foundation/DebOutU.h"
#include "foundation/StartupU.h"
#include "foundation/UnhandledExceptionU.h"
#include "ui/HauptTeile.h"

#include <exception>
#include <string>

namespace quarn {
namespace {

constexpr const char* kClass = "THauptfenster";

} // namespace

void THauptAblauf::Start(bool splash) {
    DebOutObj(kClass, "Create", "begin...");
    gestartet_ = true;
    try {
        Aufbauen(splash);
    } catch (...) {
        initFehler_ = true;
        teile_.SplashSchliessen(false);
        Ende();
        throw;
    }
    DebOutObj(kClass, "Create", "end.");
}

void THauptAblauf::Aufbauen(bool splash) {
    vorherDirty_ = teile_.ConfigErzeugen();
    teile_.SetDirty(true);
    DebOutObj(kClass, "Create", vorherDirty_ ? "Dirty: 1" : "Dirty: 0");
    teile_.DropTargetRegistrieren();
    teile_.FensterPositionLaden();
    if (splash) {
        teile_.SplashOeffnen();
    }
    teile_.Erzeugen(THauptTeil::Klaenge);
    teile_.Erzeugen(THauptTeil::Texte);
    teile_.Erzeugen(THauptTeil::RemoteCommands);
    teile_.Erzeugen(THauptTeil::ConnectionsList);

    teile_.SplashStatus(Tr("Initialisiere Schriften..."));
    if (!teile_.SchriftLaden()) {
        StartFehler(
            Tr("Die erforderliche Datei \"%1\" kann nicht geladen werden.").arg(teile_.SchriftDatei()));
    }
    teile_.Erzeugen(THauptTeil::MyCalls);
    teile_.SplashStatus(Tr("Initialisiere Datenbank..."));
    try {
        teile_.DatenbankOeffnen(vorherDirty_ || teile_.ForceDatabaseCheck());
    } catch (const std::exception& error) {
        StartFehler(Tr("Fehler beim Öffnen der Datenbank. (%1)").arg(QString::fromUtf8(error.what())));
    }
    teile_.ClearForceDatabaseCheck();
    teile_.SplashStatus(Tr("Initialisiere Kanäle..."));
    teile_.Erzeugen(THauptTeil::Kanaele);
    teile_.SplashStatus(Tr("Initialisiere Geräte..."));
    teile_.Erzeugen(THauptTeil::Geraete);
    teile_.Erzeugen(THauptTeil::Automation);
    teile_.SplashStatus(Tr("Bereit."));
    teile_.SplashSchliessen(true);
    teile_.ErsteSchritteZeigen();
}

void THauptAblauf::StartFehler(const QString& text) {
    // The program cannot work without it: the operator is told, and it ends.
    DebOutObj(kClass, "Create", "FEHLER: " + text.toStdString());
    teile_.SplashSchliessen(false);
    teile_.Melden(text);
    throw EProgrammEnde(kExitFailure, kClass, "Create", text.toStdString());
}

// One step of the end: traced; its exception is reported (when `melden`) or traced, and the next step
// runs. False when it failed.
template <class Step> bool THauptAblauf::Schritt(const char* text, bool melden, Step step) noexcept {
    DebOutObj(kClass, "QuarnDestroy", text);
    try {
        step();
        return true;
    } catch (...) {
        if (melden) {
            ReportUnhandledException(std::current_exception(), kClass, "QuarnDestroy", text);
        } else {
            DebOutObj(kClass, "QuarnDestroy", std::string("FEHLER: ") + text);
        }
        return false;
    }
}

void THauptAblauf::Ende() noexcept {
    // Called from the session's end and again from the window's destruction: the parts are freed once.
    if (!gestartet_ || beendet_) {
        return;
    }
    beendet_ = true;
    DebOutObj(kClass, "QuarnDestroy", "begin...");
    if (!initFehler_) {
        Schritt("Klaenge.Play", false, [this] { teile_.EndKlang(); });
        Schritt("Save Window Position", false, [this] { teile_.LayoutSpeichern(); });
    }
    Schritt("ErsteSchritte.Release", false, [this] { teile_.ErsteSchritteFreigeben(); });
    Schritt("Revoke Drag & Drop", false, [this] { teile_.DropTargetWiderrufen(); });
    Schritt("Automation.Stop", false, [this] { teile_.Freigeben(THauptTeil::Automation); });
    // The devices go before the quit event: it would cut their closing exchange short and leave the TNC in
    // host mode without its DEINIT list.
    bool frei = Schritt("Geraete.Free", true, [this] { teile_.Freigeben(THauptTeil::Geraete); });
    Schritt("QuitEvent.Set", false, [this] { teile_.QuitEventSetzen(); });
    frei &= Schritt("Kanaele.Free", true, [this] { teile_.Freigeben(THauptTeil::Kanaele); });
    frei &= Schritt("MyCalls.Release", true, [this] { teile_.Freigeben(THauptTeil::MyCalls); });
    frei &= Schritt("StationenDatenbank.Free", true, [this] { teile_.DatenbankFreigeben(); });
    frei &= Schritt("Texte.Free", true, [this] { teile_.Freigeben(THauptTeil::Texte); });
    frei &=
        Schritt("RemoteCommandManager.Free", true, [this] { teile_.Freigeben(THauptTeil::RemoteCommands); });
    frei &= Schritt("ConnectionsList.Free", true, [this] { teile_.Freigeben(THauptTeil::ConnectionsList); });
    frei &= Schritt("Klaenge.Free", true, [this] { teile_.Freigeben(THauptTeil::Klaenge); });
    // A part that could not be freed may have left its files half written: the next start checks.
    if (!initFehler_ && frei) {
        Schritt("Dirty := 0", false, [this] { teile_.SetDirty(false); });
    }
    Schritt("Config.Free", true, [this] { teile_.ConfigFreigeben(); });
    Schritt("FontDeInit", false, [this] { teile_.SchriftEntladen(); });
    DebOutObj(kClass, "QuarnDestroy", "end.");
}

} // namespace quarn
