// The send-file wizard's files, parts and mailbox texts with their templates.
#include "connections/send/DateiSendenVorlagenU.h"
#include "platform/Codepage.h"
#include "ui/DateiSendenDlgU.h"
#include "ui/DateiSendenTeileAuswahlU.h"
#include "ui/DateiSendenVorlagenDlgU.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace quarn {
namespace {

constexpr const char* kVorlagenVorher = "\\Software\\Velmoor\\Quarn\\Vorlagen\\Senden Text Vorher";
constexpr const char* kVorlagenNachher = "\\Software\\Velmoor\\Quarn\\Vorlagen\\Senden Text Nachher";
constexpr int kVorlagenVersion = 1;
// Width of a template's line in its pop-up menu.
constexpr int kMenueBreite = 320;

enum Spalte { SpalteDatei, SpalteGroesse, SpalteTeile, SpalteAuswahl };

std::vector<std::string> StandardVorher() {
    return {"s rubrik@dl #10 Titel\r\n", "s rubrik@dl #10 %n (%p/%q)\r\n",
            Utf8ToCp1252(TDateiSendenDlg::Tr("s DL0QRN Bei mir läuft Quarn.").toStdString()) + "\r\n\r\n"};
}

std::vector<std::string> StandardNachher() {
    return {"***end\r\n", "NNNN\r\n", "/EX\r\n", "^Z\r\n"};
}

// Enabled controls on the window colour, disabled ones greyed on the button face.
void Faerben(QWidget* widget, bool an) {
    widget->setEnabled(an);
    QPalette farben = widget->palette();
    farben.setColor(QPalette::Base,
                    widget->window()->palette().color(an ? QPalette::Base : QPalette::Button));
    widget->setPalette(farben);
}

} // namespace

// ---- files -----------------------------------------------------------------------------------------

std::vector<std::filesystem::path> TDateiSendenDlg::ListeNamen() const {
    std::vector<std::filesystem::path> namen;
    for (int i = 0; i < dateiListe_->count(); ++i) {
        namen.emplace_back(dateiListe_->item(i)->data(Qt::UserRole).toString().toStdString());
    }
    return namen;
}

void TDateiSendenDlg::DateienHinzufuegen(const std::vector<std::filesystem::path>& namen) {
    std::vector<std::filesystem::path> gelistet = ListeNamen();
    for (const std::filesystem::path& name : namen) {
        if (std::find(gelistet.begin(), gelistet.end(), name) != gelistet.end()) {
            continue;
        }
        gelistet.push_back(name);
        const QString text = QString::fromStdString(name.string());
        auto* zeile = new QListWidgetItem(text, dateiListe_);
        zeile->setData(Qt::UserRole, text);
    }
    HatInhaltAktualisieren();
}

void TDateiSendenDlg::DateienWaehlen() {
    if (!umgebung_.dateienWaehlen) {
        return;
    }
    // The file dialog must not open behind the wizard.
    setEnabled(false);
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
    show();
    const std::vector<std::filesystem::path> namen = umgebung_.dateienWaehlen(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    setEnabled(true);
    DateienHinzufuegen(DateienSammeln(namen));
}

void TDateiSendenDlg::EintraegeNeu() {
    eintraege_ = EintraegeAbgleichen(eintraege_, ListeNamen());
}

void TDateiSendenDlg::HatInhaltAktualisieren() {
    if (dateiListe_ == nullptr || textMemo_ == nullptr || radioDateien_ == nullptr) {
        return;
    }
    hatInhalt_ = radioDateien_->isChecked() ? dateiListe_->count() > 0 : !textMemo_->toPlainText().isEmpty();
    if (fertig_ != nullptr) {
        FertigAktualisieren();
    }
}

// ---- parts -----------------------------------------------------------------------------------------

void TDateiSendenDlg::TeileListeAufbauen() {
    const std::uint8_t protokoll = Protokoll();
    const bool binaer = protokoll == 2 || protokoll == 5;
    teileBlatt_->setCurrentIndex(binaer ? 0 : 1);
    teileListe_->clear();
    if (binaer) {
        for (const TDateiSendenEintrag& eintrag : eintraege_) {
            auto* zeile = new QTreeWidgetItem(teileListe_);
            zeile->setText(SpalteDatei, QString::fromStdString(eintrag.name.filename().string()));
            zeile->setText(SpalteGroesse, GroesseText(eintrag.groesse));
        }
    } else {
        teilen_->setChecked(false);
    }
    teilen_->setEnabled(binaer);
    TeileAnzeigen();
    TeilenAktualisieren();
}

void TDateiSendenDlg::TeileAnzeigen() {
    const std::optional<int> groesse = TeilGroesseLesen(teilGroesse_->text());
    for (int i = 0; i < teileListe_->topLevelItemCount() && i < static_cast<int>(eintraege_.size()); ++i) {
        TDateiSendenEintrag& eintrag = eintraege_[static_cast<std::size_t>(i)];
        QTreeWidgetItem* zeile = teileListe_->topLevelItem(i);
        if (groesse) {
            TeileSetzen(eintrag, *groesse);
            zeile->setText(SpalteTeile, QString::number(eintrag.teile));
        } else {
            zeile->setText(SpalteTeile, QStringLiteral("-"));
        }
        zeile->setText(SpalteAuswahl, AuswahlText(eintrag));
    }
}

void TDateiSendenDlg::TeilGroesseVerlassen() {
    if (!TeilGroesseLesen(teilGroesse_->text())) {
        teilGroesse_->setText(QString::number(TeilGroesseKlemmen(teilGroesse_->text())));
    }
}

void TDateiSendenDlg::TeilenAktualisieren() {
    const bool an = teilen_->isEnabled() && teilen_->isChecked();
    for (QWidget* feld : std::initializer_list<QWidget*>{teilGroesseLabel_, teilAuf_, teilAb_, kbLabel_}) {
        feld->setEnabled(an);
    }
    Faerben(teilGroesse_, an);
    Faerben(teileListe_, an);
    if (!an && !teileListe_->selectedItems().isEmpty()) {
        teileListe_->clearSelection();
    }
    eigenschaften_->setEnabled(an && !teileListe_->selectedItems().isEmpty());
}

void TDateiSendenDlg::Eigenschaften() {
    QTreeWidgetItem* zeile = teileListe_->currentItem();
    if (zeile == nullptr || !zeile->isSelected() || !eigenschaften_->isEnabled()) {
        return;
    }
    const int index = teileListe_->indexOfTopLevelItem(zeile);
    if (index < 0 || index >= static_cast<int>(eintraege_.size())) {
        return;
    }
    TeilGroesseVerlassen();
    TDateiSendenEintrag& eintrag = eintraege_[static_cast<std::size_t>(index)];
    TeileSetzen(eintrag, TeilGroesseKlemmen(teilGroesse_->text()));
    TDateiSendenTeileAuswahlDlg dialog(QString::fromStdString(eintrag.name.filename().string()),
                                       AuswahlFuerDialog(eintrag), this);
    if (dialog.exec() == QDialog::Accepted) {
        AuswahlUebernehmen(eintrag, dialog.Zustaende());
    }
    TeileAnzeigen();
}

// ---- mailbox texts ---------------------------------------------------------------------------------

void TDateiSendenDlg::MailboxAktualisieren() {
    for (auto [an, memo, knopf] : {std::tuple{vorherAn_, vorher_, vorlagenVorher_},
                                   std::tuple{nachherAn_, nachher_, vorlagenNachher_}}) {
        Faerben(memo, an->isChecked());
        knopf->setEnabled(an->isChecked());
    }
}

TDateiSendenVorlagen& TDateiSendenDlg::VorlagenListe(int welche) {
    std::unique_ptr<TDateiSendenVorlagen>& liste = vorlagen_.at(static_cast<std::size_t>(welche));
    if (!liste) {
        liste = std::make_unique<TDateiSendenVorlagen>(
            welche == 0 ? kVorlagenVorher : kVorlagenNachher, kVorlagenVersion,
            welche == 0 ? StandardVorher() : StandardNachher(), *umgebung_.store);
    }
    return *liste;
}

QMenu* TDateiSendenDlg::VorlagenMenue(int welche) {
    QMenu*& menue = vorlagenMenue_.at(static_cast<std::size_t>(welche));
    if (menue != nullptr) {
        return menue;
    }
    menue = new QMenu(this);
    const TDateiSendenVorlagen& liste = VorlagenListe(welche);
    QPlainTextEdit* memo = welche == 0 ? vorher_ : nachher_;
    for (int i = 0; i < liste.GetCount(); ++i) {
        const std::string text = liste.GetVorlage(i);
        menue->addAction(liste.Kurztext(i, kMenueBreite, menue->font()),
                         [memo, text] { memo->setPlainText(MemoText(text)); });
    }
    menue->addSeparator();
    menue->addAction(Tr("Vorlagen bearbeiten..."), this, [this, welche] { VorlagenBearbeiten(welche); });
    return menue;
}

bool TDateiSendenDlg::VorlagenBearbeiten(int welche) {
    TDateiSendenVorlagenDlg editor(VorlagenListe(welche), this);
    if (editor.exec() != QDialog::Accepted) {
        return false;
    }
    VorlagenListe(welche).Assign(editor.Vorlagen());
    // The next click builds the menu from the edited list.
    QMenu*& menue = vorlagenMenue_.at(static_cast<std::size_t>(welche));
    if (menue != nullptr) {
        menue->deleteLater();
        menue = nullptr;
    }
    return true;
}

} // namespace quarn
