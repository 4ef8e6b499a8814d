#include "ui/einstellungen/EinstellungenKlaenge.h"

#include "platform/Exception.h"
#include "stations/KlaengeU.h"
#include "ui/editoren/KlaengeForm.h"
#include "ui/einstellungen/EditorSeite.h"
#include "ui/einstellungen/StationenLinkPanel.h"

namespace quarn {

TEinstellungenKlaenge::TEinstellungenKlaenge(QWidget* parent) : TTabForm(parent) {
    TKlaenge* klaenge = Klaenge();
    QUARN_ASSERT(klaenge != nullptr, "EinstellungenKlaenge");
    editor_ = new TKlaengeForm(*klaenge, this);
    editor_->Init(true);
    linkPanel_ = new TStationenLinkPanel(
        Tr("In der <link>Stationendatenbank</link> können Sie rufzeichenabhängige Klänge einstellen."),
        *this);
    EditorSeiteAnordnen(*this, *editor_, *linkPanel_);
}

void TEinstellungenKlaenge::Apply() {
    editor_->Apply();
}

} // namespace quarn
