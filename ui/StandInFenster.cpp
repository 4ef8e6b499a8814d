#include "ui/StandInFenster.h"

#include "foundation/DebOutU.h"
#include "foundation/QuarnException.h"
#include "foundation/SingleInstance.h"
#include "ui/StandInBilder.h"
#include "ui/StandInKanalKnopf.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace quarn {
namespace {

constexpr const char* kClass = "TStandInMainWindow";

// Width, hint and whether framed, of each status-bar panel, left to right.
struct StatusPanelForm {
    int width;
    const char* hint;
    bool framed;
};
constexpr std::array<StatusPanelForm, TStandInFenster::kStatusPanels> kStatusPanelForms{{
    {102, "", true},
    {135, "", true},
    {70, QT_TRANSLATE_NOOP("THauptfenster", "eff. Baud"), true},
    {27, QT_TRANSLATE_NOOP("THauptfenster", "Tries"), true},
    {27, QT_TRANSLATE_NOOP("THauptfenster", "Unacked Frames"), true},
    {33, QT_TRANSLATE_NOOP("THauptfenster", "Frack [100ms]"), true},
    {22, QT_TRANSLATE_NOOP("THauptfenster", "MaxFrame"), true},
    {67, QT_TRANSLATE_NOOP("THauptfenster", "ax25-Status"), true},
    {67, QT_TRANSLATE_NOOP("THauptfenster", "Eigenes Rufzeichen"), true},
    {19, "", false},
    {67, "", false},
}};

// A panel the channels fill: their widgets stacked, the hidden ones taking no space.
QWidget* MakePanel(const char* name, QWidget* parent) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return panel;
}

} // namespace

TStandInFenster::TStandInFenster() {
    setObjectName("Hauptfenster");
    setWindowTitle(kMainWindowTitle);
    setMinimumSize(340, 280);
    resize(800, 700);
    BuildPanels();
    BuildStatusBar();
    BuildActions();
}

void TStandInFenster::BuildPanels() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    splitter_ = new QSplitter(Qt::Vertical, central);
    splitter_->setChildrenCollapsible(false);
    layout->addWidget(splitter_);

    monitorPanel_ = MakePanel("MonitorPanel", splitter_);
    // The channel buttons divide the monitor from the channel shown below them.
    auto* kanalBereich = new QWidget(splitter_);
    auto* kanalLayout = new QVBoxLayout(kanalBereich);
    kanalLayout->setContentsMargins(0, 0, 0, 0);
    kanalLayout->setSpacing(0);
    kanalLeiste_ = new QToolBar(Tr("Kanäle"), kanalBereich);
    kanalLeiste_->setObjectName("ChannelToolbar");
    kanalLeiste_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    kanalLeiste_->setIconSize(QSize(10, 13));
    kanalGruppe_ = new QActionGroup(kanalLeiste_);
    kanalGruppe_->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    ausgabePanel_ = MakePanel("AusgabePanel", kanalBereich);
    kanalLayout->addWidget(kanalLeiste_);
    kanalLayout->addWidget(ausgabePanel_, 1);
    eingabePanel_ = MakePanel("EingabePanel", splitter_);
    splitter_->addWidget(monitorPanel_);
    splitter_->addWidget(kanalBereich);
    splitter_->addWidget(eingabePanel_);
    // Proportions only: the splitter spreads its height in these weights (panels start empty and would
    // otherwise get no room).
    splitter_->setSizes({280, 330, 90});
    splitter_->setStretchFactor(1, 1);
    setCentralWidget(central);
}

void TStandInFenster::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("Statusbar");
    bar->setSizeGripEnabled(true);
    for (std::size_t index = 0; index < statusPanels_.size(); ++index) {
        const StatusPanelForm& form = kStatusPanelForms[index];
        auto* panel = new QLabel(bar);
        panel->setObjectName(QString::asprintf("StatusPanel%zu", index));
        panel->setMinimumWidth(form.width);
        panel->setAlignment(index >= 2 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        if (form.framed) {
            panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        }
        if (*form.hint != '\0') {
            panel->setToolTip(Tr(form.hint));
        }
        // Panel 1 holds file names and may grow.
        bar->addWidget(panel, index == 1 ? 1 : 0);
        statusPanels_[index] = panel;
    }
    progressLabel_ = new QLabel("0%", bar);
    progressLabel_->setObjectName("ProgressLabel");
    progressLabel_->setAlignment(Qt::AlignCenter);
    progressBar_ = new QProgressBar(bar);
    progressBar_->setObjectName("Progressbar");
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    progressBar_->setMaximumWidth(160);
    bar->addPermanentWidget(progressLabel_);
    bar->addPermanentWidget(progressBar_);
    progressLabel_->hide();
    progressBar_->hide();
}

void TStandInFenster::BuildActions() {
    const auto make = [this](Aktion which, const char* name, const QString& caption, bool checkable) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        action->setCheckable(checkable);
        action->setEnabled(false);
        actions_[static_cast<std::size_t>(which)] = action;
        return action;
    };
    QMenu* datei = menuBar()->addMenu(Tr("&Datei"));
    datei->addAction(make(Aktion::Capture, "ActionSave", Tr("&Speichern"), true));
    datei->addAction(make(Aktion::Stop, "ActionStop", Tr("Abb&rechen"), false));
    datei->addSeparator();
    QAction* ende = datei->addAction(Tr("&Beenden"));
    ende->setObjectName("ActionEnd");
    connect(ende, &QAction::triggered, this, &QWidget::close);

    QMenu* verbindung = menuBar()->addMenu(Tr("Verbind&ung"));
    verbindung->addAction(make(Aktion::LocalEcho, "ActionLocalEcho", Tr("Lokales &Echo"), true));
    verbindung->addSeparator();
    QMenu* pactor = verbindung->addMenu(Tr("&Pactor"));
    pactor->addAction(make(Aktion::Changeover, "ActionPactorChangeover", Tr("&ChangeOver"), false));
    pactor->addAction(make(Aktion::Breakin, "ActionPactorBreakin", Tr("&BreakIn"), false));

    QMenu* bearbeiten = menuBar()->addMenu(Tr("&Bearbeiten"));
    bearbeiten->addAction(make(Aktion::Cut, "ActionEditCut", Tr("A&usschneiden"), false));
    bearbeiten->addAction(make(Aktion::Copy, "ActionEditCopy", Tr("&Kopieren"), false));
    bearbeiten->addAction(make(Aktion::Paste, "ActionEditPaste", Tr("E&infügen"), false));
    bearbeiten->addAction(make(Aktion::Delete, "ActionEditDelete", Tr("&Löschen"), false));

    QMenu* ansicht = menuBar()->addMenu(Tr("&Ansicht"));
    ansicht->addAction(make(Aktion::ShowDos, "ActionDosUmlauteAnzeigen", Tr("&DOS-Umlaute anzeigen"), true));
    ansicht->addAction(make(Aktion::DosUmlaute, "ActionDosUmlauteSenden", Tr("&DOS-Umlaute senden"), true));

    QAction* hint = make(Aktion::Hint, "ActionHint", QString(), false);
    hint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    hint->setEnabled(true);
    addAction(hint);
}

QWidget* TStandInFenster::Panel(TKanalPanel panel) const {
    switch (panel) {
    case TKanalPanel::Monitor:
        return monitorPanel_;
    case TKanalPanel::Ausgabe:
        return ausgabePanel_;
    case TKanalPanel::Eingabe:
        return eingabePanel_;
    }
    throw QuarnException(kClass, "Panel", "unknown panel");
}

void TStandInFenster::Einbetten(TKanalPanel panel, QWidget* widget) {
    QWidget* target = Panel(panel);
    widget->setParent(target, widget->windowFlags() & ~Qt::WindowType_Mask);
    target->layout()->addWidget(widget);
}

void TStandInFenster::KanalLeisteBeginUpdate() {
    if (kanalLeisteUpdates_++ == 0) {
        kanalLeiste_->setUpdatesEnabled(false);
    }
}

void TStandInFenster::KanalLeisteEndUpdate() {
    if (kanalLeisteUpdates_ > 0 && --kanalLeisteUpdates_ == 0) {
        kanalLeiste_->setUpdatesEnabled(true);
    }
}

std::unique_ptr<IKanalKnopf> TStandInFenster::KanalKnopfErzeugen(int number, std::function<void()> onClick) {
    return std::make_unique<TStandInKanalKnopf>(*kanalLeiste_, *kanalGruppe_, number, std::move(onClick));
}

void TStandInFenster::SetStatusPanel(int index, const QString& text) {
    if (index < 0 || index >= kStatusPanels) {
        DebOutObjFmt(kClass, "SetStatusPanel", "FEHLER: no panel %d", index);
        return;
    }
    statusPanels_[static_cast<std::size_t>(index)]->setText(text);
}

QString TStandInFenster::StatusPanel(int index) const {
    if (index < 0 || index >= kStatusPanels) {
        return {};
    }
    return statusPanels_[static_cast<std::size_t>(index)]->text();
}

void TStandInFenster::SetFortschritt(bool visible, const QString& label, int percent) {
    progressLabel_->setVisible(visible);
    progressBar_->setVisible(visible);
    if (visible) {
        progressLabel_->setText(label);
        progressBar_->setValue(std::clamp(percent, 0, 100));
    }
}

void TStandInFenster::SetAktionen(const TKanalAktionen& state) {
    const auto set = [this](Aktion which, bool enabled) { Action(which)->setEnabled(enabled); };
    set(Aktion::Cut, state.cut);
    set(Aktion::Copy, state.copy);
    set(Aktion::Paste, state.paste);
    set(Aktion::Delete, state.del);
    set(Aktion::Changeover, state.pactor);
    set(Aktion::Breakin, state.pactor);
    set(Aktion::LocalEcho, state.localEchoEnabled);
    Action(Aktion::LocalEcho)->setChecked(state.localEchoChecked);
    // Capture and the DOS display are offered on every channel; only their marks follow the channel.
    for (const Aktion always : {Aktion::Capture, Aktion::ShowDos, Aktion::DosUmlaute}) {
        set(always, true);
    }
    Action(Aktion::Capture)->setChecked(state.captureChecked);
    Action(Aktion::ShowDos)->setChecked(state.showDosChecked);
    Action(Aktion::DosUmlaute)->setChecked(state.dosUmlauteChecked);
}

void TStandInFenster::SetStopBild(int image) {
    stopBild_ = image;
    // 9 while a transfer module runs: only then is there something to stop.
    Action(Aktion::Stop)->setEnabled(image == 9);
}

std::vector<QPixmap> TStandInFenster::GutterBilder() const {
    return GutterBilderMalen();
}

bool TStandInFenster::IsSichtbar() const {
    return isVisible() && !isMinimized();
}

void TStandInFenster::Aufmerksamkeit() {
    QApplication::alert(this);
}

void TStandInFenster::SetGeraeteStatus(bool notReady) {
    if (geraeteNichtBereit_ == notReady) {
        return;
    }
    geraeteNichtBereit_ = notReady;
    QLabel* icon = statusPanels_[9];
    icon->setPixmap(GeraeteStatusBild(notReady));
    const QString hint = notReady ? Tr("Ein Gerät ist nicht bereit|") : Tr("Alle Geräte sind bereit|");
    icon->setToolTip(hint.left(hint.indexOf('|')));
}

bool TStandInFenster::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(WM_AKTIVIEREN)) {
        Activate();
        return true;
    }
    return QMainWindow::event(event);
}

void TStandInFenster::Activate() {
    // Restored even from minimised, then brought to the front.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    DebOutObj(kClass, "wmAktivieren", isVisible() ? "sichtbar." : "FEHLER: nicht sichtbar.");
}

} // namespace quarn
