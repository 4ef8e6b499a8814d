#include "platform/GpgStatus.h"

#include <array>
#include <gpgme.h>

namespace quarn {

int GpgStatus::Code() const {
    return static_cast<int>(gpgme_err_code(error_));
}

std::string GpgStatus::Text() const {
    if (Ok()) {
        return {};
    }
    std::array<char, 1027> buffer{};
    if (gpgme_strerror_r(error_, buffer.data(), buffer.size()) != 0) {
        return {};
    }
    return buffer.data();
}

} // namespace quarn
