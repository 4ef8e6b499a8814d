#pragma once

#include <functional>
#include <memory>
#include <string_view>

namespace quarn {

class IVerbindungFuerModul;
class TVerbindungAbstract;

// The transfer handlers the standard handler starts. Each transfer unit registers its class here, so the
// standard handler knows none of them.
enum class TTransferArt {
    AutobinReceive,
    DidaditReceive,
    SiebenPlusReceive,
    GoTextReceive,
    TextSend,
    AutobinSend,
    DidaditSend,
};

// Makes a handler (with its Init run, as TVerbindungAbstract::Erzeuge does).
using THandlerFabrik = std::function<std::shared_ptr<TVerbindungAbstract>(
    std::shared_ptr<TVerbindungAbstract> owner, std::shared_ptr<IVerbindungFuerModul> connection)>;

// An empty factory takes the entry out again.
void SetTransferFabrik(TTransferArt art, THandlerFabrik fabrik);
// Empty when nothing is registered.
THandlerFabrik TransferFabrik(TTransferArt art);

// The receive handler a received line starts; nothing for an ordinary line.
struct TTransferStart {
    std::string_view prefix;
    TTransferArt art;
};
const TTransferStart* ErkenneTransferStart(std::string_view line);

// The send handler for a job's protocol (1 text, 2 AutoBIN, 5 DIDADIT); false for any other.
bool SendeArt(int protocol, TTransferArt& art);

} // namespace quarn
