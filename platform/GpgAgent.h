#pragma once

#include "platform/GpgEngine.h"
#include "platform/GpgStatus.h"

#include <string_view>

namespace quarn {

// Asks the engine's gpg-agent whether the passphrase unlocks the secret key with that keygrip. The agent
// tests it against the key itself: a passphrase it has cached for the key neither counts nor is
// forgotten, so other programs of the user keep theirs. The agent must be running (any use of a secret
// key starts it).
GpgStatus VerifyAgentPassphrase(const GpgEngine& engine, std::string_view keygrip,
                                std::string_view passphrase);

} // namespace quarn
