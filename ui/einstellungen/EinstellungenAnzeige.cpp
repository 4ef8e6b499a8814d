#include "ui/einstellungen/EinstellungenAnzeige.h"

#include "console/ConsoleU.h"
#include "controls/Colorbtn.h"
#include "controls/GroupboxKio.h"
#include "devices/channel/KanaeleU.h"
#include "foundation/ConfigU.h"
#include "platform/FontFile.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quarn {

const std::array<TAnzeigeFarbe, 13> kAnzeigeFarben = {{
    {0, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Empfangener Text"), 2, 10},
    {0, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Gesendeter Text"), 3, 1},
    {0, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Verbindungsstatus"), 1, 15},
    {0, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Lokale Meldungen"), 4, 8},
    {0, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Hintergrund"), 0, kHintergrund},
    {1, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Neuer Text"), 6, 15},
    {1, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Gesendeter Text"), 7, 2},
    {1, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Hintergrund"), 5, kHintergrund},
    {2, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Kopfzeile (empfangen)"), 9, 10},
    {2, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Kopfzeile (gesendet)"), 10, 1},
    {2, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Daten"), 11, 5},
    {2, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Lokale Meldungen"), 12, 6},
    {2, QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Hintergrund"), 8, kHintergrund},
}};

namespace {

const char* const kTabs[] = {QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Ausgabe"),
                             QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Eingabe"),
                             QT_TRANSLATE_NOOP("TEinstellungenAnzeige", "Monitor")};

// The gutter marks of a connect and a disconnect notice.
constexpr int kVerbunden = 5;
constexpr int kGetrennt = 6;

} // namespace

QStringList SchriftEintraege(const QStringList& families) {
    QStringList eintraege;
    for (const QString& family : families) {
        if (family.size() > 6 && family.startsWith(QStringLiteral("quarn"), Qt::CaseInsensitive)) {
            const QString eintrag = family.mid(6);
            if (!eintraege.contains(eintrag)) {
                eintraege.append(eintrag);
            }
        }
    }
    return eintraege;
}

std::optional<int> SchriftWahl(const QStringList& eintraege, const QString& gespeichert) {
    for (const QString& wunsch : {gespeichert, QStringLiteral("08x12")}) {
        if (const auto at = eintraege.indexOf(wunsch); at >= 0) {
            return static_cast<int>(at);
        }
    }
    if (eintraege.isEmpty()) {
        return std::nullopt;
    }
    return 0;
}

std::vector<TVorschauZeile> AnzeigeVorschau(int tab) {
    switch (tab) {
    case 0:
        return {
            {"*** DL1QRN: Verbunden mit DB0ECH", 15, kVerbunden},
            {"Digipeater Echhausen, Knoten DB0ECH", 10},
            {"=>", 10},
            {"links", 1},
            {"Links von DB0ECH:", 10},
            {"  DB0BCN  Funkberg     9600 Bd   3 ms", 10},
            {"=>", 10},
            {"quit", 1},
            {"73!", 10},
            {"*** DL1QRN: Getrennt von DB0ECH", 15, kGetrennt},
        };
    case 1:
        return {
            {"Hallo Otto, danke f\xFCr den Anruf.", 2},
            {"Hier ist alles bestens, das Wetter ist gut.", 2},
            {"Wie l\xE4uft es bei dir?", 2},
            {"Ich melde mich morgen wieder", 15},
        };
    default:
        return {
            {"[Initialisierung TNC: COM2, 38400]", 6},
            {"  T15: ok", 6},
            {"[DL1QRN > DB0ECH SABM+]", 1},
            {"[DB0ECH > DL1QRN UA-]", 10},
            {"[DB0ECH > DL1QRN I00^ pid F0]", 10},
            {"Willkommen im Digipeater Echhausen", 5},
            {"[DL1QRN > DB0ECH RR1-]", 1},
        };
    }
}

TEinstellungenAnzeige::TEinstellungenAnzeige(QWidget* parent) : TTabForm(parent) {
    auto* layout = new QGridLayout(this);

    auto* schriftLabel = new QLabel(Tr("Schriftgröße"), this);
    schriftListe_ = new QListWidget(this);
    schriftLabel->setBuddy(schriftListe_);
    schriftListe_->setMaximumWidth(90);
    auto* beispiel = new TGroupboxKio(this);
    beispiel->setTitle(Tr("Beispiel"));
    auto* beispielLayout = new QVBoxLayout(beispiel);
    vorschau_ = VorschauKonsoleErzeugen(beispiel);
    vorschau_->setMinimumSize(260, 150);
    beispielLayout->addWidget(vorschau_);

    farbTabs_ = new QTabWidget(this);
    const TConfig& config = *Config();
    std::array<QGridLayout*, 3> raster{};
    for (int tab = 0; tab < 3; ++tab) {
        auto* seite = new QWidget(farbTabs_);
        raster[tab] = new QGridLayout(seite);
        raster[tab]->setVerticalSpacing(4);
        raster[tab]->setColumnStretch(2, 1);
        farbTabs_->addTab(seite, Tr(kTabs[tab]));
    }
    for (const TAnzeigeFarbe& farbe : kAnzeigeFarben) {
        QGridLayout* grid = raster[farbe.tab];
        QWidget* seite = farbTabs_->widget(farbe.tab);
        auto* knopf = new TColorButton(seite);
        knopf->setFixedSize(knopf->sizeHint());
        knopf->SetColor(config.GetColor(farbe.index));
        connect(knopf, &TColorButton::ColorChange, this, &TEinstellungenAnzeige::Zeichnen);
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(Tr(farbe.text), seite), row, 0);
        grid->addWidget(knopf, row, 1, Qt::AlignLeft);
        knoepfe_[farbe.index] = knopf;
    }
    for (int tab = 0; tab < 3; ++tab) {
        auto* knopf = new QPushButton(Tr("Standardfarben"), farbTabs_->widget(tab));
        raster[tab]->addWidget(knopf, raster[tab]->rowCount(), 0, 1, 2, Qt::AlignLeft);
        raster[tab]->setRowStretch(raster[tab]->rowCount(), 1);
        connect(knopf, &QPushButton::clicked, this, [this, tab] { StandardfarbenSetzen(tab); });
        standard_[tab] = knopf;
    }

    layout->addWidget(schriftLabel, 0, 0);
    layout->addWidget(schriftListe_, 1, 0);
    layout->addWidget(beispiel, 0, 1, 2, 1);
    layout->addWidget(farbTabs_, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);

    const QStringList eintraege = SchriftEintraege(QFontDatabase::families());
    schriftListe_->addItems(eintraege);
    if (const auto wahl = SchriftWahl(eintraege, QString::fromStdString(config.GetFont()))) {
        schriftListe_->setCurrentRow(*wahl);
    }
    connect(schriftListe_, &QListWidget::currentRowChanged, this, &TEinstellungenAnzeige::SchriftGewaehlt);
    connect(farbTabs_, &QTabWidget::currentChanged, this, &TEinstellungenAnzeige::Zeichnen);
    Zeichnen();
}

void TEinstellungenAnzeige::SchriftGewaehlt() {
    if (const QListWidgetItem* item = schriftListe_->currentItem()) {
        vorschau_->setFont(TerminalFont(item->text().toStdString()));
    }
}

void TEinstellungenAnzeige::Zeichnen() {
    const int tab = farbTabs_->currentIndex();
    std::uint32_t hintergrund = 0;
    std::vector<TVorschauFarbe> farben;
    for (const TAnzeigeFarbe& farbe : kAnzeigeFarben) {
        if (farbe.tab != tab) {
            continue;
        }
        const std::uint32_t wert = knoepfe_[farbe.index]->Color();
        if (farbe.eintrag == kHintergrund) {
            hintergrund = wert;
        } else {
            farben.push_back({farbe.eintrag, wert});
        }
    }
    VorschauFarben(*vorschau_, hintergrund, farben);
    VorschauSchreiben(*vorschau_, AnzeigeVorschau(tab));
}

void TEinstellungenAnzeige::StandardfarbenSetzen(int tab) {
    for (const TAnzeigeFarbe& farbe : kAnzeigeFarben) {
        if (farbe.tab == tab) {
            knoepfe_[farbe.index]->SetColor(TConfig::DefaultColors[static_cast<std::size_t>(farbe.index)]);
        }
    }
    Zeichnen();
}

void TEinstellungenAnzeige::Apply() {
    TConfig& config = *Config();
    if (const QListWidgetItem* item = schriftListe_->currentItem()) {
        config.SetFont(item->text().toStdString());
    }
    TKanaele* kanaele = TKanaele::Instance();
    if (kanaele != nullptr) {
        kanaele->SetFont(vorschau_->font());
    }
    for (std::size_t index = 0; index < knoepfe_.size(); ++index) {
        config.SetColor(static_cast<int>(index), knoepfe_[index]->Color());
    }
    if (kanaele != nullptr) {
        kanaele->FarbenUebernehmen();
    }
}

} // namespace quarn
