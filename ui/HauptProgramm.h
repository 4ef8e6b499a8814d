#pragma once

#include "foundation/QuarnApplication.h"
#include "ui/HauptTeile.h"

#include <QPointer>
#include <filesystem>
#include <memory>

class QWidget;

namespace quarn {

class ScopedConfig;
class TConfig;
class TConnectionsList;
class TDlgSplash;
class TDropTarget;
class TImmediateExitHook;
class TGeraete;
class THauptfenster;
class TKanaele;
class TKlaenge;
class TMyCalls;
class TRemoteCommandManager;
class TStationenDatenbank;
class TTexte;

// The program's real singletons, as the main window builds and frees them.
class THauptProgramm final : public IHauptTeile {
public:
    THauptProgramm(THauptfenster& fenster, std::filesystem::path fontFile);
    ~THauptProgramm() override;
    THauptProgramm(const THauptProgramm&) = delete;
    THauptProgramm& operator=(const THauptProgramm&) = delete;

    bool ConfigErzeugen() override;
    void SetDirty(bool dirty) override;
    bool ForceDatabaseCheck() const override;
    void ClearForceDatabaseCheck() override;
    void ConfigFreigeben() override;
    void DropTargetRegistrieren() override;
    void DropTargetWiderrufen() override;
    void FensterPositionLaden() override;
    void SplashOeffnen() override;
    void SplashStatus(const QString& text) override;
    void SplashSchliessen(bool verzoegert) override;
    void Erzeugen(THauptTeil teil) override;
    void Freigeben(THauptTeil teil) override;
    bool SchriftLaden() override;
    QString SchriftDatei() const override;
    void SchriftEntladen() override;
    void DatenbankOeffnen(bool pruefen) override;
    void DatenbankFreigeben() override;
    void ErsteSchritteZeigen() override;
    void ErsteSchritteFreigeben() override;
    void EndKlang() override;
    void LayoutSpeichern() override;
    void QuitEventSetzen() override;
    void Melden(const QString& text) override;

    // Creates the first-steps window when there is none, and shows it.
    void ErsteSchritteOeffnen();
    // The first-steps window while it exists; it may close and free itself at any time.
    void SetErsteSchritte(QWidget* fenster) { ersteSchritte_ = fenster; }
    QWidget* ErsteSchritte() const { return ersteSchritte_; }

private:
    THauptfenster& fenster_;
    const std::filesystem::path fontFile_;
    bool fontLoaded_ = false;
    QPointer<TDlgSplash> splash_;
    QPointer<QWidget> ersteSchritte_;
    std::unique_ptr<TConfig> config_;
    std::unique_ptr<ScopedConfig> scopedConfig_;
    std::unique_ptr<TDropTarget> dropTarget_;
    std::unique_ptr<TKlaenge> klaenge_;
    std::unique_ptr<TTexte> texte_;
    std::unique_ptr<TRemoteCommandManager> remoteCommands_;
    std::unique_ptr<TConnectionsList> connectionsList_;
    std::unique_ptr<TStationenDatenbank> datenbank_;
    // While the database is open, its batched changes reach the file even when the process ends at once.
    std::unique_ptr<TImmediateExitHook> datenbankSichern_;
    std::shared_ptr<TMyCalls> myCalls_;
    std::unique_ptr<TKanaele> kanaele_;
    std::unique_ptr<TGeraete> geraete_;
    bool automation_ = false;
    // An exception out of an event handler is reported as the main window's.
    TScopedExceptionHook anwendungsFehler_;
};

} // namespace quarn
