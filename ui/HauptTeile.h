#pragma once

#include <QString>

namespace quarn {

// The program's singletons the main window builds and frees, one by one.
enum class THauptTeil {
    Klaenge, // created playing the start sound
    Texte,
    RemoteCommands,
    ConnectionsList,
    MyCalls,
    Kanaele,
    Geraete,
    Automation,
};

// What the main window's start and end do to the program, behind a seam so that the order and the
// failure paths can be followed with a recording stand-in. THauptAblauf decides the order.
class IHauptTeile {
public:
    virtual ~IHauptTeile() = default;

    // Creates the configuration and returns its Dirty value from the previous run.
    virtual bool ConfigErzeugen() = 0;
    virtual void SetDirty(bool dirty) = 0;
    virtual bool ForceDatabaseCheck() const = 0;
    virtual void ClearForceDatabaseCheck() = 0;
    virtual void ConfigFreigeben() = 0;

    // The window takes dropped files and texts from now on, and no longer.
    virtual void DropTargetRegistrieren() = 0;
    virtual void DropTargetWiderrufen() = 0;

    // Places the window where the last run left it.
    virtual void FensterPositionLaden() = 0;

    virtual void SplashOeffnen() = 0;
    virtual void SplashStatus(const QString& text) = 0;
    // At once (a failed start) or shortly after "Bereit.".
    virtual void SplashSchliessen(bool verzoegert) = 0;

    virtual void Erzeugen(THauptTeil teil) = 0;
    virtual void Freigeben(THauptTeil teil) = 0;

    // False when the terminal font cannot be added; SchriftDatei names it for the message.
    virtual bool SchriftLaden() = 0;
    virtual QString SchriftDatei() const = 0;
    virtual void SchriftEntladen() = 0;

    // Raises when the station database cannot be opened.
    virtual void DatenbankOeffnen(bool pruefen) = 0;
    // Writes its batched changes and frees it.
    virtual void DatenbankFreigeben() = 0;

    virtual void ErsteSchritteZeigen() = 0;
    virtual void ErsteSchritteFreigeben() = 0;

    virtual void EndKlang() = 0;
    virtual void LayoutSpeichern() = 0;
    virtual void QuitEventSetzen() = 0;

    // Tells the operator why the program cannot start.
    virtual void Melden(const QString& text) = 0;
};

} // namespace quarn
