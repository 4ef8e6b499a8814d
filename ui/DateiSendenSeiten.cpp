// The send-file wizard's pages: their controls, the source and protocol choice and the PGP page.
#include "ui/DateiSendenDlgU.h"

#include "controls/GroupboxKio.h"
#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/ProgramGlobals.h"
#include "platform/Codepage.h"
#include "platform/Registry.h"
#include "stations/PGPU.h"
#include "ui/BefehlVerlauf.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quarn {
namespace {

constexpr const char* kClass = "TDateiSendenDlg";

QLabel* Ueberschrift(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

void TDateiSendenDlg::Aufbauen() {
    seiten_ = new QStackedWidget(this);
    seiten_->addWidget(StartSeite());
    seiten_->addWidget(DateiSeite());
    seiten_->addWidget(TextSeite());
    seiten_->addWidget(TeileSeite());
    seiten_->addWidget(PgpSeite());

    zurueck_ = new QPushButton(Tr("< &Zurück"), this);
    weiter_ = new QPushButton(Tr("&Weiter >"), this);
    fertig_ = new QPushButton(Tr("&Fertigstellen"), this);
    abbrechen_ = new QPushButton(Tr("Abbrechen"), this);
    fertig_->setEnabled(false);
    connect(zurueck_, &QPushButton::clicked, this, [this] { Zurueck(); });
    connect(weiter_, &QPushButton::clicked, this, [this] { Weiter(); });
    connect(fertig_, &QPushButton::clicked, this, [this] { Fertigstellen(); });
    connect(abbrechen_, &QPushButton::clicked, this, [this] { close(); });

    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch();
    knoepfe->addWidget(zurueck_);
    knoepfe->addWidget(weiter_);
    knoepfe->addSpacing(8);
    knoepfe->addWidget(fertig_);
    knoepfe->addWidget(abbrechen_);

    auto* oben = new QHBoxLayout;
    // The wizard's picture, where the program carries one and the screen shows colours.
    const QPixmap bild(QStringLiteral(":/DateiSendenAssistent"));
    if (!bild.isNull() && ColorCapability() > 0) {
        auto* bildLabel = new QLabel(this);
        bildLabel->setPixmap(bild);
        bildLabel->setAlignment(Qt::AlignTop);
        oben->addWidget(bildLabel);
    }
    oben->addWidget(seiten_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(oben, 1);
    layout->addLayout(knoepfe);
    resize(560, 440);
}

QWidget* TDateiSendenDlg::StartSeite() {
    auto* seite = new QWidget(this);

    auto* protokoll = new TGroupboxKio(Tr("Protokoll"), seite);
    radioAutobin_ = new QRadioButton(Tr("&AutoBin"), protokoll);
    radioBinaer_ = new QRadioButton(Tr("&Binär"), protokoll);
    radioTextProtokoll_ = new QRadioButton(Tr("&Text"), protokoll);
    radioDidadit_ = new QRadioButton(Tr("D&idadit"), protokoll);
    radioBinaer_->setEnabled(false);
    radioTextProtokoll_->setChecked(true);
    protokollTitel_ = Ueberschrift(QString(), protokoll);
    protokollInfo_ = new QLabel(protokoll);
    protokollInfo_->setWordWrap(true);
    protokollInfo_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto* radios = new QVBoxLayout;
    for (QRadioButton* radio : {radioAutobin_, radioBinaer_, radioTextProtokoll_, radioDidadit_}) {
        radios->addWidget(radio);
        connect(radio, &QRadioButton::toggled, this, [this](bool an) {
            if (an) {
                ProtokollGewaehlt();
            }
        });
    }
    radios->addStretch();
    auto* info = new QVBoxLayout;
    info->addWidget(protokollTitel_);
    info->addWidget(protokollInfo_, 1);
    auto* protokollLayout = new QHBoxLayout(protokoll);
    protokollLayout->addLayout(radios);
    protokollLayout->addLayout(info, 1);

    auto* quelle = new TGroupboxKio(Tr("Senden"), seite);
    radioDateien_ = new QRadioButton(Tr("&Datei(en)"), quelle);
    radioText_ = new QRadioButton(Tr("Text&eingabe"), quelle);
    auto* quelleLayout = new QVBoxLayout(quelle);
    quelleLayout->addWidget(radioDateien_);
    quelleLayout->addWidget(radioText_);
    quelleLayout->addStretch();
    for (QRadioButton* radio : {radioDateien_, radioText_}) {
        connect(radio, &QRadioButton::toggled, this, [this](bool an) {
            if (an) {
                QuelleGewaehlt();
            }
        });
    }

    auto* schlange = new TGroupboxKio(Tr("Warteschlange"), seite);
    warteschlange_ = new QStackedWidget(schlange);
    auto* listeSeite = new QWidget(warteschlange_);
    warteschlangenListe_ = new QListWidget(listeSeite);
    auto* alleLoeschen = new QPushButton(Tr("&Alle löschen"), listeSeite);
    alleLoeschen->setEnabled(false);
    auto* listeLayout = new QHBoxLayout(listeSeite);
    listeLayout->setContentsMargins(0, 0, 0, 0);
    listeLayout->addWidget(warteschlangenListe_, 1);
    listeLayout->addWidget(alleLoeschen, 0, Qt::AlignTop);
    warteschlange_->addWidget(listeSeite);
    for (const char* text :
         {QT_TRANSLATE_NOOP("TDateiSendenDlg",
                            "Derzeit befinden sich keine Dateien in der Sendewarteschlange."),
          QT_TRANSLATE_NOOP("TDateiSendenDlg", "Der Kanal ist nicht verbunden.")}) {
        auto* label = new QLabel(Tr(text), warteschlange_);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        warteschlange_->addWidget(label);
    }
    warteschlange_->setCurrentIndex(2);
    auto* schlangeLayout = new QVBoxLayout(schlange);
    schlangeLayout->addWidget(warteschlange_);

    auto* mitte = new QHBoxLayout;
    mitte->addWidget(quelle);
    mitte->addWidget(schlange, 1);
    auto* layout = new QVBoxLayout(seite);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(protokoll, 1);
    layout->addLayout(mitte, 1);
    return seite;
}

QWidget* TDateiSendenDlg::DateiSeite() {
    auto* seite = new QWidget(this);
    auto* label = new QLabel(Tr("Dateien zu senden:"), seite);
    dateiListe_ = new QListWidget(seite);
    dateiListe_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    label->setBuddy(dateiListe_);
    hinzufuegen_ = new QPushButton(Tr("&Hinzufügen"), seite);
    entfernen_ = new QPushButton(Tr("&Entfernen"), seite);
    connect(hinzufuegen_, &QPushButton::clicked, this, [this] { DateienWaehlen(); });
    connect(entfernen_, &QPushButton::clicked, this, [this] {
        qDeleteAll(dateiListe_->selectedItems());
        HatInhaltAktualisieren();
    });
    auto* knoepfe = new QVBoxLayout;
    knoepfe->addWidget(hinzufuegen_);
    knoepfe->addWidget(entfernen_);
    knoepfe->addStretch();
    auto* liste = new QHBoxLayout;
    liste->addWidget(dateiListe_, 1);
    liste->addLayout(knoepfe);
    auto* layout = new QVBoxLayout(seite);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addLayout(liste, 1);
    return seite;
}

QWidget* TDateiSendenDlg::TextSeite() {
    auto* seite = new QWidget(this);
    auto* label = new QLabel(Tr("Geben Sie hier den Text ein, den Sie aussenden möchten:"), seite);
    textMemo_ = new QPlainTextEdit(seite);
    label->setBuddy(textMemo_);
    umbruch_ = new QCheckBox(Tr("&Automatischer Zeilenumbruch"), seite);
    umbruch_->setChecked(true);
    connect(textMemo_, &QPlainTextEdit::textChanged, this, [this] { HatInhaltAktualisieren(); });
    connect(umbruch_, &QCheckBox::toggled, this, [this](bool an) {
        textMemo_->setLineWrapMode(an ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    });
    auto* layout = new QVBoxLayout(seite);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(textMemo_, 1);
    layout->addWidget(umbruch_);
    return seite;
}

QWidget* TDateiSendenDlg::TeileSeite() {
    auto* seite = new QWidget(this);
    teileBlatt_ = new QStackedWidget(seite);

    auto* teile = new QWidget(teileBlatt_);
    teilen_ = new QCheckBox(Tr("&Teilen"), teile);
    teilGroesseLabel_ = new QLabel(Tr("&Größe pro Teil:"), teile);
    // Digits only; the size rules ("-" in the list, the clamp on leaving) stay the wizard's own.
    teilGroesse_ = new TCardinalEdit(teile);
    teilGroesse_->setText(QString::number(kTeilGroesseStandard));
    teilGroesse_->setMaximumWidth(70);
    teilGroesseLabel_->setBuddy(teilGroesse_);
    teilAuf_ = new QToolButton(teile);
    teilAb_ = new QToolButton(teile);
    teilAuf_->setArrowType(Qt::UpArrow);
    teilAb_->setArrowType(Qt::DownArrow);
    for (QToolButton* pfeil : {teilAuf_, teilAb_}) {
        pfeil->setAutoRepeat(true);
        pfeil->setFixedSize(16, 11);
        connect(pfeil, &QToolButton::clicked, this, [this, auf = pfeil == teilAuf_] {
            const int wert = TeilGroesseKlemmen(teilGroesse_->text()) + (auf ? 1 : -1);
            teilGroesse_->setText(QString::number(std::clamp(wert, kTeilGroesseMin, kTeilGroesseMax)));
        });
    }
    auto* pfeile = new QVBoxLayout;
    pfeile->setSpacing(0);
    pfeile->addWidget(teilAuf_);
    pfeile->addWidget(teilAb_);
    kbLabel_ = new QLabel(Tr("kB"), teile);
    teileListe_ = new QTreeWidget(teile);
    teileListe_->setRootIsDecorated(false);
    teileListe_->setHeaderLabels({Tr("Datei"), Tr("Größe"), Tr("Teile"), Tr("Auswahl")});
    teileListe_->header()->setStretchLastSection(true);
    teileListe_->setColumnWidth(0, 170);
    eigenschaften_ = new QPushButton(Tr("&Eigenschaften"), teile);
    connect(teilen_, &QCheckBox::toggled, this, [this] { TeilenAktualisieren(); });
    connect(teilGroesse_, &QLineEdit::textChanged, this, [this] { TeileAnzeigen(); });
    connect(teilGroesse_, &QLineEdit::editingFinished, this, [this] { TeilGroesseVerlassen(); });
    connect(teileListe_, &QTreeWidget::itemSelectionChanged, this, [this] { TeilenAktualisieren(); });
    connect(teileListe_, &QTreeWidget::itemDoubleClicked, this, [this] { Eigenschaften(); });
    connect(eigenschaften_, &QPushButton::clicked, this, [this] { Eigenschaften(); });
    auto* groesse = new QHBoxLayout;
    groesse->addWidget(teilen_);
    groesse->addSpacing(12);
    groesse->addWidget(teilGroesseLabel_);
    groesse->addWidget(teilGroesse_);
    groesse->addLayout(pfeile);
    groesse->addWidget(kbLabel_);
    groesse->addStretch();
    groesse->addWidget(eigenschaften_);
    auto* teileLayout = new QVBoxLayout(teile);
    teileLayout->setContentsMargins(0, 0, 0, 0);
    teileLayout->addLayout(groesse);
    teileLayout->addWidget(teileListe_, 1);
    teileBlatt_->addWidget(teile);

    auto* umbruch = new TGroupboxKio(Tr("Zeilenumbruch"), teileBlatt_);
    umbruch->setEnabled(false);
    teileBlatt_->addWidget(umbruch);

    auto* mailbox = new TGroupboxKio(Tr("Mailbox"), seite);
    auto* mailboxLayout = new QGridLayout(mailbox);
    vorherAn_ = new QCheckBox(Tr("Text &vorher"), mailbox);
    nachherAn_ = new QCheckBox(Tr("Text &nachher"), mailbox);
    vorher_ = new QPlainTextEdit(mailbox);
    nachher_ = new QPlainTextEdit(mailbox);
    vorlagenVorher_ = new QPushButton(Tr("V&orlagen"), mailbox);
    vorlagenNachher_ = new QPushButton(Tr("Vo&rlagen"), mailbox);
    const auto lesen = [this](const char* name) {
        return MemoText(umgebung_.store->ReadString(Hive::CurrentUser, kVerlaufKey, name).value_or(""));
    };
    vorher_->setPlainText(lesen("Senden Text vorher"));
    nachher_->setPlainText(lesen("Senden Text nachher"));
    int spalte = 0;
    for (auto [an, memo, knopf] : {std::tuple{vorherAn_, vorher_, vorlagenVorher_},
                                   std::tuple{nachherAn_, nachher_, vorlagenNachher_}}) {
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        memo->setMaximumHeight(90);
        mailboxLayout->addWidget(an, 0, spalte);
        mailboxLayout->addWidget(knopf, 0, spalte + 1, Qt::AlignRight);
        mailboxLayout->addWidget(memo, 1, spalte, 1, 2);
        spalte += 2;
        connect(an, &QCheckBox::toggled, this, [this, memo = memo](bool ein) {
            MailboxAktualisieren();
            if (ein) {
                memo->setFocus();
            }
        });
        connect(knopf, &QPushButton::pressed, this, [this, knopf = knopf] {
            QMenu* menue = VorlagenMenue(knopf == vorlagenVorher_ ? 0 : 1);
            knopf->setDown(false);
            menue->exec(knopf->mapToGlobal(QPoint(0, knopf->height())));
        });
    }
    MailboxAktualisieren();

    auto* layout = new QVBoxLayout(seite);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(teileBlatt_, 1);
    layout->addWidget(mailbox);
    return seite;
}

QWidget* TDateiSendenDlg::PgpSeite() {
    auto* seite = new QWidget(this);
    signieren_ = new QCheckBox(Tr("&Signieren"), seite);
    schluesselLabel_ = new QLabel(Tr("Privater S&chlüssel:"), seite);
    schluessel_ = new QComboBox(seite);
    schluesselLabel_->setBuddy(schluessel_);
    passwortLabel_ = new QLabel(Tr("&Passwort:"), seite);
    passwort_ = new QLineEdit(seite);
    passwort_->setEchoMode(QLineEdit::Password);
    passwortLabel_->setBuddy(passwort_);
    connect(signieren_, &QCheckBox::toggled, this, [this](bool an) {
        PgpAktualisieren();
        if (an) {
            passwort_->setFocus();
        }
    });

    auto* information = new TGroupboxKio(Tr("Information"), seite);
    pgpInfo_ = new QLabel(information);
    pgpInfo_->setWordWrap(true);
    pgpInfo_->setTextInteractionFlags(Qt::TextBrowserInteraction);
    pgpInfo_->setOpenExternalLinks(true);
    auto* infoLayout = new QVBoxLayout(information);
    infoLayout->addWidget(pgpInfo_);

    auto* optionen = new TGroupboxKio(Tr("Optionen"), seite);
    kommentarLabel_ = new QLabel(Tr("&Kommentar:"), optionen);
    kommentar_ = new QLineEdit(optionen);
    kommentarLabel_->setBuddy(kommentar_);
    auto* optionenLayout = new QHBoxLayout(optionen);
    optionenLayout->addWidget(kommentarLabel_);
    optionenLayout->addWidget(kommentar_, 1);

    auto* felder = new QGridLayout;
    felder->addWidget(schluesselLabel_, 0, 0);
    felder->addWidget(schluessel_, 0, 1);
    felder->addWidget(passwortLabel_, 1, 0);
    felder->addWidget(passwort_, 1, 1);
    auto* layout = new QVBoxLayout(seite);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(signieren_);
    layout->addLayout(felder);
    layout->addWidget(information);
    layout->addWidget(optionen);
    layout->addStretch();
    return seite;
}

void TDateiSendenDlg::PgpErzeugen() {
    try {
        if (umgebung_.pgp) {
            pgp_ = umgebung_.pgp();
        }
    } catch (const std::exception& error) {
        DebOutObj(kClass, "FormCreate", std::string("PGP: ") + error.what());
        pgp_.reset();
    }
    if (!pgp_) {
        pgpInfo_->setText(Tr("Zum Signieren wird GnuPG benötigt (Version 2.2 oder neuer, "
                             "<a href=\"https://gnupg.org/\">https://gnupg.org/</a>)."));
        PgpAktualisieren();
        return;
    }
    pgpInfo_->setText(QStringLiteral("GnuPG %1").arg(QString::fromStdString(PGPVersion())));
    try {
        std::vector<TPGPKeyLine> schluessel;
        const int standard = pgp_->GetPrivateKeys(schluessel);
        for (const TPGPKeyLine& zeile : schluessel) {
            schluessel_->addItem(Cp1252ToQString(zeile.text), QString::fromStdString(zeile.fingerprint));
        }
        if (standard >= 0 && standard < schluessel_->count()) {
            schluessel_->setCurrentIndex(standard);
        }
    } catch (const std::exception& error) {
        pgpInfo_->setText(pgpInfo_->text() + QLatin1Char('\n') + QString::fromUtf8(error.what()));
        pgp_.reset();
    }
    if (umgebung_.config != nullptr) {
        kommentar_->setText(Cp1252ToQString(umgebung_.config->GetComment()));
    }
    PgpAktualisieren();
}

void TDateiSendenDlg::PgpAktualisieren() {
    signieren_->setEnabled(pgp_ && Protokoll() == 1);
    const bool an = signieren_->isEnabled() && signieren_->isChecked();
    for (QWidget* feld : std::initializer_list<QWidget*>{schluesselLabel_, schluessel_, passwortLabel_,
                                                         passwort_, kommentarLabel_, kommentar_}) {
        feld->setEnabled(an);
    }
}

std::uint8_t TDateiSendenDlg::Protokoll() const {
    if (radioTextProtokoll_->isChecked()) {
        return 1;
    }
    if (radioAutobin_->isChecked()) {
        return 2;
    }
    if (radioBinaer_->isChecked()) {
        return 4;
    }
    return radioDidadit_->isChecked() ? 5 : 0;
}

QRadioButton* TDateiSendenDlg::RadioProtokoll(std::uint8_t protokoll) const {
    switch (protokoll) {
    case 1:
        return radioTextProtokoll_;
    case 2:
        return radioAutobin_;
    case 4:
        return radioBinaer_;
    case 5:
        return radioDidadit_;
    default:
        return nullptr;
    }
}

void TDateiSendenDlg::ProtokollGewaehlt() {
    switch (Protokoll()) {
    case 1:
        protokollTitel_->setText(Tr("Text"));
        protokollInfo_->setText(
            Tr("Senden Sie Text (*.txt) und 7Plus-Dateien (*.7pl, *.p01, ...) mit diesem Protokoll."));
        break;
    case 2:
        protokollTitel_->setText(Tr("AutoBin"));
        protokollInfo_->setText(
            Tr("Benutzen Sie das AutoBin-Protokoll, um Bild-, Programm- und andere binäre "
               "Dateien zu übertragen. Wenn Ihre Gegenstation jedoch das neuere "
               "Didadit-Protokoll unterstützt, verwenden Sie dieses."));
        break;
    case 4:
        protokollTitel_->setText(Tr("Binär"));
        protokollInfo_->clear();
        break;
    case 5:
        protokollTitel_->setText(Tr("Didadit"));
        protokollInfo_->setText(
            Tr("Benutzen Sie Didadit, um Bild-, Programm- und andere binäre Dateien zu übertragen."));
        break;
    default:
        protokollTitel_->setText(QStringLiteral("?"));
        protokollInfo_->setText(QStringLiteral("?"));
        break;
    }
    PgpAktualisieren();
}

void TDateiSendenDlg::QuelleGewaehlt() {
    const bool dateien = radioDateien_->isChecked();
    radioAutobin_->setEnabled(dateien);
    radioDidadit_->setEnabled(dateien);
    if (!dateien) {
        radioTextProtokoll_->setChecked(true);
    }
    seiteAktiv_[SeiteDateien] = dateien;
    seiteAktiv_[SeiteText] = !dateien;
    HatInhaltAktualisieren();
    KnoepfeAktualisieren();
}

} // namespace quarn
