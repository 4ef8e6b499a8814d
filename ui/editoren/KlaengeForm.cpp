#include "ui/editoren/KlaengeForm.h"

#include "platform/Codepage.h"
#include "stations/KlaengeU.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace quarn {
namespace {

constexpr auto kPC = static_cast<std::uint8_t>(TSignalArt::PCLautsprecher);
constexpr auto kWave = static_cast<std::uint8_t>(TSignalArt::WaveDatei);
constexpr auto kKeiner = static_cast<std::uint8_t>(TSignalArt::Keiner);

std::filesystem::path FileName(const QString& file) {
    return std::filesystem::path(file.toStdString());
}

} // namespace

TKlaengeForm::TKlaengeForm(TKlaenge& klaenge, QWidget* parent, TEditorDialoge dialoge)
    : QWidget(parent), klaenge_(klaenge), modell_(klaenge), dialoge_(std::move(dialoge)) {
    setObjectName(QStringLiteral("KlaengeForm"));
    Aufbauen();
}

void TKlaengeForm::Aufbauen() {
    auto* ereignisGroup = new QGroupBox(Tr("Ereignisse"), this);
    ereignisComboBox_ = new QComboBox(ereignisGroup);
    ereignisComboBox_->setObjectName(QStringLiteral("EreignisComboBox"));
    auto* ereignisLabel = new QLabel(Tr("&Ereignis"), ereignisGroup);
    ereignisLabel->setBuddy(ereignisComboBox_);
    auto* ereignisLayout = new QHBoxLayout(ereignisGroup);
    ereignisLayout->addWidget(ereignisLabel);
    ereignisLayout->addWidget(ereignisComboBox_, 1);

    auto* klangGroup = new QGroupBox(Tr("Klang"), this);
    keinerRadio_ = new QRadioButton(Tr("keiner"), klangGroup);
    pcRadio_ = new QRadioButton(Tr("PC-Lautsprecher"), klangGroup);
    waveRadio_ = new QRadioButton(Tr("Wave-Datei"), klangGroup);
    waveEdit_ = new QLineEdit(klangGroup);
    waveEdit_->setObjectName(QStringLiteral("KlangWaveEdit"));
    durchsuchenButton_ = new QToolButton(klangGroup);
    durchsuchenButton_->setText(QStringLiteral("..."));
    durchsuchenButton_->setObjectName(QStringLiteral("DurchsuchenButton"));
    abspielenButton_ = new QToolButton(klangGroup);
    // A text glyph greys out with the button, as the browse button's dots do.
    abspielenButton_->setText(QString(QChar(0x25B6)));
    abspielenButton_->setToolTip(Tr("Abspielen"));
    abspielenButton_->setObjectName(QStringLiteral("AbspielenButton"));
    klangCheckBox_ = new QCheckBox(Tr("Eigener &Klang"), klangGroup);
    klangCheckBox_->setObjectName(QStringLiteral("KlangCheckBox"));
    auto* klangLayout = new QGridLayout(klangGroup);
    klangLayout->addWidget(keinerRadio_, 0, 0);
    klangLayout->addWidget(klangCheckBox_, 0, 1, 1, 3, Qt::AlignRight);
    klangLayout->addWidget(pcRadio_, 1, 0, 1, 4);
    klangLayout->addWidget(waveRadio_, 2, 0, 1, 4);
    klangLayout->addWidget(waveEdit_, 3, 0, 1, 2);
    klangLayout->addWidget(durchsuchenButton_, 3, 2);
    klangLayout->addWidget(abspielenButton_, 3, 3);
    klangLayout->setColumnStretch(1, 1);

    // Announcements are kept but not spoken, so their group stays hidden.
    ansageGroup_ = new QGroupBox(Tr("Ansage"), this);
    keineAnsageRadio_ = new QRadioButton(Tr("keine"), ansageGroup_);
    stimmeRadio_ = new QRadioButton(Tr("Stimme"), ansageGroup_);
    telegrafieRadio_ = new QRadioButton(Tr("Telegrafie"), ansageGroup_);
    ansageCheckBox_ = new QCheckBox(Tr("Eigene &Ansage"), ansageGroup_);
    ansageCheckBox_->setObjectName(QStringLiteral("AnsageCheckBox"));
    auto* ansageLayout = new QVBoxLayout(ansageGroup_);
    for (QWidget* widget :
         {static_cast<QWidget*>(keineAnsageRadio_), static_cast<QWidget*>(stimmeRadio_),
          static_cast<QWidget*>(telegrafieRadio_), static_cast<QWidget*>(ansageCheckBox_)}) {
        ansageLayout->addWidget(widget);
    }
    ansageGroup_->hide();

    auto* schemaGroup = new QGroupBox(Tr("Schema"), this);
    auto* ladenButton = new QPushButton(Tr("Laden..."), schemaGroup);
    auto* speichernButton = new QPushButton(Tr("Speichern..."), schemaGroup);
    auto* schemaLayout = new QHBoxLayout(schemaGroup);
    schemaLayout->addWidget(ladenButton);
    schemaLayout->addWidget(speichernButton);
    schemaLayout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ereignisGroup);
    layout->addWidget(klangGroup);
    layout->addWidget(ansageGroup_);
    layout->addWidget(schemaGroup);
    layout->addStretch(1);

    connect(ereignisComboBox_, &QComboBox::currentIndexChanged, this, &TKlaengeForm::EreignisGewechselt);
    connect(klangCheckBox_, &QCheckBox::clicked, this, &TKlaengeForm::KlangCheckBoxClick);
    connect(ansageCheckBox_, &QCheckBox::clicked, this, &TKlaengeForm::AnsageCheckBoxClick);
    for (QRadioButton* radio : {keinerRadio_, pcRadio_, waveRadio_}) {
        connect(radio, &QRadioButton::toggled, this, &TKlaengeForm::KlangRadioButtonClick);
    }
    connect(durchsuchenButton_, &QToolButton::clicked, this, &TKlaengeForm::Durchsuchen);
    connect(abspielenButton_, &QToolButton::clicked, this, &TKlaengeForm::Abspielen);
    connect(ladenButton, &QPushButton::clicked, this, &TKlaengeForm::SchemaLadenClick);
    connect(speichernButton, &QPushButton::clicked, this, &TKlaengeForm::SchemaSpeichernClick);
}

void TKlaengeForm::Init(bool global) {
    klangCheckBox_->setVisible(!global);
    ansageCheckBox_->setVisible(!global);
    modell_.Init(global);
    aktuell_ = -1;
    {
        const QSignalBlocker blocker(ereignisComboBox_);
        ereignisComboBox_->clear();
        for (int index = 0; index < modell_.Anzahl(); ++index) {
            const int event = modell_.Ereignis(index);
            ereignisComboBox_->addItem(SoundEventInfo(event).Name, event);
        }
        ereignisComboBox_->setCurrentIndex(-1);
    }
    ereignisComboBox_->setCurrentIndex(modell_.Anzahl() > 0 ? 0 : -1);
}

void TKlaengeForm::SetRufzeichen(std::string_view call) {
    modell_.SetRufzeichen(call);
    Zeigen();
}

void TKlaengeForm::Apply() {
    Speichern();
    modell_.Apply();
}

std::uint8_t TKlaengeForm::GewaehltesSignal() const {
    if (pcRadio_->isChecked()) {
        return kPC;
    }
    if (waveRadio_->isChecked()) {
        return kWave;
    }
    return kKeiner;
}

std::uint8_t TKlaengeForm::GewaehlteAnsage() const {
    if (stimmeRadio_->isChecked()) {
        return static_cast<std::uint8_t>(TAnsageArt::Stimme);
    }
    if (telegrafieRadio_->isChecked()) {
        return static_cast<std::uint8_t>(TAnsageArt::Telegrafie);
    }
    return static_cast<std::uint8_t>(TAnsageArt::Keine);
}

void TKlaengeForm::Speichern() {
    if (aktuell_ < 0) {
        return;
    }
    modell_.KlangUebernehmen(aktuell_, GewaehltesSignal(), QStringToCp1252(waveEdit_->text()));
    modell_.AnsageUebernehmen(aktuell_, GewaehlteAnsage());
}

void TKlaengeForm::EreignisGewechselt(int index) {
    Speichern();
    aktuell_ = index;
    Zeigen();
}

void TKlaengeForm::Zeigen() {
    if (aktuell_ < 0) {
        return;
    }
    const TKlangAnzeige anzeige = modell_.Anzeige(aktuell_);
    zeigt_ = true;
    klangCheckBox_->setChecked(anzeige.eigenerKlang);
    for (QRadioButton* radio : {keinerRadio_, pcRadio_, waveRadio_}) {
        radio->setEnabled(anzeige.klangWaehlbar);
    }
    (anzeige.signal == kPC     ? pcRadio_
     : anzeige.signal == kWave ? waveRadio_
                               : keinerRadio_)
        ->setChecked(true);
    waveEdit_->setText(Cp1252ToQString(anzeige.waveFile));

    ansageCheckBox_->setEnabled(anzeige.eigeneAnsageMoeglich);
    ansageCheckBox_->setChecked(anzeige.eigeneAnsage && anzeige.eigeneAnsageMoeglich);
    keineAnsageRadio_->setEnabled(anzeige.ansageWaehlbar);
    stimmeRadio_->setEnabled(false);
    telegrafieRadio_->setEnabled(false);
    const auto ansage = static_cast<TAnsageArt>(anzeige.ansage);
    (ansage == TAnsageArt::Stimme       ? stimmeRadio_
     : ansage == TAnsageArt::Telegrafie ? telegrafieRadio_
                                        : keineAnsageRadio_)
        ->setChecked(true);
    zeigt_ = false;
    KlangRadioButtonClick();
}

void TKlaengeForm::KlangCheckBoxClick() {
    if (aktuell_ < 0) {
        return;
    }
    if (!klangCheckBox_->isChecked()) {
        Speichern();
    }
    modell_.SetEigenerKlang(aktuell_, klangCheckBox_->isChecked());
    Zeigen();
}

void TKlaengeForm::AnsageCheckBoxClick() {
    if (aktuell_ < 0) {
        return;
    }
    if (!ansageCheckBox_->isChecked()) {
        Speichern();
    }
    modell_.SetEigeneAnsage(aktuell_, ansageCheckBox_->isChecked());
    Zeigen();
}

void TKlaengeForm::KlangRadioButtonClick() {
    if (zeigt_) {
        return;
    }
    const bool wave = waveRadio_->isEnabled() && waveRadio_->isChecked();
    waveEdit_->setEnabled(wave);
    durchsuchenButton_->setEnabled(wave);
    abspielenButton_->setEnabled(wave);
    QPalette palette = waveEdit_->palette();
    palette.setColor(QPalette::Base, wave ? QWidget::palette().color(QPalette::Base)
                                          : QWidget::palette().color(QPalette::Button));
    waveEdit_->setPalette(palette);
}

void TKlaengeForm::Durchsuchen() {
    const QString file =
        dialoge_.dateiWaehlen(this, Tr("Klang auswählen..."), Tr("Klang-Dateien (*.wav);;Alle Dateien (*)"),
                              KlangOrdner(), QStringLiteral("wav"), false);
    setEnabled(true);
    if (!file.isEmpty()) {
        waveEdit_->setText(file);
    }
}

void TKlaengeForm::Abspielen() {
    if (aktuell_ < 0 || waveEdit_->text().isEmpty()) {
        return;
    }
    klaenge_.PlayWaveFile(modell_.Ereignis(aktuell_), QStringToCp1252(waveEdit_->text()));
}

void TKlaengeForm::SchemaLadenClick() {
    const QString file = dialoge_.dateiWaehlen(this, Tr("Schema laden"), Tr("Quarn Soundschema (*.qvs)"),
                                               KlangOrdner(), QStringLiteral("qvs"), false);
    if (!file.isEmpty()) {
        SchemaLaden(file);
    }
}

void TKlaengeForm::SchemaSpeichernClick() {
    const QString file =
        dialoge_.dateiWaehlen(window(), Tr("Schema speichern"), Tr("Quarn Soundschema (*.qvs)"),
                              KlangOrdner(), QStringLiteral("qvs"), true);
    if (!file.isEmpty()) {
        SchemaSpeichern(file);
    }
}

void TKlaengeForm::SchemaLaden(const QString& file) {
    const auto keys = LeseKlangSchemaDatei(FileName(file));
    if (!keys) {
        dialoge_.melden(this, Tr("Die Datei \"%1\" ist kein Quarn-Soundschema.").arg(file));
        return;
    }
    Speichern();
    modell_.SchemaUebernehmen(*keys, FileName(QFileInfo(file).absolutePath()));
    Zeigen();
}

void TKlaengeForm::SchemaSpeichern(const QString& file) {
    Speichern();
    const QString fehler =
        SchreibeKlangSchema(FileName(QFileInfo(file).absoluteFilePath()), modell_.SchemaEintraege());
    if (!fehler.isEmpty()) {
        dialoge_.melden(this, Tr("Das Schema konnte nicht gespeichert werden: %1").arg(fehler));
    }
}

} // namespace quarn
