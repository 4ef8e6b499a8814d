#include "connections/VerbindungenAnmelden.h"

#include "connections/AutobinAnmelden.h"
#include "connections/DidaditReceiveAnmelden.h"
#include "connections/DidaditSendAnmelden.h"
#include "connections/StandardTransferU.h"
#include "connections/Verbindung7PlusReceiveU.h"
#include "connections/VerbindungGoTextReceiveU.h"
#include "connections/VerbindungTextSendU.h"
#include "connections/VerbindungU.h"
#include "devices/VerbindungFabrik.h"

namespace quarn {

void VerbindungenAnmelden() {
    SetVerbindungFabrik([](const std::shared_ptr<TGeraet>& device) -> std::shared_ptr<IVerbindung> {
        return TVerbindung::Create(device);
    });
    SetTransferFabrik(TTransferArt::SiebenPlusReceive, FabrikFuer<TVerbindung7PlusReceive>());
    SetTransferFabrik(TTransferArt::GoTextReceive, FabrikFuer<TVerbindungGoTextReceive>());
    SetTransferFabrik(TTransferArt::TextSend, FabrikFuer<TVerbindungTextSend>());
    AutobinAnmelden();
    DidaditReceiveAnmelden();
    DidaditSendAnmelden();
}

} // namespace quarn
