#pragma once

#include <string>

namespace quarn {

// Where the OpenPGP engine (gpg) is and which home it uses. Empty fields leave the choice to GPGME and
// gpg: the installed gpg, and GNUPGHOME or ~/.gnupg.
struct GpgEngine {
    std::string executable;
    std::string homeDir;
};

struct GpgEngineInfo {
    bool available = false;
    std::string version;    // the engine's own version, e.g. "2.2.40"
    std::string executable; // as GPGME resolved it
};

// Asks GPGME whether the engine can be run (it starts it once for its version). Initialises GPGME on
// first use; any thread may call.
GpgEngineInfo ProbeGpgEngine(const GpgEngine& engine);


} // namespace quarn
