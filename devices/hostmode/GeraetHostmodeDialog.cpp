#include "devices/hostmode/GeraetHostmodeDialog.h"

#include "devices/hostmode/GeraetHostmodeSerialU.h"
#include "platform/Codepage.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quarn {

namespace {

QString MemoText(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) {
        list << Cp1252ToQString(line);
    }
    return list.join('\n');
}

std::vector<std::string> MemoLines(const QPlainTextEdit* memo) {
    std::vector<std::string> lines;
    const QStringList list = memo->toPlainText().split('\n');
    for (const QString& line : list) {
        lines.push_back(QStringToCp1252(line));
    }
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

} // namespace

TGeraetHostmodeDialog::TGeraetHostmodeDialog(QWidget* parent, bool serial) : QDialog(parent) {
    const QString kind = serial ? QStringLiteral("Hostmode") : QStringLiteral("TFWin");
    setWindowTitle(kind + QStringLiteral(" - Eigenschaften"));
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget(tabs);
    auto* form = new QFormLayout(page);
    if (serial) {
        anschluss_ = new QComboBox(page);
        for (int n = 1; n <= TGeraetHostmodeSerial::kComPorts; ++n) {
            anschluss_->addItem(QStringLiteral("COM%1").arg(n));
        }
        baudrate_ = new QComboBox(page);
        for (const int rate : TGeraetHostmodeSerial::kBaudraten) {
            baudrate_->addItem(QString::number(rate));
        }
        form->addRow(tr("&Anschluss"), anschluss_);
        form->addRow(tr("&Baudrate"), baudrate_);
    }
    init_ = new QPlainTextEdit(page);
    deinit_ = new QPlainTextEdit(page);
    form->addRow(tr("&Initialisierung"), init_);
    form->addRow(tr("&Deinitialisierung"), deinit_);
    tabs->addTab(page, kind);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

void TGeraetHostmodeDialog::SetWerte(int comPort, int baudrate, const std::vector<std::string>& init,
                                     const std::vector<std::string>& deinit) {
    if (anschluss_) {
        anschluss_->setCurrentIndex(std::max(0, anschluss_->findText(QStringLiteral("COM%1").arg(comPort))));
        baudrate_->setCurrentIndex(std::max(0, baudrate_->findText(QString::number(baudrate))));
    }
    init_->setPlainText(MemoText(init));
    deinit_->setPlainText(MemoText(deinit));
}

int TGeraetHostmodeDialog::ComPort() const {
    const QString text = anschluss_ ? anschluss_->currentText() : QString();
    return text.size() >= 4 && text[3].isDigit() ? text[3].digitValue() : 1;
}

int TGeraetHostmodeDialog::Baudrate() const {
    bool ok = false;
    const int rate = baudrate_ ? baudrate_->currentText().toInt(&ok) : 0;
    return ok ? rate : 38400;
}

std::vector<std::string> TGeraetHostmodeDialog::InitListe() const {
    return MemoLines(init_);
}

std::vector<std::string> TGeraetHostmodeDialog::DeinitListe() const {
    return MemoLines(deinit_);
}

} // namespace quarn
