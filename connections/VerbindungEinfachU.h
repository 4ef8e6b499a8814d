#pragma once

#include "connections/VerbindungAbstractU.h"

#include <memory>
#include <string>

namespace quarn {

// The plain handler: received text goes to the channel as it comes, typed text to the transmit queue one
// piece per wake-up, nothing else. It keeps a link usable end to end while no richer handler runs.
class TVerbindungEinfach : public TVerbindungAbstract {
public:
    TVerbindungEinfach(std::shared_ptr<TVerbindungAbstract> owner,
                       std::shared_ptr<IVerbindungFuerModul> connection);

    std::string GetClassName() const override;

protected:
    void Init() override;
    void ReceiveData() override;
    void SendData() override;
};

} // namespace quarn
