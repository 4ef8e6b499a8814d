#pragma once

#include "foundation/DesignTexts.h"
#include "foundation/FormKioU.h"

namespace quarn {

// The place for remote commands to a connected station; it has no function yet.
class TDlgBefehlRemote : public TFormKio {
    QUARN_DESIGN_TEXTS(TDlgBefehlRemote)

public:
    explicit TDlgBefehlRemote(QWidget* owner = nullptr);
};

} // namespace quarn
