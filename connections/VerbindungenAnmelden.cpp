#include "connections/VerbindungenAnmelden.h"

#include "connections/StandardTransferU.h"
#include "connections/Verbindung7PlusReceiveU.h"
#include "connections/VerbindungGoTextReceiveU.h"
#include "connections/VerbindungTextSendU.h"
#include "connections/VerbindungU.h"
#include "devices/VerbindungFabrik.h"

namespace quarn {

namespace {

template <typename Handler> THandlerFabrik Fabrik() {
    return [](std::shared_ptr<TVerbindungAbstract> owner, std::shared_ptr<IVerbindungFuerModul> connection) {
        return std::static_pointer_cast<TVerbindungAbstract>(
            TVerbindungAbstract::Erzeuge<Handler>(std::move(owner), std::move(connection)));
    };
}

} // namespace

void VerbindungenAnmelden() {
    SetVerbindungFabrik([](const std::shared_ptr<TGeraet>& device) -> std::shared_ptr<IVerbindung> {
        return TVerbindung::Create(device);
    });
    SetTransferFabrik(TTransferArt::SiebenPlusReceive, Fabrik<TVerbindung7PlusReceive>());
    SetTransferFabrik(TTransferArt::GoTextReceive, Fabrik<TVerbindungGoTextReceive>());
    SetTransferFabrik(TTransferArt::TextSend, Fabrik<TVerbindungTextSend>());
}

} // namespace quarn
