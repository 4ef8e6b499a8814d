// The dialog of one station password.
#include "ui/stationen/StationenDatenbankPasswortDlg.h"

#include "platform/Codepage.h"
#include "stations/StationenDatenbankU.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace quarn {

TStationenDatenbankPasswortDlg::TStationenDatenbankPasswortDlg(const std::vector<std::string>& myCalls,
                                                               QWidget* owner)
    : TFormKio(owner) {
    setObjectName("StationenDatenbankPasswortDlg");
    setWindowTitle(Tr("Passwort"));
    myCallCombo_ = new QComboBox(this);
    myCallCombo_->setObjectName("MyCallCombo");
    myCallCombo_->setEditable(true);
    myCallCombo_->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& call : myCalls) {
        myCallCombo_->addItem(Cp1252ToQString(call));
    }
    myCallCombo_->setCurrentIndex(myCalls.empty() ? -1 : 0);
    // Own calls are upper case as the stream names carry them.
    connect(myCallCombo_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        const QString upper = Cp1252ToQString(Cp1252UpperCase(QStringToCp1252(text)));
        if (upper != text) {
            const int cursor = myCallCombo_->lineEdit()->cursorPosition();
            myCallCombo_->lineEdit()->setText(upper);
            myCallCombo_->lineEdit()->setCursorPosition(cursor);
        }
    });
    artCombo_ = new QComboBox(this);
    artCombo_->setObjectName("ArtCombo");
    for (int kind = 0; kind < kPasswortArtCount; ++kind) {
        artCombo_->addItem(PasswortArtName(kind));
    }
    artCombo_->setCurrentIndex(0);
    verfahrenCombo_ = new QComboBox(this);
    verfahrenCombo_->setObjectName("VerfahrenCombo");
    for (int method = 0; method < kPasswortMethodeCount; ++method) {
        verfahrenCombo_->addItem(PasswortMethodeName(method));
    }
    verfahrenCombo_->setCurrentIndex(0);
    passwortMemo_ = new QPlainTextEdit(this);
    passwortMemo_->setObjectName("PasswortMemo");
    passwortMemo_->setTabChangesFocus(true);

    okButton_ = new QPushButton(Tr("OK"), this);
    okButton_->setObjectName("OkButton");
    okButton_->setDefault(true);
    auto* abbrechen = new QPushButton(Tr("Abbrechen"), this);
    abbrechen->setObjectName("AbbrechenButton");
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(abbrechen, &QPushButton::clicked, this, &QDialog::reject);
    connect(myCallCombo_, &QComboBox::editTextChanged, this, &TStationenDatenbankPasswortDlg::OkPruefen);
    connect(passwortMemo_, &QPlainTextEdit::textChanged, this, &TStationenDatenbankPasswortDlg::OkPruefen);

    auto* felder = new QFormLayout;
    felder->addRow(Tr("&Eigenes Rufzeichen"), myCallCombo_);
    felder->addRow(Tr("&Art"), artCombo_);
    felder->addRow(Tr("&Verfahren"), verfahrenCombo_);
    felder->addRow(Tr("&Passwort"), passwortMemo_);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(okButton_);
    knoepfe->addWidget(abbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(felder);
    layout->addLayout(knoepfe);
    resize(360, 240);
    OkPruefen();
    Loaded();
}

TPasswortArt TStationenDatenbankPasswortDlg::GetArt() const {
    return static_cast<TPasswortArt>(std::max(0, artCombo_->currentIndex()));
}

void TStationenDatenbankPasswortDlg::SetArt(TPasswortArt kind) {
    artCombo_->setCurrentIndex(static_cast<int>(kind));
}

std::string TStationenDatenbankPasswortDlg::GetMyCall() const {
    return QStringToCp1252(myCallCombo_->currentText().trimmed());
}

void TStationenDatenbankPasswortDlg::SetMyCall(std::string_view call) {
    myCallCombo_->setEditText(Cp1252ToQString(call));
}

std::string TStationenDatenbankPasswortDlg::GetPasswort() const {
    QString text = passwortMemo_->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return QStringToCp1252(text);
}

void TStationenDatenbankPasswortDlg::SetPasswort(std::string_view password) {
    QString text = Cp1252ToQString(password);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    passwortMemo_->setPlainText(text);
}

TPasswortMethode TStationenDatenbankPasswortDlg::GetVerfahren() const {
    return static_cast<TPasswortMethode>(std::max(0, verfahrenCombo_->currentIndex()));
}

void TStationenDatenbankPasswortDlg::SetVerfahren(TPasswortMethode method) {
    verfahrenCombo_->setCurrentIndex(static_cast<int>(method));
}

void TStationenDatenbankPasswortDlg::SetModus(Modus modus) {
    const bool hinzufuegen = modus == Modus::Hinzufuegen;
    setWindowTitle(hinzufuegen ? Tr("Passwort hinzufügen...") : Tr("Passwort bearbeiten..."));
    myCallCombo_->setEnabled(hinzufuegen);
}

void TStationenDatenbankPasswortDlg::SetStreamName(std::string_view streamName) {
    std::string myCall;
    TPasswortArt kind{};
    TPasswortMethode method{};
    ParsePasswortStreamName(streamName, myCall, kind, method);
    SetMyCall(myCall);
    SetArt(kind);
    SetVerfahren(method);
}

void TStationenDatenbankPasswortDlg::OkPruefen() {
    okButton_->setEnabled(!GetMyCall().empty() && !passwortMemo_->toPlainText().isEmpty());
}

} // namespace quarn
