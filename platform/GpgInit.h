#pragma once

#include <string>

namespace quarn {

// gpgme_check_version exactly once per process (GPGME requires it before any other call); returns
// GPGME's version. Thread-safe.
const std::string& InitializeGpgme();

} // namespace quarn
