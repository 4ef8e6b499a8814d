#include "ui/einstellungen/StationenLinkPanel.h"

#include "controls/LinkLabel.h"
#include "ui/Hauptfenster.h"
#include "ui/einstellungen/SeitenHauptfenster.h"

#include <QAction>
#include <QHBoxLayout>

namespace quarn {
namespace {

constexpr std::uint32_t kNavy = 0x800000U;
constexpr std::uint32_t kRot = 0x0000FFU;
constexpr std::uint32_t kLila = 0x800080U;
constexpr int kRand = 6;

} // namespace

TStationenLinkPanel::TStationenLinkPanel(const QString& caption, QWidget& seite)
    : TPanelKio(&seite), seite_(seite) {
    SetBevelOuter(TBevelCut::bvNone);
    // The note stands out in the colour of the system's hints.
    QPalette farben = palette();
    farben.setColor(QPalette::Window, farben.color(QPalette::ToolTipBase));
    farben.setColor(QPalette::WindowText, farben.color(QPalette::ToolTipText));
    setPalette(farben);

    label_ = new TLinkLabel(this);
    label_->SetTransparent(true);
    label_->SetLinkColor(kNavy);
    label_->SetLinkColorClicked(kRot);
    label_->SetLinkColorHot(kLila);
    label_->SetLinkStyle({});
    label_->SetHotLinks(true);
    label_->SetAutoHeight(true);
    label_->SetMarginWidth(0);
    label_->SetMarginHeight(0);
    label_->SetCaption(caption);
    connect(label_, &TLinkLabel::LinkClick, this, [this] { StationenOeffnen(); });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kRand, kRand, kRand, kRand);
    layout->addWidget(label_, 0, Qt::AlignTop);
}

void TStationenLinkPanel::StationenOeffnen() {
    THauptfenster* hauptfenster = HauptfensterVon(seite_);
    if (hauptfenster == nullptr) {
        return;
    }
    if (QAction* action = hauptfenster->Action("ActionStationenDatenbank")) {
        action->trigger();
    }
}

} // namespace quarn
