#pragma once

#include "foundation/DesignTexts.h"
#include "ui/einstellungen/TabForm.h"

namespace quarn {

class TStationenLinkPanel;
class TTexteForm;

// The page "Texte": the text editor over the global texts, stored at Apply.
class TEinstellungenTexte : public TTabForm {
    QUARN_DESIGN_TEXTS(TEinstellungenTexte)
public:
    explicit TEinstellungenTexte(QWidget* parent);

    void Apply() override;

    TTexteForm& Editor() const { return *editor_; }
    TStationenLinkPanel& LinkPanel() const { return *linkPanel_; }

private:
    TTexteForm* editor_ = nullptr;
    TStationenLinkPanel* linkPanel_ = nullptr;
};

} // namespace quarn
