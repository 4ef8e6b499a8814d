#pragma once

#include "foundation/InterfacesU.h"

#include <memory>
#include <string_view>

namespace quarn {

// What happens to a file once its reception has ended well. A plain file is moved into the receive
// folder under its display name, at a free name. A BinSplit part stays beside the other received parts
// until its set is complete; then the chain of accumulated CRCs is checked, the parts are joined into
// the receive folder and deleted. Every outcome is a system line on the connection's channel.
class TDateiEmpfangenPostprozessor {
public:
    explicit TDateiEmpfangenPostprozessor(std::shared_ptr<IVerbindung> connection);

    // Afterwards the item's file stream is closed: the reception is over, and a part left waiting for
    // its set must be open to the next part's scan. False when the data could not be stored where it
    // belongs (the system line then says where it still is): the peer must not hear of success.
    bool Execute(const std::shared_ptr<IDateiSenden>& item);

private:
    bool Speichern();
    bool BinSplitCombine();
    void KanalPrompt(std::string_view text);

    std::shared_ptr<IVerbindung> connection_;
    std::shared_ptr<IDateiSenden> item_;
};

} // namespace quarn
