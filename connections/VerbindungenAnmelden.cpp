#include "connections/VerbindungenAnmelden.h"

#include "connections/transfer/AutobinAnmelden.h"
#include "connections/transfer/DidaditReceiveAnmelden.h"
#include "connections/transfer/DidaditSendAnmelden.h"
#include "connections/standard/StandardTransferU.h"
#include "connections/transfer/Verbindung7PlusReceiveU.h"
#include "connections/transfer/VerbindungGoTextReceiveU.h"
#include "connections/transfer/VerbindungTextSendU.h"
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
