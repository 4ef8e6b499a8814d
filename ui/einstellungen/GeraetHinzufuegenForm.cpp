#include "ui/einstellungen/GeraetHinzufuegenForm.h"

#include "devices/GeraeteU.h"
#include "platform/Codepage.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarn {

TEinstellungenGeraetHinzufuegenForm::TEinstellungenGeraetHinzufuegenForm(QWidget* owner) : TFormKio(owner) {
    setObjectName(QStringLiteral("EinstellungenGeraetHinzufuegenForm"));
    setWindowTitle(Tr("Gerät hinzufügen"));
    liste_ = new QListWidget(this);
    liste_->setObjectName(QStringLiteral("GeraeteListe"));
    for (const TGeraetKlasse& kind : RegistrierteGeraete()) {
        liste_->addItem(Cp1252ToQString(kind.typName));
    }
    if (liste_->count() > 0) {
        liste_->setCurrentRow(0);
    }
    hinzufuegen_ = new QPushButton(Tr("&Hinzufügen"), this);
    hinzufuegen_->setDefault(true);
    auto* abbrechen = new QPushButton(Tr("&Abbrechen"), this);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(hinzufuegen_);
    knoepfe->addWidget(abbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(liste_, 1);
    layout->addLayout(knoepfe);
    resize(260, 220);

    connect(hinzufuegen_, &QPushButton::clicked, this, &QDialog::accept);
    connect(abbrechen, &QPushButton::clicked, this, &QDialog::reject);
    connect(liste_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

std::optional<TGeraetKlasse> TEinstellungenGeraetHinzufuegenForm::Gewaehlt() const {
    const std::vector<TGeraetKlasse> kinds = RegistrierteGeraete();
    const int row = liste_->currentRow();
    if (row < 0 || row >= static_cast<int>(kinds.size())) {
        return std::nullopt;
    }
    return kinds[static_cast<std::size_t>(row)];
}

std::optional<TGeraetKlasse> TEinstellungenGeraetHinzufuegenForm::Run() {
    if (exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return Gewaehlt();
}

} // namespace quarn
