#pragma once

#include <string>

namespace quarn {

// The outcome of one GPGME call: zero is success. The text is GPGME's own description of the error.
class GpgStatus {
public:
    GpgStatus() = default;
    explicit GpgStatus(unsigned int error) : error_(error) {}

    bool Ok() const { return Code() == 0; }
    // The error code without its source part, as GnuPG numbers it.
    int Code() const;
    // Empty for success.
    std::string Text() const;

private:
    unsigned int error_ = 0;
};

} // namespace quarn
