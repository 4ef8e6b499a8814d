#include "connections/transfer/DidaditSendAnmelden.h"

#include "connections/standard/StandardTransferU.h"
#include "connections/transfer/VerbindungDidaditSendU.h"

namespace quarn {

void DidaditSendAnmelden() {
    SetTransferFabrik(TTransferArt::DidaditSend, FabrikFuer<TVerbindungDidaditSend>());
}

} // namespace quarn
