#pragma once

#include "foundation/DesignTexts.h"
#include "ui/einstellungen/TabForm.h"

namespace quarn {

class TRemoteCommandsForm;
class TStationenLinkPanel;

// The page "Fernst.": the permission editor over the global permissions, stored at Apply.
class TEinstellungenRemoteCommands : public TTabForm {
    QUARN_DESIGN_TEXTS(TEinstellungenRemoteCommands)
public:
    explicit TEinstellungenRemoteCommands(QWidget* parent);

    void Apply() override;

    TRemoteCommandsForm& Editor() const { return *editor_; }
    TStationenLinkPanel& LinkPanel() const { return *linkPanel_; }

private:
    TRemoteCommandsForm* editor_ = nullptr;
    TStationenLinkPanel* linkPanel_ = nullptr;
};

} // namespace quarn
