#pragma once

#include "devices/KanalFenster.h"
#include "foundation/DesignTexts.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QLabel;
class QProgressBar;
class QSplitter;
class QToolBar;

namespace quarn {

class ScopedConfig;
class TConfig;
class TConnectionsList;
class TDlgSplash;
class TGeraete;
class TKlaenge;
class TMyCalls;
class TStationenDatenbank;

// A plain window in the place of the program's main window until that is built. It carries the title a
// later copy looks for and answers WM_AKTIVIEREN. Its construction builds the program's singletons in the
// main window's order (showing the splash meanwhile, closed with "Bereit."), its destruction frees them
// in the shut-down order. Between the two the channels live on it through IKanalFenster: the monitor on
// top, the active channel's console and input editor below, the channel buttons, the status bar and the
// actions the active channel keeps in step. When the real main window comes, it replaces this class (and
// its use in main), it does not extend it.
class TStandInMainWindow : public QMainWindow, public IKanalFenster {
    // Its texts are those of the main window it stands in for.
    QUARN_DESIGN_TEXTS(THauptfenster)

public:
    static constexpr int kStatusPanels = 11;

    // Raises EStartAbbruch (after telling the user and freeing what was built) when the station database
    // cannot be opened.
    TStandInMainWindow();
    ~TStandInMainWindow() override;
    TStandInMainWindow(const TStandInMainWindow&) = delete;
    TStandInMainWindow& operator=(const TStandInMainWindow&) = delete;

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

    // The parts the seam fills, for a look from outside.
    QWidget* Panel(TKanalPanel panel) const;
    QToolBar* KanalLeiste() const { return kanalLeiste_; }
    const QLabel* StatusLabel(int index) const { return statusPanels_.at(static_cast<std::size_t>(index)); }
    const QProgressBar* Fortschritt() const { return progressBar_; }
    const QLabel* FortschrittText() const { return progressLabel_; }
    // Cut, Copy, Paste, Delete, Local echo, Capture, ShowDOS, DOS umlauts, Stop, Pactor change-over,
    // Pactor break-in.
    enum class Aktion {
        Cut,
        Copy,
        Paste,
        Delete,
        LocalEcho,
        Capture,
        ShowDos,
        DosUmlaute,
        Stop,
        Changeover,
        Breakin
    };
    QAction* Action(Aktion which) const { return actions_.at(static_cast<std::size_t>(which)); }
    int StopBild() const { return stopBild_; }

protected:
    bool event(QEvent* event) override;

private:
    void BuildPanels();
    void BuildStatusBar();
    void BuildActions();
    void SetGeraeteStatus(bool notReady);
    void Activate();

    // Start-up and shut-down of the singletons (StandInStart.cpp).
    void Aufbauen();
    void ErzeugeDatenbank(bool check);
    void Abbauen() noexcept;
    void SplashStatus(const QString& text);

    QWidget* monitorPanel_ = nullptr;
    QWidget* ausgabePanel_ = nullptr;
    QWidget* eingabePanel_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QToolBar* kanalLeiste_ = nullptr;
    QActionGroup* kanalGruppe_ = nullptr;
    int kanalLeisteUpdates_ = 0;
    std::array<QLabel*, kStatusPanels> statusPanels_{};
    QProgressBar* progressBar_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    std::array<QAction*, 11> actions_{};
    int stopBild_ = 10;
    std::optional<bool> geraeteNichtBereit_;
    QPointer<TDlgSplash> splash_;

    bool gestartet_ = false;
    bool initFehler_ = false;
    bool previousDirty_ = false;
    // Freed in the reverse of this order, by Abbauen.
    std::unique_ptr<TConfig> config_;
    std::unique_ptr<ScopedConfig> scopedConfig_;
    std::unique_ptr<TKlaenge> klaenge_;
    std::unique_ptr<TConnectionsList> connectionsList_;
    std::unique_ptr<TStationenDatenbank> datenbank_;
    std::shared_ptr<TMyCalls> myCalls_;
    std::unique_ptr<TGeraete> geraete_;
};

} // namespace quarn
