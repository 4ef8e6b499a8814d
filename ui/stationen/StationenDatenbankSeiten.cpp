// The station window's pages: "Allgemein" and "Passwörter" filled from and stored to the station shown,
// and the hosts of the editor pages.
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "foundation/InterfacesU.h"
#include "platform/Codepage.h"
#include "stations/MyCallsU.h"
#include "stations/StationenDatenbankU.h"
#include "ui/stationen/StationenDatenbankDlg.h"
#include "ui/stationen/StationenDatenbankPasswortDlg.h"
#include "ui/stationen/StationenRegeln.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quarn {
namespace {

constexpr const char* kClass = "TStationenDatenbankDlg";
constexpr int kStreamRolle = Qt::UserRole;

const char* const kRegeln[] = {QT_TRANSLATE_NOOP("TStationenDatenbankDlg", "annehmen"),
                               QT_TRANSLATE_NOOP("TStationenDatenbankDlg", "ignorieren"),
                               QT_TRANSLATE_NOOP("TStationenDatenbankDlg", "abweisen")};

std::vector<std::string> ProgrammRufzeichen() {
    std::vector<std::string> calls;
    if (const std::shared_ptr<TMyCalls> myCalls = MyCalls()) {
        for (const TMyCall& call : myCalls->Kopie()) {
            calls.push_back(call.GetCall());
        }
    }
    return calls;
}

} // namespace

QWidget* TStationenDatenbankDlg::AllgemeinBauen() {
    auto* seite = new QWidget;
    seite->setObjectName("AllgemeinSeite");
    nameEdit_ = new QLineEdit(seite);
    nameEdit_->setObjectName("NameEdit");
    typCombobox_ = new QComboBox(seite);
    typCombobox_->setObjectName("TypCombobox");
    for (int kind = static_cast<int>(TStationType::st_first); kind <= static_cast<int>(TStationType::st_last);
         ++kind) {
        typCombobox_->addItem(StationTypeName(kind));
    }
    notizenMemo_ = new QPlainTextEdit(seite);
    notizenMemo_->setObjectName("NotizenMemo");
    firewallCheckbox_ = new QCheckBox(Tr("Firewall"), seite);
    firewallCheckbox_->setObjectName("FirewallCheckbox");
    firewallLabel_ = new QLabel(Tr("Ankommende Verbindungen:"), seite);
    firewallCombobox_ = new QComboBox(seite);
    firewallCombobox_->setObjectName("FirewallCombobox");
    for (const char* regel : kRegeln) {
        firewallCombobox_->addItem(Tr(regel));
    }
    firewallLabel_->setBuddy(firewallCombobox_);
    connect(firewallCheckbox_, &QCheckBox::clicked, this,
            [this](bool checked) { FirewallGeklickt(checked); });

    auto* nameLabel = new QLabel(Tr("&Name"), seite);
    nameLabel->setBuddy(nameEdit_);
    auto* typLabel = new QLabel(Tr("&Typ"), seite);
    typLabel->setBuddy(typCombobox_);
    auto* notizenLabel = new QLabel(Tr("Notizen"), seite);
    auto* felder = new QGridLayout;
    felder->addWidget(nameLabel, 0, 0);
    felder->addWidget(nameEdit_, 0, 1);
    felder->addWidget(typLabel, 1, 0);
    felder->addWidget(typCombobox_, 1, 1);
    auto* firewallZeile = new QHBoxLayout;
    firewallZeile->addWidget(firewallCheckbox_);
    firewallZeile->addSpacing(12);
    firewallZeile->addWidget(firewallLabel_);
    firewallZeile->addWidget(firewallCombobox_, 1);
    auto* layout = new QVBoxLayout(seite);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(felder);
    layout->addWidget(notizenLabel);
    layout->addWidget(notizenMemo_, 1);
    layout->addLayout(firewallZeile);
    return seite;
}

QWidget* TStationenDatenbankDlg::PasswoerterBauen() {
    auto* seite = new QWidget;
    seite->setObjectName("PasswoerterSeite");
    passwortListview_ = new QTreeWidget(seite);
    passwortListview_->setObjectName("PasswortListview");
    passwortListview_->setRootIsDecorated(false);
    passwortListview_->setUniformRowHeights(true);
    passwortListview_->setHeaderLabels({Tr("Eigenes Rufzeichen"), Tr("Benutzer/Sysop"), Tr("Verfahren")});
    passwortListview_->header()->setStretchLastSection(true);
    passwortListview_->setColumnWidth(0, 130);
    passwortListview_->setColumnWidth(1, 110);
    connect(passwortListview_, &QTreeWidget::itemDoubleClicked, this, [this] { PasswortBearbeiten(); });

    auto* hinzufuegen = new QPushButton(Tr("Hin&zufügen"), seite);
    hinzufuegen->setObjectName("PasswortHinzufuegenButton");
    auto* entfernen = new QPushButton(Tr("Ent&fernen"), seite);
    entfernen->setObjectName("PasswortEntfernenButton");
    auto* bearbeiten = new QPushButton(Tr("&Bearbeiten"), seite);
    bearbeiten->setObjectName("PasswortBearbeitenButton");
    for (QPushButton* button : {hinzufuegen, entfernen, bearbeiten}) {
        button->setAutoDefault(false);
    }
    connect(hinzufuegen, &QPushButton::clicked, this, [this] { PasswortHinzufuegen(); });
    connect(entfernen, &QPushButton::clicked, this, [this] { PasswortEntfernen(); });
    connect(bearbeiten, &QPushButton::clicked, this, [this] { PasswortBearbeiten(); });
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(hinzufuegen);
    knoepfe->addWidget(entfernen);
    knoepfe->addWidget(bearbeiten);
    auto* layout = new QVBoxLayout(seite);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(passwortListview_, 1);
    layout->addLayout(knoepfe);
    return seite;
}

QWidget* TStationenDatenbankDlg::EditorBauen(TStationenSeite slot) {
    auto* host = new QWidget;
    auto* layout = new QVBoxLayout(host);
    // The editor's controls sit a little in from the page's edge.
    layout->setContentsMargins(6, 3, 6, 7);
    std::unique_ptr<IStationenSeite> editor = umgebung_.seiten ? umgebung_.seiten(slot) : nullptr;
    if (editor && editor->Page()) {
        layout->addWidget(editor->Page());
    } else {
        editor.reset();
    }
    editoren_.push_back(std::move(editor));
    return host;
}

int TStationenDatenbankDlg::GlobaleRegel() const {
    if (umgebung_.globaleRegel) {
        return umgebung_.globaleRegel();
    }
    const TConfig* config = Config();
    return config ? config->GetIncomingConnects() : static_cast<int>(TIncomingConnects::Accept);
}

void TStationenDatenbankDlg::SeitenAktiv(bool aktiv) {
    for (QWidget* seite : seitenInhalt_) {
        seite->setEnabled(aktiv);
    }
    // A slot without its editor stays an empty, greyed page.
    for (std::size_t slot = 0; slot < editoren_.size(); ++slot) {
        if (!editoren_[slot]) {
            seitenInhalt_[slot + 2]->setEnabled(false);
        }
    }
}

void TStationenDatenbankDlg::Speichern() {
    if (!eintrag_) {
        return;
    }
    eintrag_->SetName(QStringToCp1252(nameEdit_->text()));
    eintrag_->SetNotizen(NotizenZumSpeichern(notizenMemo_->toPlainText()));
    eintrag_->SetTyp(TypAusAuswahl(typCombobox_->currentIndex()));
    eintrag_->SetFirewall(RegelAusAuswahl(firewallCheckbox_->isChecked(), firewallCombobox_->currentIndex()));
    for (const TStationenSeite slot :
         {TStationenSeite::Klaenge, TStationenSeite::Texte, TStationenSeite::Fernsteuerung}) {
        if (const auto& editor = editoren_[static_cast<std::size_t>(slot)]) {
            editor->Apply();
        }
    }
    eintrag_.reset();
}

void TStationenDatenbankDlg::Zeigen(const std::string& call) {
    eintrag_.reset();
    gezeigt_ = call;
    kopf_->setText(Tr("Einstellungen für %1:").arg(Cp1252ToQString(call)));
    eintrag_ = datenbank_.GetEintrag(call);
    if (!eintrag_) {
        // Gone since the list was made: nothing to fill from, and nothing is stored for it.
        Piepen();
        DebOutObj(kClass, "RufzeichenListViewSelectItem", "Fehler.");
        nameEdit_->clear();
        notizenMemo_->clear();
        passwortListview_->clear();
        SeitenAktiv(false);
        return;
    }
    SeitenAktiv(true);
    nameEdit_->setText(Cp1252ToQString(eintrag_->GetName()));
    notizenMemo_->setPlainText(NotizenZumZeigen(eintrag_->GetNotizen()));
    typCombobox_->setCurrentIndex(static_cast<int>(TypAusAuswahl(static_cast<int>(eintrag_->GetTyp()))));
    const TFirewallAnzeige anzeige = FirewallAnzeige(eintrag_->GetFirewall(), GlobaleRegel());
    firewallCheckbox_->setChecked(anzeige.eigeneRegel);
    firewallLabel_->setEnabled(anzeige.eigeneRegel);
    firewallCombobox_->setEnabled(anzeige.eigeneRegel);
    firewallCombobox_->setCurrentIndex(anzeige.zeile);
    for (const auto& editor : editoren_) {
        if (editor) {
            editor->LoadStation(call);
        }
    }
    PasswoerterFuellen();
}

void TStationenDatenbankDlg::FirewallGeklickt(bool checked) {
    firewallLabel_->setEnabled(checked);
    firewallCombobox_->setEnabled(checked);
    if (checked) {
        const TIncomingConnects rule = eintrag_ ? eintrag_->GetFirewall() : TIncomingConnects::None;
        firewallCombobox_->setCurrentIndex(FirewallAnzeige(rule, GlobaleRegel()).zeile);
        return;
    }
    // Off means the station follows the global rule, at once.
    if (eintrag_) {
        eintrag_->SetFirewall(TIncomingConnects::None);
    }
    firewallCombobox_->setCurrentIndex(FirewallAnzeige(TIncomingConnects::None, GlobaleRegel()).zeile);
}

void TStationenDatenbankDlg::PasswoerterFuellen() {
    passwortListview_->clear();
    if (!eintrag_) {
        return;
    }
    std::vector<std::string> streams;
    datenbank_.GetPasswortListe(*eintrag_, streams);
    for (const std::string& stream : streams) {
        std::string myCall;
        TPasswortArt kind{};
        TPasswortMethode method{};
        ParsePasswortStreamName(stream, myCall, kind, method);
        auto* item = new QTreeWidgetItem(passwortListview_,
                                         {Cp1252ToQString(myCall), PasswortArtName(static_cast<int>(kind)),
                                          PasswortMethodeName(static_cast<int>(method))});
        item->setData(0, kStreamRolle, Cp1252ToQString(stream));
    }
}

void TStationenDatenbankDlg::PasswortHinzufuegen() {
    if (!eintrag_) {
        return;
    }
    TStationenDatenbankPasswortDlg dialog(
        umgebung_.eigeneRufzeichen ? umgebung_.eigeneRufzeichen() : ProgrammRufzeichen(), this);
    dialog.SetModus(TStationenDatenbankPasswortDlg::Modus::Hinzufuegen);
    if (dialog.exec() == QDialog::Accepted &&
        !PasswortSpeichern(*eintrag_, {}, dialog.GetMyCall(), dialog.GetArt(), dialog.GetPasswort(),
                           dialog.GetVerfahren())) {
        TDlgMessage::Run(Tr("Passwort"), Tr("Das Passwort konnte nicht gespeichert werden."), mbOK, this);
    }
    PasswoerterFuellen();
}

void TStationenDatenbankDlg::PasswortBearbeiten() {
    const QTreeWidgetItem* item = passwortListview_->currentItem();
    if (!eintrag_ || !item) {
        return;
    }
    const std::string stream = QStringToCp1252(item->data(0, kStreamRolle).toString());
    TStationenDatenbankPasswortDlg dialog(
        umgebung_.eigeneRufzeichen ? umgebung_.eigeneRufzeichen() : ProgrammRufzeichen(), this);
    dialog.SetStreamName(stream);
    dialog.SetPasswort(eintrag_->GetPasswortStream(stream));
    dialog.SetModus(TStationenDatenbankPasswortDlg::Modus::Bearbeiten);
    if (dialog.exec() == QDialog::Accepted &&
        !PasswortSpeichern(*eintrag_, stream, dialog.GetMyCall(), dialog.GetArt(), dialog.GetPasswort(),
                           dialog.GetVerfahren())) {
        TDlgMessage::Run(Tr("Passwort"), Tr("Das Passwort konnte nicht gespeichert werden."), mbOK, this);
    }
    PasswoerterFuellen();
}

void TStationenDatenbankDlg::PasswortEntfernen() {
    const QTreeWidgetItem* item = passwortListview_->currentItem();
    if (!eintrag_ || !item) {
        return;
    }
    eintrag_->DeleteStream(QStringToCp1252(item->data(0, kStreamRolle).toString()));
    PasswoerterFuellen();
}

} // namespace quarn
