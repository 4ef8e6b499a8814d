#include "devices/flexnet/GeraetFlexnetDialog.h"

#include "platform/Codepage.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quarn {

TGeraetFlexnetDialog::TGeraetFlexnetDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("PC/FlexNet - Eigenschaften"));
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget(tabs);
    auto* layout = new QVBoxLayout(page);
    kopf_ = new QLabel(page);
    kopf_->setWordWrap(true);
    layout->addWidget(kopf_);
    layout->addWidget(new QLabel(tr("Kanäle"), page));
    kanaele_ = new QListWidget(page);
    layout->addWidget(kanaele_);
    auto* form = new QFormLayout();
    kernel_ = new QComboBox(page);
    kernel_->addItem(tr("FlexNet-Bibliothek"));
    kernel_->addItem(tr("Soundkarten-Modem (AGW)"));
    host_ = new QLineEdit(page);
    port_ = new QSpinBox(page);
    port_->setRange(1, 65535);
    form->addRow(tr("&Kernel"), kernel_);
    form->addRow(tr("Modem-&Rechner"), host_);
    form->addRow(tr("Modem-&Port"), port_);
    layout->addLayout(form);
    tabs->addTab(page, QStringLiteral("PC/FlexNet"));
    connect(kernel_, &QComboBox::currentIndexChanged, this, [this] { ModemFelderSchalten(); });

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(tabs);
    outer->addWidget(buttons);
    ModemFelderSchalten();
}

void TGeraetFlexnetDialog::SetKopf(const std::string& text) {
    kopf_->setText(Cp1252ToQString(text));
}

void TGeraetFlexnetDialog::SetKanaele(const std::vector<std::string>& lines) {
    kanaele_->clear();
    for (const std::string& line : lines) {
        kanaele_->addItem(Cp1252ToQString(line));
    }
}

void TGeraetFlexnetDialog::SetEinstellungen(const TFlexnetEinstellungen& settings) {
    kernel_->setCurrentIndex(settings.art == TFlexnetKernelArt::Modem ? 1 : 0);
    host_->setText(QString::fromStdString(settings.modemHost));
    port_->setValue(settings.modemPort);
    ModemFelderSchalten();
}

TFlexnetEinstellungen TGeraetFlexnetDialog::Einstellungen() const {
    TFlexnetEinstellungen settings;
    settings.art = kernel_->currentIndex() == 1 ? TFlexnetKernelArt::Modem : TFlexnetKernelArt::Bibliothek;
    const QString host = host_->text().trimmed();
    if (!host.isEmpty()) {
        settings.modemHost = host.toStdString();
    }
    settings.modemPort = port_->value();
    return settings;
}

void TGeraetFlexnetDialog::ModemFelderSchalten() {
    const bool modem = kernel_->currentIndex() == 1;
    host_->setEnabled(modem);
    port_->setEnabled(modem);
}

} // namespace quarn
