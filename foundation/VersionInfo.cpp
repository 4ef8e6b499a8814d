#include "foundation/VersionInfo.h"

namespace quarn {

const std::string& ProgramVersion() {
    static const std::string version = QUARN_VERSION;
    return version;
}

bool PrivateBuild() { return QUARN_PRIVATE_BUILD_FLAG != 0; }

} // namespace quarn
