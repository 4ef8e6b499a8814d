#include "connections/DidaditReceiveAnmelden.h"

#include "connections/StandardTransferU.h"
#include "connections/VerbindungDidaditReceiveU.h"

namespace quarn {

void DidaditReceiveAnmelden() {
    SetTransferFabrik(TTransferArt::DidaditReceive, FabrikFuer<TVerbindungDidaditReceive>());
}

} // namespace quarn
