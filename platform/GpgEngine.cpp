#include "platform/GpgEngine.h"

#include "platform/GpgContext.h"
#include "platform/GpgInit.h"

#include <gpgme.h>

namespace quarn {

GpgEngineInfo ProbeGpgEngine(const GpgEngine& engine) {
    GpgEngineInfo info;
    try {
        const GpgContext context(engine);
        info = context.EngineInfo();
    } catch (const std::exception&) {
        info.available = false;
    }
    return info;
}

std::string GpgmeVersion() {
    return InitializeGpgme();
}

} // namespace quarn
