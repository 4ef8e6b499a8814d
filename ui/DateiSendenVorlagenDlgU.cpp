// The template editor of the send-file wizard.
#include "ui/DateiSendenVorlagenDlgU.h"

#include "ui/DateiSendenModell.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace quarn {
namespace {

// The placeholders the send preprocessor fills in.
const char* const kVariablen = QT_TRANSLATE_NOOP(
    "TDateiSendenVorlagenDlg", "<p><b>Platzhalter in den Vorlagen</b></p>"
                               "<table cellspacing=\"4\">"
                               "<tr><td><b>%o</b></td><td>Name der ganzen, ungeteilten Datei</td></tr>"
                               "<tr><td><b>%n</b></td><td>Name der Teildatei</td></tr>"
                               "<tr><td><b>%p</b></td><td>Nummer des aktuellen Teils</td></tr>"
                               "<tr><td><b>%q</b></td><td>Anzahl aller Teile</td></tr>"
                               "<tr><td><b>%%</b></td><td>das Zeichen %</td></tr>"
                               "</table>");

} // namespace

TDateiSendenVorlagenDlg::TDateiSendenVorlagenDlg(const TDateiSendenVorlagen& vorlagen, QWidget* owner)
    : TFormKio(owner), kopie_(vorlagen), hilfe_(new QTextBrowser(this)), liste_(new QListWidget(this)),
      memo_(new QPlainTextEdit(this)), hinzufuegen_(new QPushButton(Tr("&Hinzufügen"), this)),
      entfernen_(new QPushButton(Tr("&Entfernen"), this)), ok_(new QPushButton(Tr("OK"), this)),
      abbrechen_(new QPushButton(Tr("Abbrechen"), this)) {
    setWindowTitle(Tr("Datei senden - Vorlagen"));
    setModal(true);
    hilfe_->setHtml(Tr(kVariablen));
    hilfe_->setMaximumHeight(130);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* listeKnoepfe = new QVBoxLayout;
    listeKnoepfe->addWidget(hinzufuegen_);
    listeKnoepfe->addWidget(entfernen_);
    listeKnoepfe->addStretch();
    auto* mitte = new QHBoxLayout;
    mitte->addWidget(liste_, 1);
    mitte->addLayout(listeKnoepfe);
    auto* unten = new QHBoxLayout;
    unten->addStretch();
    unten->addWidget(ok_);
    unten->addWidget(abbrechen_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hilfe_);
    layout->addLayout(mitte, 1);
    layout->addWidget(memo_, 1);
    layout->addLayout(unten);

    ok_->setDefault(true);
    connect(liste_, &QListWidget::currentRowChanged, this, [this] { Gewaehlt(); });
    connect(memo_, &QPlainTextEdit::textChanged, this, [this] { MemoGeaendert(); });
    connect(hinzufuegen_, &QPushButton::clicked, this, [this] { Hinzufuegen(); });
    connect(entfernen_, &QPushButton::clicked, this, [this] { Entfernen(); });
    connect(ok_, &QPushButton::clicked, this, [this] {
        kopie_.Save();
        accept();
    });
    connect(abbrechen_, &QPushButton::clicked, this, &QDialog::reject);
    resize(440, 460);
    ListeFuellen(kopie_.GetCount() > 0 ? 0 : -1);
    Loaded();
}

void TDateiSendenVorlagenDlg::ListeFuellen(int auswahl) {
    fuellen_ = true;
    liste_->clear();
    for (int i = 0; i < kopie_.GetCount(); ++i) {
        liste_->addItem(QString());
        Beschriften(i);
    }
    fuellen_ = false;
    liste_->setCurrentRow(auswahl);
    Gewaehlt();
}

void TDateiSendenVorlagenDlg::Beschriften(int index) {
    if (QListWidgetItem* zeile = liste_->item(index)) {
        zeile->setText(kopie_.Kurztext(index, liste_->viewport()->width() - 6, liste_->font()));
    }
}

void TDateiSendenVorlagenDlg::Gewaehlt() {
    if (fuellen_) {
        return;
    }
    const int index = liste_->currentRow();
    const bool gewaehlt = index >= 0 && index < kopie_.GetCount();
    {
        const QSignalBlocker still(memo_);
        memo_->setPlainText(gewaehlt ? MemoText(kopie_.GetVorlage(index)) : QString());
    }
    memo_->setEnabled(gewaehlt);
    QPalette farben = memo_->palette();
    farben.setColor(QPalette::Base, palette().color(gewaehlt ? QPalette::Base : QPalette::Button));
    memo_->setPalette(farben);
    Knoepfe();
}

void TDateiSendenVorlagenDlg::MemoGeaendert() {
    const int index = liste_->currentRow();
    if (index < 0 || index >= kopie_.GetCount()) {
        return;
    }
    kopie_.SetVorlage(index, MemoBytes(memo_->toPlainText()));
    Beschriften(index);
}

bool TDateiSendenVorlagenDlg::Hinzufuegen() {
    if (kopie_.GetCount() >= kMaxVorlagen) {
        return false;
    }
    kopie_.SetCount(kopie_.GetCount() + 1);
    ListeFuellen(kopie_.GetCount() - 1);
    memo_->setFocus();
    return true;
}

void TDateiSendenVorlagenDlg::Entfernen() {
    const int index = liste_->currentRow();
    if (index < 0 || index >= kopie_.GetCount()) {
        return;
    }
    for (int i = index; i + 1 < kopie_.GetCount(); ++i) {
        kopie_.SetVorlage(i, kopie_.GetVorlage(i + 1));
    }
    kopie_.SetCount(kopie_.GetCount() - 1);
    ListeFuellen(std::min(index, kopie_.GetCount() - 1));
}

void TDateiSendenVorlagenDlg::Knoepfe() {
    hinzufuegen_->setEnabled(kopie_.GetCount() < kMaxVorlagen);
    entfernen_->setEnabled(liste_->currentRow() >= 0);
}

void TDateiSendenVorlagenDlg::resizeEvent(QResizeEvent* event) {
    TFormKio::resizeEvent(event);
    for (int i = 0; i < kopie_.GetCount(); ++i) {
        Beschriften(i);
    }
}

} // namespace quarn
