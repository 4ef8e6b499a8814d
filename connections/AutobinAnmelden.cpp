#include "connections/AutobinAnmelden.h"

#include "connections/StandardTransferU.h"
#include "connections/VerbindungAutobinReceiveU.h"
#include "connections/VerbindungAutobinSendU.h"

namespace quarn {

void AutobinAnmelden() {
    SetTransferFabrik(TTransferArt::AutobinReceive, FabrikFuer<TVerbindungAutobinReceive>());
    SetTransferFabrik(TTransferArt::AutobinSend, FabrikFuer<TVerbindungAutobinSend>());
}

} // namespace quarn
