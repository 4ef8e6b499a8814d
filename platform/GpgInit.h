#pragma once

#include <gpgme.h>
#include <memory>
#include <string>

namespace quarn {

// gpgme_check_version exactly once per process (GPGME requires it before any other call); returns
// GPGME's version. Thread-safe.
const std::string& InitializeGpgme();

using GpgmeContextOwner = std::unique_ptr<gpgme_context, void (*)(gpgme_ctx_t)>;

// A fresh context of `protocol`; `fileName` and `homeDir` (nullptr: the engine's default) name the
// engine it talks to. Empty on failure, with the error in `error`.
GpgmeContextOwner NewGpgmeContext(gpgme_protocol_t protocol, const char* fileName, const char* homeDir,
                                  gpgme_error_t& error);

} // namespace quarn
