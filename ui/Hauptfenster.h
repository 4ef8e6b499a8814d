#pragma once

#include "devices/channel/KanalFenster.h"
#include "foundation/DesignTexts.h"
#include "platform/FontFile.h"
#include "ui/BilderListen.h"
#include "ui/DropTargetU.h"
#include "ui/HauptAblauf.h"
#include "ui/HauptTasten.h"
#include "ui/StandInLeiste.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <memory>
#include <optional>

class QAction;
class QDialog;
class QActionGroup;
class QKeyEvent;
class QLabel;
class QMenuBar;
class QProgressBar;
class QToolBar;

namespace quarn {

class TButton97;
class TConfig;
class TGeraeteStatus;
class TStationenDatenbankDlg;
class TEinstellungenForm;
class THauptPanele;
class THauptProgramm;
class THintManager;
class TThemeManager;
class THilfeFenster;

// The program's one main window: a plain top-level widget with its own dock hosts (top, both sides,
// bottom), the menu bar and command toolbar in the top one, the hand-placed panels the channels live on
// (through IKanalFenster) and the status bar. Its construction builds the program's singletons, its end
// frees them, once, whether the session's end or the destruction comes first.
class THauptfenster : public QWidget, public IKanalFenster, public IDropFenster {
    QUARN_DESIGN_TEXTS(THauptfenster)

public:
    static constexpr int kStatusPanels = 11;
    static constexpr QSize kMinimum{340, 280};

    // Raises EProgrammEnde (after telling the operator and freeing what was built) when the terminal font
    // or the station database cannot be loaded; the event loop is then never entered.
    explicit THauptfenster(std::filesystem::path fontFile = ProgramFontFileName());
    ~THauptfenster() override;
    THauptfenster(const THauptfenster&) = delete;
    THauptfenster& operator=(const THauptfenster&) = delete;

    // The session ends: the program's parts are freed now; the later destruction does nothing more.
    void SitzungsEnde();

    // IKanalFenster
    void Einbetten(TKanalPanel panel, QWidget* widget) override;
    void KanalLeisteBeginUpdate() override;
    void KanalLeisteEndUpdate() override;
    std::unique_ptr<IKanalKnopf> KanalKnopfErzeugen(int number, std::function<void()> onClick) override;
    void SetStatusPanel(int index, const QString& text) override;
    QString StatusPanel(int index) const override;
    void SetFortschritt(bool visible, const QString& label, int percent) override;
    void SetAktionen(const TKanalAktionen& actions) override;
    void SetStopBild(int image) override;
    std::vector<QPixmap> GutterBilder() const override;
    bool IsGestartet() const override { return gestartet_; }
    bool IsSichtbar() const override;
    void Aufmerksamkeit() override;
    QWidget* SendenOeffnen(const std::shared_ptr<IKanal>& kanal, const TSendenVorgabe& vorgabe) override;

    // IDropFenster: the channel toolbar's buttons under a drag.
    QWidget& DropFenster() override { return *this; }
    std::optional<int> KanalKnopfBei(const QPoint& global) const override;
    void KanalKnopfKlicken(int number) override;

    // The parts, for a look from outside.
    QWidget* Panel(TKanalPanel panel) const;
    THauptPanele& Panele() const { return *panele_; }
    QToolBar* KanalLeiste() const { return kanalLeiste_; }
    QToolBar* Befehlsleiste() const { return befehlsleiste_; }
    QMenuBar* Menue() const { return menue_; }
    // Top, left, right, bottom.
    QWidget* Dock(int index) const { return docks_.at(static_cast<std::size_t>(index)); }
    const QLabel* StatusLabel(int index) const { return statusPanels_.at(static_cast<std::size_t>(index)); }
    const QProgressBar* Fortschritt() const { return progressBar_; }
    const QLabel* FortschrittText() const { return progressLabel_; }
    // An action by its name ("ActionConnect", ...); null for a name the window has none of.
    QAction* Action(const char* name) const;
    // Panel 9's button, the device light that opens the device-status window.
    TButton97* GeraeteStatusKnopf() const { return geraeteStatusKnopf_; }
    // The device-status and help windows while they exist.
    QWidget* GeraeteStatusFenster() const;
    THilfeFenster* HilfeFenster() const;
    // The station-database window while it is open.
    QWidget* StationenFenster() const;
    // The settings window while it is open.
    QWidget* EinstellungenFenster() const;
    // The help page ActionHelpContents shows; the one beside the program unless set.
    void SetHilfeDatei(std::filesystem::path file) { hilfeDatei_ = std::move(file); }
    const TStandInThemaSchalter& ThemaSchalter() const { return themaSchalter_; }
    // The toolbar's theme and text mode into the configuration, for the next start.
    void LeisteSpeichern(TConfig& config) const;
    int StopBild() const { return stopBild_; }
    // The picture lists, true-colour or sixteen colours as the screen and HighColor say; loaded at the
    // start and again when the operator changes HighColor. Consoles made later take the new gutter marks.
    void BilderLaden();
    const TBilderListen& Bilder() const { return bilder_; }
    const THauptAblauf& Ablauf() const { return *ablauf_; }

    // The first-steps window while it is shown; it may close and free itself before the end.
    void SetErsteSchritte(QWidget* fenster);
    QWidget* ErsteSchritte() const;

    // The device light of the status bar; changes only when the state does.
    void SetGeraeteStatus(bool notReady);

    // The window's place and state ("Windows\Main"): taken from the last run at the start, kept at the end.
    void PositionLaden();
    void PositionSpeichern();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Key preview: every key for a widget of this window goes to the current channel first.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildDocks();
    void BuildStatusBar();
    void BuildActions();
    void BuildMenus();
    void BuildAccelerators();
    void BindActions();
    void ThemaUndTextVerbinden();
    void LeisteLaden(const TConfig& config);
    void Activate();
    void BefehlAufrufen();
    // A function key the current channel left: the channel it chooses becomes current.
    THauptTaste KanalTasteAnwenden(int key, unsigned shift);
    // A key that is the shortcut of one of the window's enabled commands (not an edit key).
    bool IsBefehlsTaste(const QKeyEvent& key) const;
    void GeraeteStatusUmschalten();
    void StationenZeigen();
    void EinstellungenZeigen();
    void HilfeZeigen();
    // The windows that live beside the main window go before it and before the program's parts.
    void NebenfensterSchliessen();

    std::unique_ptr<THintManager> hintManager_;
    TThemeManager* themeManager_ = nullptr;
    std::unique_ptr<THauptProgramm> programm_;
    std::unique_ptr<THauptAblauf> ablauf_;
    THauptPanele* panele_ = nullptr;
    std::array<QWidget*, 4> docks_{};
    QMenuBar* menue_ = nullptr;
    QToolBar* befehlsleiste_ = nullptr;
    QToolBar* kanalLeiste_ = nullptr;
    QActionGroup* kanalGruppe_ = nullptr;
    int kanalLeisteUpdates_ = 0;
    QWidget* statusbar_ = nullptr;
    std::array<QLabel*, kStatusPanels> statusPanels_{};
    QProgressBar* progressBar_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    TButton97* geraeteStatusKnopf_ = nullptr;
    QPointer<TGeraeteStatus> geraeteStatus_;
    QPointer<THilfeFenster> hilfe_;
    QPointer<TStationenDatenbankDlg> stationen_;
    QPointer<TEinstellungenForm> einstellungen_;
    // The notice that the window cannot close while a connect waits; one at a time.
    QPointer<QDialog> schliessenHinweis_;
    std::filesystem::path hilfeDatei_;
    TStandInThemaSchalter themaSchalter_;
    TBilderListen bilder_ = TBilderListen::Laden(true);
    int stopBild_ = 10;
    std::optional<bool> geraeteNichtBereit_;
    bool gestartet_ = false;
};

} // namespace quarn
