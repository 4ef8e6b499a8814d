// The main window's widgets and the seam the channels reach them through.
#include "ui/Hauptfenster.h"

#include "controls/Button97.h"
#include "devices/GeraeteStatusU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/HintWindowU.h"
#include "foundation/ProgramGlobals.h"
#include "foundation/QuarnException.h"
#include "foundation/SingleInstance.h"
#include "ui/HauptPanele.h"
#include "ui/HilfeU.h"
#include "ui/StandInBilder.h"
#include "ui/StandInKanalKnopf.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace quarn {
namespace {

constexpr const char* kClass = "THauptfenster";

// Width, hint and whether framed, of each status-bar panel, left to right.
struct StatusPanelForm {
    int width;
    const char* caption;
    const char* hint;
    bool framed;
};
constexpr std::array<StatusPanelForm, THauptfenster::kStatusPanels> kStatusPanelForms{{
    {102, "", "", true},
    {135, "", "", true},
    {70, "", QT_TRANSLATE_NOOP("THauptfenster", "eff. Baud"), true},
    {27, "T", QT_TRANSLATE_NOOP("THauptfenster", "Tries"), true},
    {27, "U", QT_TRANSLATE_NOOP("THauptfenster", "Unacked Frames"), true},
    {33, "F", QT_TRANSLATE_NOOP("THauptfenster", "Frack [100ms]"), true},
    {22, "M", QT_TRANSLATE_NOOP("THauptfenster", "MaxFrame"), true},
    {67, "S", QT_TRANSLATE_NOOP("THauptfenster", "ax25-Status"), true},
    {67, "MYCALL", QT_TRANSLATE_NOOP("THauptfenster", "Eigenes Rufzeichen"), true},
    {19, "", "", false},
    {67, "", "", false},
}};

QWidget* MakeDock(const char* name, Qt::Orientation orientation, QWidget* parent) {
    auto* dock = new QWidget(parent);
    dock->setObjectName(name);
    QBoxLayout* layout = orientation == Qt::Vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(dock))
                                                     : static_cast<QBoxLayout*>(new QHBoxLayout(dock));
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return dock;
}

} // namespace

void THauptfenster::BuildDocks() {
    auto* fenster = new QVBoxLayout(this);
    fenster->setContentsMargins(0, 0, 0, 0);
    fenster->setSpacing(0);
    docks_[0] = MakeDock("TKDock1", Qt::Vertical, this);
    docks_[1] = MakeDock("TKDock2", Qt::Horizontal, this);
    docks_[2] = MakeDock("TKDock3", Qt::Horizontal, this);
    docks_[3] = MakeDock("TKDock4", Qt::Vertical, this);
    menue_ = new QMenuBar(docks_[0]);
    menue_->setObjectName("MenueBar");
    menue_->setWindowTitle(Tr("Menü"));
    docks_[0]->layout()->addWidget(menue_);
    befehlsleiste_ = new QToolBar(Tr("Befehlsleiste"), docks_[0]);
    befehlsleiste_->setObjectName("ToolBar");
    docks_[0]->layout()->addWidget(befehlsleiste_);
    fenster->addWidget(docks_[0]);

    auto* mitte = new QHBoxLayout;
    mitte->setSpacing(0);
    panele_ = new THauptPanele(this);
    mitte->addWidget(docks_[1]);
    mitte->addWidget(panele_, 1);
    mitte->addWidget(docks_[2]);
    fenster->addLayout(mitte, 1);
    fenster->addWidget(docks_[3]);

    kanalLeiste_ = new QToolBar(Tr("Kanäle"));
    kanalLeiste_->setObjectName("ChannelToolbar");
    kanalLeiste_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    kanalLeiste_->setIconSize(QSize(10, 13));
    kanalGruppe_ = new QActionGroup(kanalLeiste_);
    kanalGruppe_->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    panele_->SetKanalLeiste(kanalLeiste_);
}

void THauptfenster::BuildStatusBar() {
    statusbar_ = new QWidget(this);
    statusbar_->setObjectName("Statusbar");
    auto* bar = new QHBoxLayout(statusbar_);
    bar->setContentsMargins(2, 1, 2, 1);
    bar->setSpacing(2);
    for (std::size_t index = 0; index < statusPanels_.size(); ++index) {
        const StatusPanelForm& form = kStatusPanelForms[index];
        auto* panel = new QLabel(QString::fromLatin1(form.caption), statusbar_);
        panel->setObjectName(QString::asprintf("StatusPanel%zu", index));
        panel->setMinimumWidth(form.width);
        if (index == 1) {
            panel->setMaximumWidth(270);
        } else {
            panel->setMaximumWidth(form.width);
        }
        panel->setAlignment(index >= 2 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        if (form.framed) {
            panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        }
        if (*form.hint != '\0') {
            panel->setToolTip(Tr(form.hint));
        }
        bar->addWidget(panel, index == 1 ? 1 : 0);
        statusPanels_[index] = panel;
    }
    // The device light: a button on panel 9 that opens and closes the device-status window.
    geraeteStatusKnopf_ = new TButton97(statusPanels_[9]);
    geraeteStatusKnopf_->setObjectName("StatusbarDeviceIcon");
    geraeteStatusKnopf_->SetDisplayMode(TButtonDisplayMode::dmGlyphOnly);
    geraeteStatusKnopf_->SetLayout(TButtonLayout::blGlyphTop);
    geraeteStatusKnopf_->SetOpaque(false);
    geraeteStatusKnopf_->SetSpacing(0);
    auto* knopfPanel = new QHBoxLayout(statusPanels_[9]);
    knopfPanel->setContentsMargins(0, 0, 0, 0);
    knopfPanel->addWidget(geraeteStatusKnopf_);
    progressLabel_ = new QLabel("0%", statusbar_);
    progressLabel_->setObjectName("ProgressLabel");
    progressLabel_->setAlignment(Qt::AlignCenter);
    progressBar_ = new QProgressBar(statusbar_);
    progressBar_->setObjectName("Progressbar");
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    progressBar_->setMaximumWidth(160);
    bar->addStretch(1);
    bar->addWidget(progressLabel_);
    bar->addWidget(progressBar_);
    progressLabel_->hide();
    progressBar_->hide();
    layout()->addWidget(statusbar_);
}

QWidget* THauptfenster::Panel(TKanalPanel panel) const {
    switch (panel) {
    case TKanalPanel::Monitor:
        return panele_->Monitor();
    case TKanalPanel::Ausgabe:
        return panele_->Ausgabe();
    case TKanalPanel::Eingabe:
        return panele_->Eingabe();
    }
    throw QuarnException(kClass, "Panel", "unknown panel");
}

void THauptfenster::Einbetten(TKanalPanel panel, QWidget* widget) {
    QWidget* target = Panel(panel);
    widget->setParent(target, widget->windowFlags() & ~Qt::WindowType_Mask);
    target->layout()->addWidget(widget);
}

void THauptfenster::KanalLeisteBeginUpdate() {
    if (kanalLeisteUpdates_++ == 0) {
        kanalLeiste_->setUpdatesEnabled(false);
    }
}

void THauptfenster::KanalLeisteEndUpdate() {
    if (kanalLeisteUpdates_ > 0 && --kanalLeisteUpdates_ == 0) {
        kanalLeiste_->setUpdatesEnabled(true);
    }
}

std::unique_ptr<IKanalKnopf> THauptfenster::KanalKnopfErzeugen(int number, std::function<void()> onClick) {
    return std::make_unique<TStandInKanalKnopf>(*kanalLeiste_, *kanalGruppe_, number, std::move(onClick));
}

void THauptfenster::SetStatusPanel(int index, const QString& text) {
    if (index < 0 || index >= kStatusPanels) {
        DebOutObjFmt(kClass, "SetStatusPanel", "FEHLER: no panel %d", index);
        return;
    }
    statusPanels_[static_cast<std::size_t>(index)]->setText(text);
}

QString THauptfenster::StatusPanel(int index) const {
    if (index < 0 || index >= kStatusPanels) {
        return {};
    }
    return statusPanels_[static_cast<std::size_t>(index)]->text();
}

void THauptfenster::SetFortschritt(bool visible, const QString& label, int percent) {
    progressLabel_->setVisible(visible);
    progressBar_->setVisible(visible);
    if (visible) {
        progressLabel_->setText(label);
        progressBar_->setValue(std::clamp(percent, 0, 100));
    }
}

void THauptfenster::SetAktionen(const TKanalAktionen& state) {
    const auto set = [this](const char* name, bool enabled) { Action(name)->setEnabled(enabled); };
    set("ActionEditCut", state.cut);
    set("ActionEditCopy", state.copy);
    set("ActionEditPaste", state.paste);
    set("ActionEditDelete", state.del);
    set("ActionEditSelectAll", state.selectAll);
    set("ActionPactorChangeover", state.pactor);
    set("ActionPactorBreakin", state.pactor);
    set("ActionLocalEcho", state.localEchoEnabled);
    Action("ActionLocalEcho")->setChecked(state.localEchoChecked);
    // Capture and the DOS display are offered on every channel; only their marks follow the channel.
    for (const char* always : {"ActionSave", "ActionDosUmlauteAnzeigen", "ActionDosUmlauteSenden"}) {
        set(always, true);
    }
    Action("ActionSave")->setChecked(state.captureChecked);
    Action("ActionDosUmlauteAnzeigen")->setChecked(state.showDosChecked);
    Action("ActionDosUmlauteSenden")->setChecked(state.dosUmlauteChecked);
}

void THauptfenster::SetStopBild(int image) {
    stopBild_ = image;
    QAction* stop = Action("ActionStop");
    stop->setProperty("ImageIndex", image);
    stop->setIcon(bilder_.Befehl(image));
    // 9 while a transfer module runs: only then is there something to stop.
    stop->setEnabled(image == 9);
}

std::vector<QPixmap> THauptfenster::GutterBilder() const {
    return bilder_.Konsole();
}

void THauptfenster::BilderLaden() {
    const TConfig* config = Config();
    const bool highColor = config != nullptr && config->GetHighColor();
    bilder_ = TBilderListen::Laden(EchtfarbenBilder(ColorCapability(), highColor));
    for (QAction* action : findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QVariant index = action->property("ImageIndex");
        if (index.isValid() && index.toInt() >= 0) {
            action->setIcon(bilder_.Befehl(index.toInt()));
        }
    }
}

bool THauptfenster::IsSichtbar() const {
    return isVisible() && !isMinimized();
}

void THauptfenster::Aufmerksamkeit() {
    QApplication::alert(this);
}

void THauptfenster::SetGeraeteStatus(bool notReady) {
    if (geraeteNichtBereit_ == notReady) {
        return;
    }
    geraeteNichtBereit_ = notReady;
    geraeteStatusKnopf_->SetGlyph(GeraeteStatusBild(notReady).toImage());
    geraeteStatusKnopf_->SetHint(notReady ? Tr("Ein Gerät ist nicht bereit|")
                                          : Tr("Alle Geräte sind bereit|"));
}

QWidget* THauptfenster::GeraeteStatusFenster() const {
    return geraeteStatus_.data();
}

THilfeFenster* THauptfenster::HilfeFenster() const {
    return hilfe_.data();
}

bool THauptfenster::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(WM_AKTIVIEREN)) {
        Activate();
        return true;
    }
    if (event->type() == QEvent::WindowStateChange) {
        // Minimised or maximised through the window's own menu: the channel's hint has no place left.
        CloseChannelHint();
    }
    return QWidget::event(event);
}

void THauptfenster::Activate() {
    // Restored even from minimised, then brought to the front.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    DebOutObj(kClass, "wmAktivieren", isVisible() ? "sichtbar." : "FEHLER: nicht sichtbar.");
}

} // namespace quarn
