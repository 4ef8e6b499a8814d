#pragma once

#include "devices/KanalFenster.h"
#include "foundation/DesignTexts.h"

#include <QMainWindow>
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

// The widgets of the stand-in main window, on which the channels live through IKanalFenster: the monitor
// on top, the channel buttons, the shown channel's console and input editor below, the status bar and
// the actions the active channel keeps in step. It carries the title a later copy looks for and answers
// WM_AKTIVIEREN. TStandInMainWindow adds the program's start and end to it.
class TStandInFenster : public QMainWindow, public IKanalFenster {
    // Its texts are those of the main window it stands in for.
    QUARN_DESIGN_TEXTS(THauptfenster)

public:
    static constexpr int kStatusPanels = 11;

    TStandInFenster();
    TStandInFenster(const TStandInFenster&) = delete;
    TStandInFenster& operator=(const TStandInFenster&) = delete;

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
    // Pactor break-in, the channel's hint (Ctrl+H, no menu item).
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
        Breakin,
        Hint
    };
    QAction* Action(Aktion which) const { return actions_.at(static_cast<std::size_t>(which)); }
    int StopBild() const { return stopBild_; }

    // The device light of the status bar; changes only when the state does.
    void SetGeraeteStatus(bool notReady);

protected:
    bool event(QEvent* event) override;
    // Set once the start has finished.
    void SetGestartet() { gestartet_ = true; }

private:
    void BuildPanels();
    void BuildStatusBar();
    void BuildActions();
    void Activate();

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
    std::array<QAction*, 12> actions_{};
    int stopBild_ = 10;
    std::optional<bool> geraeteNichtBereit_;
    bool gestartet_ = false;
};

} // namespace quarn
