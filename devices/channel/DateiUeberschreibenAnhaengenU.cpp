// The overwrite-or-append question before text goes into an existing file.
#include "devices/channel/DateiUeberschreibenAnhaengenU.h"

#include "foundation/DlgMessageU.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarn {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("TDateiUeberschreibenAnhaengenForm", text);
}

} // namespace

TDateiUeberschreibenAnhaengenForm::TDateiUeberschreibenAnhaengenForm(QWidget* owner)
    : TFormKio(owner), label_(new QLabel(this)), ueberschreiben_(new QPushButton(Tr("&Überschreiben"), this)),
      anhaengen_(new QPushButton(Tr("&Anhängen"), this)), abbrechen_(new QPushButton(Tr("Abbrechen"), this)) {
    setWindowTitle(Tr("Speichern"));
    setModal(true);
    label_->setWordWrap(true);
    label_->setMinimumWidth(320);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ueberschreiben_);
    buttons->addWidget(anhaengen_);
    buttons->addWidget(abbrechen_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addLayout(buttons);

    anhaengen_->setDefault(true);
    anhaengen_->setFocus();
    connect(ueberschreiben_, &QPushButton::clicked, this, [this] { done(mrYes); });
    connect(anhaengen_, &QPushButton::clicked, this, [this] { done(mrNo); });
    connect(abbrechen_, &QPushButton::clicked, this, [this] { done(mrCancel); });
    Loaded();
}

void TDateiUeberschreibenAnhaengenForm::SetText(const QString& text) {
    label_->setText(text);
    adjustSize();
}

int TDateiUeberschreibenAnhaengenForm::Fragen(const QString& dateiName, QWidget* owner) {
    TDateiUeberschreibenAnhaengenForm form(owner);
    form.SetText(
        Tr("Soll die bereits existierende Datei \"%1\" überschrieben werden oder möchten Sie den Text "
           "an diese anhängen?")
            .arg(dateiName));
    const int result = form.exec();
    // The frame's close button gives QDialog::Rejected (0): that cancels as well.
    return result == mrYes || result == mrNo ? result : mrCancel;
}

} // namespace quarn
