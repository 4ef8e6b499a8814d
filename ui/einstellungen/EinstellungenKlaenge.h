#pragma once

#include "foundation/DesignTexts.h"
#include "ui/einstellungen/TabForm.h"

namespace quarn {

class TKlaengeForm;
class TStationenLinkPanel;

// The page "Klänge": the sound editor over the global sounds, stored at Apply.
class TEinstellungenKlaenge : public TTabForm {
    QUARN_DESIGN_TEXTS(TEinstellungenKlaenge)
public:
    explicit TEinstellungenKlaenge(QWidget* parent);

    void Apply() override;

    TKlaengeForm& Editor() const { return *editor_; }
    TStationenLinkPanel& LinkPanel() const { return *linkPanel_; }

private:
    TKlaengeForm* editor_ = nullptr;
    TStationenLinkPanel* linkPanel_ = nullptr;
};

} // namespace quarn
