#include "connections/AutobinAnmelden.h"

#include "connections/StandardTransferU.h"
#include "connections/VerbindungAutobinReceiveU.h"
#include "connections/VerbindungAutobinSendU.h"

namespace quarn {

namespace {

template <typename Handler> THandlerFabrik Fabrik() {
    return [](std::shared_ptr<TVerbindungAbstract> owner, std::shared_ptr<IVerbindungFuerModul> connection) {
        return std::static_pointer_cast<TVerbindungAbstract>(
            TVerbindungAbstract::Erzeuge<Handler>(std::move(owner), std::move(connection)));
    };
}

} // namespace

void AutobinAnmelden() {
    SetTransferFabrik(TTransferArt::AutobinReceive, Fabrik<TVerbindungAutobinReceive>());
    SetTransferFabrik(TTransferArt::AutobinSend, Fabrik<TVerbindungAutobinSend>());
}

} // namespace quarn
