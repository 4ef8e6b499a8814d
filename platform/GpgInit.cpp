#include "platform/GpgInit.h"

#include <gpgme.h>

namespace quarn {

const std::string& InitializeGpgme() {
    static const std::string version = [] {
        const char* text = gpgme_check_version(nullptr);
        return std::string(text != nullptr ? text : "");
    }();
    return version;
}

} // namespace quarn
