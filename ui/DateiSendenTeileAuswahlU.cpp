// The part selection of the send-file wizard.
#include "ui/DateiSendenTeileAuswahlU.h"

#include "ui/DateiSendenModell.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QVBoxLayout>

namespace quarn {

TDateiSendenTeileAuswahlDlg::TDateiSendenTeileAuswahlDlg(const QString& dateiname,
                                                         const std::vector<bool>& auswahl, QWidget* owner)
    : TFormKio(owner), name_(new QLabel(dateiname, this)), liste_(new QListWidget(this)),
      ok_(new QPushButton(Tr("OK"), this)), abbrechen_(new QPushButton(Tr("Abbrechen"), this)) {
    setWindowTitle(Tr("Teile..."));
    setModal(true);
    liste_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (std::size_t i = 0; i < auswahl.size(); ++i) {
        auto* zeile = new QListWidgetItem(TeilBeschriftung(static_cast<int>(i + 1)), liste_);
        zeile->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        zeile->setCheckState(auswahl[i] ? Qt::Checked : Qt::Unchecked);
    }
    if (liste_->count() > 0) {
        liste_->setCurrentRow(0);
    }
    liste_->installEventFilter(this);
    liste_->viewport()->installEventFilter(this);

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(ok_);
    knoepfe->addWidget(abbrechen_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name_);
    layout->addWidget(liste_);
    layout->addLayout(knoepfe);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(abbrechen_, &QPushButton::clicked, this, &QDialog::reject);
    resize(300, 360);
    Loaded();
}

std::vector<bool> TDateiSendenTeileAuswahlDlg::Zustaende() const {
    std::vector<bool> zustaende;
    for (int i = 0; i < liste_->count(); ++i) {
        zustaende.push_back(liste_->item(i)->checkState() == Qt::Checked);
    }
    return zustaende;
}

void TDateiSendenTeileAuswahlDlg::AuswahlUmschalten() {
    const QList<QListWidgetItem*> gewaehlt = liste_->selectedItems();
    const bool einerAus = std::any_of(gewaehlt.begin(), gewaehlt.end(), [](const QListWidgetItem* z) {
        return z->checkState() != Qt::Checked;
    });
    for (QListWidgetItem* zeile : gewaehlt) {
        zeile->setCheckState(einerAus ? Qt::Checked : Qt::Unchecked);
    }
}

bool TDateiSendenTeileAuswahlDlg::AufKontrollkaestchen(const QPoint& pos) const {
    const QListWidgetItem* zeile = liste_->itemAt(pos);
    if (zeile == nullptr) {
        return false;
    }
    QStyleOptionViewItem option;
    option.initFrom(liste_);
    option.rect = liste_->visualItemRect(zeile);
    option.features = QStyleOptionViewItem::HasCheckIndicator;
    return liste_->style()
        ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, liste_)
        .contains(pos);
}

bool TDateiSendenTeileAuswahlDlg::eventFilter(QObject* watched, QEvent* event) {
    // The list's own Space and click change only the row under them; here every selected row goes along.
    if (watched == liste_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        AuswahlUmschalten();
        return true;
    }
    if (watched == liste_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* maus = static_cast<QMouseEvent*>(event);
        const QPoint pos = maus->position().toPoint();
        if (maus->button() == Qt::RightButton && AufKontrollkaestchen(pos)) {
            QListWidgetItem* zeile = liste_->itemAt(pos);
            if (!zeile->isSelected()) {
                liste_->setCurrentItem(zeile, QItemSelectionModel::ClearAndSelect);
            }
            AuswahlUmschalten();
            return true;
        }
    }
    return TFormKio::eventFilter(watched, event);
}

} // namespace quarn
