#pragma once

#include <string>
#include <string_view>

namespace quarn {

enum class TKeyBlockContent {
    PublicKeys, // only public key material: safe to import
    SecretKeys, // secret key packets (or a private key armour): never imported from received text
    Damaged,    // no complete armoured key block, bad base64 or checksum, or packets no key block holds
};

struct TKeyBlock {
    TKeyBlockContent content = TKeyBlockContent::Damaged;
    std::string packets; // the decoded packets, only for PublicKeys
};

// Reads the first armoured key block of a received text and looks at every OpenPGP packet in it. Only
// the packets a public key block consists of (public key and sub-key, user id and attribute, signature,
// trust) pass; compressed or other container packets are refused too, because an importer would look
// inside them. The caller imports `packets`, exactly what was checked, never the text itself.
TKeyBlock ReadPublicKeyBlock(std::string_view text);

} // namespace quarn
