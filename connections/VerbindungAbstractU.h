#pragma once

#include "foundation/InterfacesU.h"

#include <memory>

namespace quarn {

// Runs the connection's standard handler on the calling connection thread until the link ends (the
// disconnect event, or the connection thread's own end).
void RunStandard(const std::shared_ptr<IVerbindungFuerModul>& connection);

} // namespace quarn
