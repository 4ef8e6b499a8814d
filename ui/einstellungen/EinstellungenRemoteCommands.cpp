#include "ui/einstellungen/EinstellungenRemoteCommands.h"

#include "connections/remote/RemoteCommandManagerU.h"
#include "platform/Exception.h"
#include "ui/editoren/RemoteCommandsForm.h"
#include "ui/einstellungen/EditorSeite.h"
#include "ui/einstellungen/StationenLinkPanel.h"

namespace quarn {

TEinstellungenRemoteCommands::TEinstellungenRemoteCommands(QWidget* parent) : TTabForm(parent) {
    TRemoteCommandManager* manager = RemoteCommandManager();
    QUARN_ASSERT(manager != nullptr, "EinstellungenRemoteCommands");
    editor_ = new TRemoteCommandsForm(*manager, this);
    editor_->SetGlobal(true);
    linkPanel_ = new TStationenLinkPanel(
        Tr("Treffen Sie rufzeichenabhängige Einstellungen in der <link>Stationendatenbank</link>."), *this);
    EditorSeiteAnordnen(*this, *editor_, *linkPanel_);
}

void TEinstellungenRemoteCommands::Apply() {
    editor_->Apply();
}

} // namespace quarn
