#include "ui/editoren/EinstellungenRufzeichenForm.h"

#include "platform/Codepage.h"
#include "stations/MyCallsU.h"
#include "ui/editoren/RufzeichenRegel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarn {

TEinstellungenRufzeichenForm::TEinstellungenRufzeichenForm(QWidget* owner) : TFormKio(owner) {
    setWindowTitle(Tr("Eigenes Rufzeichen"));
    rufzeichenEdit_ = new QLineEdit(this);
    rufzeichenEdit_->setObjectName(QStringLiteral("RufzeichenEdit"));
    auto* rufzeichenLabel = new QLabel(Tr("Rufzeichen"), this);
    rufzeichenLabel->setBuddy(rufzeichenEdit_);

    ssidPanel_ = new QGroupBox(Tr("SSIDs"), this);
    ssidPanel_->setObjectName(QStringLiteral("SsidPanel"));
    auto* ssidLayout = new QGridLayout(ssidPanel_);
    for (int ssid = 0; ssid < 16; ++ssid) {
        const QString caption =
            ssid < 10 ? QStringLiteral("  -%1").arg(ssid) : QStringLiteral("-%1").arg(ssid);
        auto* box = new QCheckBox(caption, ssidPanel_);
        box->setProperty("tag", ssid);
        ssidLayout->addWidget(box, ssid / 8, ssid % 8);
        boxes_[static_cast<std::size_t>(ssid)] = box;
        connect(box, &QCheckBox::toggled, this, &TEinstellungenRufzeichenForm::OkPruefen);
    }
    alleButton_ = new QPushButton(Tr("&Alle"), this);
    keineButton_ = new QPushButton(Tr("&Keine"), this);
    okButton_ = new QPushButton(Tr("OK"), this);
    okButton_->setDefault(true);
    auto* abbrechenButton = new QPushButton(Tr("Abbrechen"), this);

    auto* editLayout = new QHBoxLayout;
    editLayout->addWidget(rufzeichenLabel);
    editLayout->addWidget(rufzeichenEdit_, 1);
    auto* buttonLayout = new QHBoxLayout;
    buttonLayout->addWidget(alleButton_);
    buttonLayout->addWidget(keineButton_);
    buttonLayout->addStretch(1);
    buttonLayout->addWidget(okButton_);
    buttonLayout->addWidget(abbrechenButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(editLayout);
    layout->addWidget(ssidPanel_);
    layout->addLayout(buttonLayout);

    connect(rufzeichenEdit_, &QLineEdit::textChanged, this, &TEinstellungenRufzeichenForm::TextGeaendert);
    connect(alleButton_, &QPushButton::clicked, this, [this] {
        for (QCheckBox* box : boxes_) {
            box->setChecked(true);
        }
    });
    connect(keineButton_, &QPushButton::clicked, this, [this] {
        for (QCheckBox* box : boxes_) {
            box->setChecked(false);
        }
    });
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(abbrechenButton, &QPushButton::clicked, this, &QDialog::reject);
    Loaded();
    OkPruefen();
}

std::array<bool, 16> TEinstellungenRufzeichenForm::Angekreuzt() const {
    std::array<bool, 16> checked{};
    for (std::size_t ssid = 0; ssid < boxes_.size(); ++ssid) {
        checked[ssid] = boxes_[ssid]->isChecked();
    }
    return checked;
}

void TEinstellungenRufzeichenForm::TextGeaendert() {
    // The field holds upper case only, as the call is stored.
    const QString upper = rufzeichenEdit_->text().toUpper();
    if (upper != rufzeichenEdit_->text()) {
        const int cursor = rufzeichenEdit_->cursorPosition();
        const QSignalBlocker blocker(rufzeichenEdit_);
        rufzeichenEdit_->setText(upper);
        rufzeichenEdit_->setCursorPosition(cursor);
    }
    const bool ssidsWaehlbar = !upper.contains(QLatin1Char('-'));
    ssidPanel_->setEnabled(ssidsWaehlbar);
    alleButton_->setEnabled(ssidsWaehlbar);
    keineButton_->setEnabled(ssidsWaehlbar);
    OkPruefen();
}

void TEinstellungenRufzeichenForm::OkPruefen() {
    okButton_->setEnabled(
        RufzeichenEingabe(QStringToCp1252(rufzeichenEdit_->text()), Angekreuzt()).has_value());
}

void TEinstellungenRufzeichenForm::Zeigen(const TMyCall& call) {
    for (QCheckBox* box : boxes_) {
        box->setChecked(false);
    }
    for (int ssid : call.GetSSIDs()) {
        boxes_[static_cast<std::size_t>(ssid)]->setChecked(true);
    }
    rufzeichenEdit_->setText(Cp1252ToQString(call.GetCall()));
    TextGeaendert();
}

bool TEinstellungenRufzeichenForm::Uebernehmen(TMyCall& call) const {
    const auto eingabe = RufzeichenEingabe(QStringToCp1252(rufzeichenEdit_->text()), Angekreuzt());
    if (!eingabe) {
        return false;
    }
    call.SetCall(eingabe->call);
    call.SetSSIDs(eingabe->ssids);
    return true;
}

bool TEinstellungenRufzeichenForm::Run(TMyCall& call) {
    Zeigen(call);
    return exec() == QDialog::Accepted && Uebernehmen(call);
}

} // namespace quarn
