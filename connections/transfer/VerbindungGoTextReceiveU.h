#pragma once

#include "connections/ZeilenEmpfangU.h"

#include <memory>
#include <string>

namespace quarn {

// Stores the plain text that follows a line " go_text. <name>" or " go_info. <name>" in the receive
// folder, up to " stop_text.", " stop_info." or a line beginning "*** ". The lines are shown as they
// arrive, except for correction and error files (".COR", ".ERR"), whose end line alone is shown.
class TVerbindungGoTextReceive : public TZeilenEmpfang {
public:
    TVerbindungGoTextReceive(std::shared_ptr<TVerbindungAbstract> owner,
                             std::shared_ptr<IVerbindungFuerModul> connection);

    std::string GetClassName() const override;

protected:
    void Init() override;
    void ReceiveData() override;

private:
    bool zeigen_ = false;
    std::string zeile_;
};

} // namespace quarn
