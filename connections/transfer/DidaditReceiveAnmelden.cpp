#include "connections/transfer/DidaditReceiveAnmelden.h"

#include "connections/standard/StandardTransferU.h"
#include "connections/transfer/VerbindungDidaditReceiveU.h"

namespace quarn {

void DidaditReceiveAnmelden() {
    SetTransferFabrik(TTransferArt::DidaditReceive, FabrikFuer<TVerbindungDidaditReceive>());
}

} // namespace quarn
