#include "ui/einstellungen/EinstellungenMonitor.h"

#include "console/ConsoleU.h"
#include "controls/GroupboxKio.h"
#include "foundation/ConfigU.h"

#include <QCheckBox>
#include <QVBoxLayout>
#include <string>

namespace quarn {

const std::array<TMonitorKasten, 7> kMonitorKaesten = {{
    {QT_TRANSLATE_NOOP("TEinstellungenMonitor", "Status (SABM, UA, DM, RR, REJ...)"), 0x2},
    {QT_TRANSLATE_NOOP("TEinstellungenMonitor", "Information (I)"), kMonitorKastenInformation},
    {QT_TRANSLATE_NOOP("TEinstellungenMonitor", "Inhalt"), kMonitorKastenInhalt},
    {QT_TRANSLATE_NOOP("TEinstellungenMonitor", "Unnumbered Information (UI)"), 0x10},
    {QT_TRANSLATE_NOOP("TEinstellungenMonitor", "Lokale Meldungen"), 0x40},
    {QT_TRANSLATE_NOOP("TEinstellungenMonitor", "Binärdaten"), kMonitorKastenBinaer},
    {QT_TRANSLATE_NOOP("TEinstellungenMonitor", "Kanalnummer anzeigen"), 0x100},
}};

namespace {

constexpr std::int32_t kStatus = 0x2;
constexpr std::int32_t kUI = 0x10;
constexpr std::int32_t kMeldungen = 0x40;
constexpr std::int32_t kKanalnummer = 0x100;

// The console palette entries of the monitor: sent headers, information, notices, received headers.
constexpr int kGesendet = 1;
constexpr int kDaten = 5;
constexpr int kMeldung = 6;
constexpr int kEmpfangen = 10;

} // namespace

std::int32_t MonitorFlagsDerKaesten(std::int32_t flags) {
    std::int32_t result = 0;
    for (const TMonitorKasten& kasten : kMonitorKaesten) {
        result |= flags & kasten.flag;
    }
    return result;
}

bool MonitorKastenAktiv(std::int32_t flag, std::int32_t flags) {
    if (flag == kMonitorKastenInhalt) {
        return (flags & kMonitorKastenInformation) != 0;
    }
    if (flag == kMonitorKastenBinaer) {
        return (flags & kMonitorKastenInformation) != 0 && (flags & kMonitorKastenInhalt) != 0;
    }
    return true;
}

std::vector<TVorschauZeile> MonitorVorschau(std::int32_t flags) {
    const auto kopf = [flags](const std::string& frame) {
        return "[" + std::string((flags & kKanalnummer) != 0 ? "001: " : "") + frame + "]";
    };
    const bool information = (flags & kMonitorKastenInformation) != 0;
    const bool inhalt = information && (flags & kMonitorKastenInhalt) != 0;
    std::vector<TVorschauZeile> zeilen;
    if ((flags & kMeldungen) != 0) {
        zeilen.push_back({"[Initialisierung TNC: COM2, 38400]", kMeldung});
        zeilen.push_back({"  T15: ok", kMeldung});
    }
    if ((flags & kStatus) != 0) {
        zeilen.push_back({kopf("DL1QRN > DB0ECH SABM+"), kGesendet});
        zeilen.push_back({kopf("DB0ECH > DL1QRN UA-"), kEmpfangen});
    }
    if (information) {
        zeilen.push_back({kopf("DB0ECH > DL1QRN I00^ pid F0"), kEmpfangen});
        if (inhalt) {
            zeilen.push_back({"Willkommen im Digipeater Echhausen, 73 de DB0ECH", kDaten});
        }
    }
    if ((flags & kUI) != 0) {
        zeilen.push_back({kopf("DB0BCN > BEACON UI pid F0"), kGesendet});
        zeilen.push_back({"Hallo aus dem Ortsverband", kDaten});
    }
    if ((flags & kStatus) != 0) {
        zeilen.push_back({kopf("DL1QRN > DB0ECH RR1-"), kGesendet});
    }
    if (inhalt) {
        if ((flags & kMonitorKastenBinaer) != 0) {
            zeilen.push_back({kopf("DB0ECH > DL1QRN I11^ pid F0"), kEmpfangen});
            zeilen.push_back({"\x8B\x01\xF3\x9D\x02\xC8\xA7\x03\xFE\x91\x05\xE4\xB2\x06\x8F\xD9", kDaten});
        } else {
            zeilen.push_back({kopf("DB0ECH > DL1QRN I11^ pid F0 BIN230"), kEmpfangen});
        }
    } else if (information) {
        zeilen.push_back({kopf("DB0ECH > DL1QRN I11^ pid F0"), kEmpfangen});
    }
    return zeilen;
}

TEinstellungenMonitor::TEinstellungenMonitor(QWidget* parent) : TTabForm(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* gruppe = new TGroupboxKio(this);
    gruppe->setTitle(Tr("Monitor"));
    auto* kaesten = new QVBoxLayout(gruppe);
    const std::int32_t flags = Config()->GetMonitorFlags();
    for (std::size_t i = 0; i < kMonitorKaesten.size(); ++i) {
        auto* kasten = new QCheckBox(Tr(kMonitorKaesten[i].text), gruppe);
        kasten->setChecked((flags & kMonitorKaesten[i].flag) != 0);
        connect(kasten, &QCheckBox::toggled, this, &TEinstellungenMonitor::Aktualisieren);
        kaesten->addWidget(kasten);
        kaesten_[i] = kasten;
    }
    vorschau_ = VorschauKonsoleErzeugen(gruppe);
    vorschau_->setMinimumHeight(120);
    kaesten->addWidget(vorschau_, 1);
    layout->addWidget(gruppe);
    const TConfig& config = *Config();
    VorschauFarben(*vorschau_, config.GetColor(8),
                   {{kGesendet, config.GetColor(10)},
                    {kDaten, config.GetColor(11)},
                    {kMeldung, config.GetColor(12)},
                    {kEmpfangen, config.GetColor(9)}});
    Aktualisieren();
}

std::int32_t TEinstellungenMonitor::Flags() const {
    std::int32_t flags = 0;
    for (std::size_t i = 0; i < kMonitorKaesten.size(); ++i) {
        if (kaesten_[i]->isChecked()) {
            flags |= kMonitorKaesten[i].flag;
        }
    }
    return flags;
}

QCheckBox* TEinstellungenMonitor::Kasten(std::int32_t flag) const {
    for (std::size_t i = 0; i < kMonitorKaesten.size(); ++i) {
        if (kMonitorKaesten[i].flag == flag) {
            return kaesten_[i];
        }
    }
    return nullptr;
}

void TEinstellungenMonitor::Aktualisieren() {
    const std::int32_t flags = Flags();
    for (std::size_t i = 0; i < kMonitorKaesten.size(); ++i) {
        kaesten_[i]->setEnabled(MonitorKastenAktiv(kMonitorKaesten[i].flag, flags));
    }
    VorschauSchreiben(*vorschau_, MonitorVorschau(flags));
}

void TEinstellungenMonitor::Apply() {
    Config()->SetMonitorFlags(Flags());
}

} // namespace quarn
