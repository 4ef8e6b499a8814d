#include "connections/DidaditSendAnmelden.h"

#include "connections/StandardTransferU.h"
#include "connections/VerbindungDidaditSendU.h"

namespace quarn {

void DidaditSendAnmelden() {
    SetTransferFabrik(TTransferArt::DidaditSend, FabrikFuer<TVerbindungDidaditSend>());
}

} // namespace quarn
