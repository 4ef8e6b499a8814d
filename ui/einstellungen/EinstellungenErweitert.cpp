#include "ui/einstellungen/EinstellungenErweitert.h"

#include "controls/GroupboxKio.h"
#include "controls/MultiCheckBox.h"
#include "foundation/ConfigU.h"
#include "platform/Exception.h"
#include "ui/Hauptfenster.h"
#include "ui/einstellungen/SeitenHauptfenster.h"

#include <QVBoxLayout>

namespace quarn {

TErweitertWerte ErweitertWerteLesen(const TConfig& config, int colorCapability) {
    TErweitertWerte werte;
    werte.sendSID = config.GetSendSID();
    werte.hideSentSID = config.GetHideSentSID();
    werte.hideReceivedSID = config.GetHideReceivedSID();
    werte.highColorEnabled = colorCapability == 2;
    werte.highColor = werte.highColorEnabled && config.GetHighColor();
    werte.collectPublicKeys = config.GetCollectPublicKeys();
    werte.simplifiedResults = !config.GetDetailedOutput();
    return werte;
}

bool ErweitertWerteSchreiben(TConfig& config, const TErweitertWerte& werte) {
    config.SetSendSID(werte.sendSID);
    config.SetHideSentSID(werte.hideSentSID);
    config.SetHideReceivedSID(werte.hideReceivedSID);
    config.SetCollectPublicKeys(werte.collectPublicKeys);
    config.SetDetailedOutput(!werte.simplifiedResults);
    if (!werte.highColorEnabled) {
        return false;
    }
    config.SetHighColor(werte.highColor);
    return true;
}

namespace {

TMultiCheckBox* Box(QVBoxLayout& gruppe, const QString& text) {
    auto* box = new TMultiCheckBox(text);
    gruppe.addWidget(box);
    return box;
}

QVBoxLayout& Gruppe(QVBoxLayout& seite, const QString& titel) {
    auto* gruppe = new TGroupboxKio(titel);
    seite.addWidget(gruppe);
    return *new QVBoxLayout(gruppe);
}

} // namespace

TEinstellungenErweitert::TEinstellungenErweitert(QWidget* parent, int colorCapability) : TTabForm(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    QVBoxLayout& sid = Gruppe(*layout, Tr("Stations-ID"));
    sendSID_ = Box(sid, Tr("Eigene Stations-ID senden"));
    hideSentSID_ = Box(sid, Tr("Gesendete Stations-ID verbergen"));
    hideReceivedSID_ = Box(sid, Tr("Empfangene Stations-ID verbergen"));

    QVBoxLayout& leiste = Gruppe(*layout, Tr("Befehlsleiste"));
    highColor_ =
        Box(leiste, Tr("Symbole in Echtfarben anzeigen (nicht mit allen Grafikkartentreibern kompatibel)"));

    QVBoxLayout& pgp = Gruppe(*layout, Tr("PGP"));
    collectPublicKeys_ = Box(pgp, Tr("Öffentliche Schlüssel automatisch zum Schlüsselring hinzufügen"));
    simplifiedResults_ = Box(pgp, Tr("Vereinfachte Ergebnisse von Signatur- prüfungen anzeigen"));
    layout->addStretch(1);

    connect(sendSID_, &QCheckBox::toggled, hideSentSID_, &QWidget::setEnabled);

    const TConfig* config = Config();
    QUARN_ASSERT(config != nullptr, "EinstellungenErweitertU");
    Zeigen(ErweitertWerteLesen(*config, colorCapability));
}

void TEinstellungenErweitert::Zeigen(const TErweitertWerte& werte) {
    sendSID_->setChecked(werte.sendSID);
    hideSentSID_->setChecked(werte.hideSentSID);
    hideSentSID_->setEnabled(werte.sendSID);
    hideReceivedSID_->setChecked(werte.hideReceivedSID);
    highColor_->setChecked(werte.highColor);
    highColorEnabled_ = werte.highColorEnabled;
    highColor_->setEnabled(werte.highColorEnabled);
    collectPublicKeys_->setChecked(werte.collectPublicKeys);
    simplifiedResults_->setChecked(werte.simplifiedResults);
}

TErweitertWerte TEinstellungenErweitert::Werte() const {
    TErweitertWerte werte;
    werte.sendSID = sendSID_->isChecked();
    werte.hideSentSID = hideSentSID_->isChecked();
    werte.hideReceivedSID = hideReceivedSID_->isChecked();
    werte.highColorEnabled = highColorEnabled_;
    werte.highColor = highColor_->isChecked();
    werte.collectPublicKeys = collectPublicKeys_->isChecked();
    werte.simplifiedResults = simplifiedResults_->isChecked();
    return werte;
}

void TEinstellungenErweitert::Apply() {
    TConfig* config = Config();
    QUARN_ASSERT(config != nullptr, "EinstellungenErweitertU");
    if (!ErweitertWerteSchreiben(*config, Werte())) {
        return;
    }
    if (THauptfenster* hauptfenster = HauptfensterVon(*this)) {
        hauptfenster->BilderLaden();
    }
}

} // namespace quarn
