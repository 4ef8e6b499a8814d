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

GpgmeContextOwner NewGpgmeContext(gpgme_protocol_t protocol, const char* fileName, const char* homeDir,
                                  gpgme_error_t& error) {
    InitializeGpgme();
    gpgme_ctx_t context = nullptr;
    error = gpgme_new(&context);
    GpgmeContextOwner owner(error == 0 ? context : nullptr, gpgme_release);
    if (error == 0) {
        error = gpgme_set_protocol(context, protocol);
    }
    if (error == 0 && (fileName != nullptr || homeDir != nullptr)) {
        error = gpgme_ctx_set_engine_info(context, protocol, fileName, homeDir);
    }
    if (error != 0) {
        owner.reset();
    }
    return owner;
}

} // namespace quarn
