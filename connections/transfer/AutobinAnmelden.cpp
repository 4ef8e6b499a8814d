#include "connections/transfer/AutobinAnmelden.h"

#include "connections/standard/StandardTransferU.h"
#include "connections/transfer/VerbindungAutobinReceiveU.h"
#include "connections/transfer/VerbindungAutobinSendU.h"

namespace quarn {

void AutobinAnmelden() {
    SetTransferFabrik(TTransferArt::AutobinReceive, FabrikFuer<TVerbindungAutobinReceive>());
    SetTransferFabrik(TTransferArt::AutobinSend, FabrikFuer<TVerbindungAutobinSend>());
}

} // namespace quarn
