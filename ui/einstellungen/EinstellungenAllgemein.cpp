#include "ui/einstellungen/EinstellungenAllgemein.h"

#include "controls/NumEditU.h"
#include "devices/channel/KanaeleU.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/DlgMessageU.h"
#include "platform/Codepage.h"
#include "stations/MyCallsU.h"
#include "ui/editoren/EinstellungenRufzeichenForm.h"
#include "ui/einstellungen/UpDownU.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace quarn {

namespace {

constexpr const char* kClass = "TEinstellungenAllgemein";
constexpr int kMinZeilen = 500;
constexpr int kMaxZeilen = 30000;

// The own-call dialog of this page: its "OK" refuses a call another row already has.
class TRufzeichenDialog final : public TEinstellungenRufzeichenForm {
public:
    TRufzeichenDialog(QWidget* owner, std::vector<std::string> andere)
        : TEinstellungenRufzeichenForm(owner), andere_(std::move(andere)) {}

    void accept() override {
        TMyCall probe;
        if (!Uebernehmen(probe)) {
            return;
        }
        if (RufzeichenSchonEingetragen(andere_, probe.GetCall())) {
            TDlgMessage::Run(TEinstellungenAllgemein::Tr("Quarn"),
                             TEinstellungenAllgemein::Tr("Das Rufzeichen %1 ist schon eingetragen.")
                                 .arg(Cp1252ToQString(probe.GetCall())),
                             mbOK, this);
            return;
        }
        TEinstellungenRufzeichenForm::accept();
    }

private:
    std::vector<std::string> andere_;
};

} // namespace

int AnkommendEintrag(int incomingConnects) {
    switch (incomingConnects) {
    case 2:
        return 1;
    case 3:
        return 2;
    default:
        return 0;
    }
}

int AnkommendWert(int eintrag) {
    switch (eintrag) {
    case 1:
        return 2;
    case 2:
        return 3;
    default:
        return 1;
    }
}

int KanaeleAusEingabe(int value) {
    return std::clamp(value, TKanaele::kMinKanaele, TKanaele::kMaxKanaele);
}

bool RufzeichenSchonEingetragen(const std::vector<std::string>& andere, std::string_view call) {
    const std::string gesucht = Cp1252UpperCase(call);
    return std::any_of(andere.begin(), andere.end(),
                       [&](const std::string& other) { return Cp1252UpperCase(other) == gesucht; });
}

TEinstellungenAllgemein::TEinstellungenAllgemein(QWidget* parent) : TTabForm(parent) {
    setObjectName(QStringLiteral("EinstellungenAllgemein"));

    auto* rufzeichenGruppe = new QGroupBox(Tr("Eigene Rufzeichen"), this);
    liste_ = new QTreeWidget(rufzeichenGruppe);
    liste_->setObjectName(QStringLiteral("RufzeichenListe"));
    liste_->setRootIsDecorated(false);
    liste_->setHeaderLabels({Tr("Rufzeichen"), Tr("SSIDs")});
    liste_->header()->resizeSection(0, 110);
    bearbeiten_ = new QPushButton(Tr("&Bearbeiten"), rufzeichenGruppe);
    auto* hinzufuegen = new QPushButton(Tr("&Hinzufügen"), rufzeichenGruppe);
    entfernen_ = new QPushButton(Tr("&Entfernen"), rufzeichenGruppe);
    auto* rufzeichenKnoepfe = new QVBoxLayout;
    rufzeichenKnoepfe->addWidget(bearbeiten_);
    rufzeichenKnoepfe->addWidget(hinzufuegen);
    rufzeichenKnoepfe->addWidget(entfernen_);
    rufzeichenKnoepfe->addStretch(1);
    auto* rufzeichenLayout = new QHBoxLayout(rufzeichenGruppe);
    rufzeichenLayout->addWidget(liste_, 1);
    rufzeichenLayout->addLayout(rufzeichenKnoepfe);

    auto* ioGruppe = new QGroupBox(Tr("Ein-/Ausgabe"), this);
    kanaele_ = new TCardinalEdit(ioGruppe);
    kanaele_->setObjectName(QStringLiteral("KanaeleEdit"));
    kanaele_->SetMinValue(TKanaele::kMinKanaele);
    kanaele_->SetMaxValue(TKanaele::kMaxKanaele);
    kanaele_->SetValidate(false);
    zeilen_ = new TCardinalEdit(ioGruppe);
    zeilen_->setObjectName(QStringLiteral("ZeilenEdit"));
    zeilen_->SetMinValue(kMinZeilen);
    zeilen_->SetMaxValue(kMaxZeilen);
    zeilen_->SetValidate(true);
    for (TCardinalEdit* edit : {kanaele_, zeilen_}) {
        edit->setFixedWidth(56);
        edit->setAlignment(Qt::AlignRight);
    }
    auto* kanaeleLabel = new QLabel(Tr("Kanäle"), ioGruppe);
    kanaeleLabel->setBuddy(kanaele_);
    auto* zeilenLabel = new QLabel(Tr("Zeilen"), ioGruppe);
    zeilenLabel->setBuddy(zeilen_);
    echo_ = new QCheckBox(Tr("&Lokales Echo"), ioGruppe);
    auto* ioLayout = new QGridLayout(ioGruppe);
    ioLayout->addWidget(kanaeleLabel, 0, 0);
    ioLayout->addWidget(kanaele_, 0, 1);
    ioLayout->addWidget(new TUpDown(*kanaele_, TKanaele::kMinKanaele, TKanaele::kMaxKanaele, 1, ioGruppe), 0,
                        2);
    ioLayout->addWidget(zeilenLabel, 1, 0);
    ioLayout->addWidget(zeilen_, 1, 1);
    ioLayout->addWidget(new TUpDown(*zeilen_, kMinZeilen, kMaxZeilen, 50, ioGruppe), 1, 2);
    ioLayout->addWidget(echo_, 2, 0, 1, 3);
    ioLayout->setColumnStretch(3, 1);

    auto* firewallGruppe = new QGroupBox(Tr("Firewall"), this);
    ankommend_ = new QComboBox(firewallGruppe);
    ankommend_->setObjectName(QStringLiteral("AnkommendBox"));
    ankommend_->addItems({Tr("annehmen"), Tr("ignorieren"), Tr("abweisen")});
    auto* ankommendLabel = new QLabel(Tr("Ankommende Verbindungen:"), firewallGruppe);
    ankommendLabel->setBuddy(ankommend_);
    auto* firewallLayout = new QVBoxLayout(firewallGruppe);
    firewallLayout->addWidget(ankommendLabel);
    firewallLayout->addWidget(ankommend_);
    firewallLayout->addStretch(1);

    auto* unten = new QHBoxLayout;
    unten->addWidget(ioGruppe, 1);
    unten->addWidget(firewallGruppe, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rufzeichenGruppe, 1);
    layout->addLayout(unten);

    if (const std::shared_ptr<TMyCalls> eigene = MyCalls()) {
        for (const TMyCall& call : eigene->Kopie()) {
            auto copy = std::make_shared<TMyCall>();
            copy->Assign(call);
            calls_.push_back(std::move(copy));
            liste_->addTopLevelItem(new QTreeWidgetItem);
            ZeileFuellen(static_cast<int>(calls_.size()) - 1);
        }
    }
    if (liste_->topLevelItemCount() > 0) {
        liste_->setCurrentItem(liste_->topLevelItem(0));
    }
    if (const TKanaele* kanaele = TKanaele::Instance()) {
        kanaele_->SetValue(kanaele->GetAnzahl());
    }
    if (const TConfig* config = Config()) {
        zeilen_->SetValue(config->GetConsoleRows());
        echo_->setChecked(config->GetLocalEcho());
        ankommend_->setCurrentIndex(AnkommendEintrag(config->GetIncomingConnects()));
    }

    connect(bearbeiten_, &QPushButton::clicked, this, &TEinstellungenAllgemein::Bearbeiten);
    connect(liste_, &QTreeWidget::itemDoubleClicked, this, &TEinstellungenAllgemein::Bearbeiten);
    connect(hinzufuegen, &QPushButton::clicked, this, &TEinstellungenAllgemein::Hinzufuegen);
    connect(entfernen_, &QPushButton::clicked, this, &TEinstellungenAllgemein::Entfernen);
}

TEinstellungenAllgemein::~TEinstellungenAllgemein() = default;

void TEinstellungenAllgemein::ZeileFuellen(int zeile) {
    QTreeWidgetItem* item = liste_->topLevelItem(zeile);
    const TMyCall& call = *calls_.at(static_cast<std::size_t>(zeile));
    item->setText(0, Cp1252ToQString(call.GetCall()));
    item->setText(1, Cp1252ToQString(call.GetSSIDListe()));
}

bool TEinstellungenAllgemein::RufzeichenBearbeiten(TMyCall& call, int zeile) {
    std::vector<std::string> andere;
    for (std::size_t i = 0; i < calls_.size(); ++i) {
        if (static_cast<int>(i) != zeile) {
            andere.push_back(calls_[i]->GetCall());
        }
    }
    TRufzeichenDialog dialog(this, std::move(andere));
    return dialog.Run(call);
}

void TEinstellungenAllgemein::Bearbeiten() {
    const int zeile = liste_->indexOfTopLevelItem(liste_->currentItem());
    if (zeile < 0) {
        return;
    }
    if (RufzeichenBearbeiten(*calls_.at(static_cast<std::size_t>(zeile)), zeile)) {
        ZeileFuellen(zeile);
    }
}

void TEinstellungenAllgemein::Hinzufuegen() {
    DebOutObj(kClass, "RufzeichenHinzufuegenClick", "");
    auto call = std::make_shared<TMyCall>("", std::vector<int>{0});
    if (!RufzeichenBearbeiten(*call, -1)) {
        return;
    }
    calls_.push_back(std::move(call));
    liste_->addTopLevelItem(new QTreeWidgetItem);
    ZeileFuellen(static_cast<int>(calls_.size()) - 1);
    liste_->setCurrentItem(liste_->topLevelItem(liste_->topLevelItemCount() - 1));
}

void TEinstellungenAllgemein::Entfernen() {
    const int zeile = liste_->indexOfTopLevelItem(liste_->currentItem());
    if (zeile < 0) {
        return;
    }
    calls_.erase(calls_.begin() + zeile);
    delete liste_->takeTopLevelItem(zeile);
}

void TEinstellungenAllgemein::Apply() {
    DebOutObj(kClass, "Apply", "");
    if (const std::shared_ptr<TMyCalls> eigene = MyCalls()) {
        eigene->BeginUpdate();
        eigene->Clear();
        for (const std::shared_ptr<TMyCall>& call : calls_) {
            auto copy = std::make_shared<TMyCall>();
            copy->Assign(*call);
            eigene->Add(std::move(copy));
        }
        // Publishes the new list: the devices give the TNC the new calls.
        eigene->EndUpdate();
    }
    TConfig* config = Config();
    if (config) {
        config->SetIncomingConnects(AnkommendWert(ankommend_->currentIndex()));
    }
    TKanaele* kanaele = TKanaele::Instance();
    if (kanaele) {
        const int anzahl = KanaeleAusEingabe(kanaele_->Value());
        kanaele_->SetValue(anzahl);
        kanaele->SetAnzahl(anzahl);
    }
    if (config) {
        config->SetLocalEcho(echo_->isChecked());
        ZeilenUebernehmen();
    }
    if (kanaele) {
        kanaele->SetAktuellNr(kanaele->GetAktuellNr());
    }
}

void TEinstellungenAllgemein::ZeilenUebernehmen() {
    TConfig& config = *Config();
    const int zeilen = std::clamp(zeilen_->Value(), kMinZeilen, kMaxZeilen);
    const int gespeichert = config.GetConsoleRows();
    if (zeilen == gespeichert) {
        return;
    }
    if (TDlgMessage::Run(Tr("Quarn"),
                         Tr("Bei Änderung der Zeilenzahl werden die Inhalte der Empfangsfenster gelöscht. "
                            "Fortsetzen?"),
                         mbYes | mbNo, this) != mrYes) {
        zeilen_->SetValue(gespeichert);
        return;
    }
    try {
        if (TKanaele* kanaele = TKanaele::Instance()) {
            kanaele->SetZeilen(zeilen);
        }
        config.SetConsoleRows(zeilen);
    } catch (const std::exception& error) {
        DebOutObj(kClass, "Apply", std::string("Zeilen: ") + error.what());
    }
}

} // namespace quarn
