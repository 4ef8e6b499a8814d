#include "ui/einstellungen/EinstellungenTexte.h"

#include "platform/Exception.h"
#include "stations/TexteU.h"
#include "ui/editoren/TexteForm.h"
#include "ui/einstellungen/EditorSeite.h"
#include "ui/einstellungen/StationenLinkPanel.h"

namespace quarn {

TEinstellungenTexte::TEinstellungenTexte(QWidget* parent) : TTabForm(parent) {
    TTexte* texte = Texte();
    QUARN_ASSERT(texte != nullptr, "EinstellungenTexte");
    editor_ = new TTexteForm(*texte, this);
    editor_->Init(true);
    linkPanel_ = new TStationenLinkPanel(
        Tr("In der <link>Stationendatenbank</link> können Sie rufzeichenabhängige Texte einstellen."), *this);
    EditorSeiteAnordnen(*this, *editor_, *linkPanel_);
}

void TEinstellungenTexte::Apply() {
    editor_->Save();
}

} // namespace quarn
