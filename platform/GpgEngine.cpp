#include "platform/GpgEngine.h"

#include "platform/GpgContext.h"

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

} // namespace quarn
