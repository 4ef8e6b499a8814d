// The dialog that asks for a new station's call sign.
#include "ui/stationen/StationenDatenbankEditDlg.h"

#include "ui/stationen/StationenRegeln.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarn {

TStationenDatenbankEditDlg::TStationenDatenbankEditDlg(QWidget* owner) : TFormKio(owner) {
    setObjectName("StationenDatenbankEditDlg");
    setWindowTitle(Tr("Neues Rufzeichen..."));
    auto* gruppe = new QGroupBox(Tr("Rufzeichen"), this);
    rufzeichenEdit_ = new QLineEdit(gruppe);
    rufzeichenEdit_->setObjectName("RufzeichenEdit");
    auto* gruppeLayout = new QVBoxLayout(gruppe);
    gruppeLayout->addWidget(rufzeichenEdit_);

    okButton_ = new QPushButton(Tr("Ok"), this);
    okButton_->setObjectName("OkButton");
    okButton_->setDefault(true);
    auto* abbrechen = new QPushButton(Tr("Abbrechen"), this);
    abbrechen->setObjectName("AbbrechenButton");
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(abbrechen, &QPushButton::clicked, this, &QDialog::reject);
    connect(rufzeichenEdit_, &QLineEdit::textChanged, this,
            [this] { okButton_->setEnabled(Rufzeichen().has_value()); });
    okButton_->setEnabled(false);

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(okButton_);
    knoepfe->addWidget(abbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gruppe);
    layout->addLayout(knoepfe);
    setMinimumWidth(260);
    Loaded();
}

std::optional<std::string> TStationenDatenbankEditDlg::Rufzeichen() const {
    return NeuesRufzeichen(rufzeichenEdit_->text());
}

} // namespace quarn
