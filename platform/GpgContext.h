#pragma once

#include "platform/GpgEngine.h"
#include "platform/GpgStatus.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// One key as the key ring lists it. Texts are as gpg gives them (user ids in UTF-8).
struct GpgKeyInfo {
    std::string fingerprint;
    std::string userId; // the primary user id, empty when the key has none
    // The primary key's algorithm as OpenPGP numbers it (1 RSA, 16 ElGamal, 17 DSA, 22 EdDSA, ...).
    int algorithm = 0;
    bool secret = false;
    bool revoked = false;
    bool disabled = false;
    bool expired = false;
    bool invalid = false;
    // gpg's validity of the key, the best of its user ids that are not revoked: 0 unknown, 1 undefined,
    // 2 never, 3 marginal, 4 full, 5 ultimate.
    int validity = 0;
};

// One signature of a verified text.
struct GpgSignatureInfo {
    std::string fingerprint; // of the signing key, or only its key id when the key is not in the ring
    bool keyMissing = false; // the signing key is not in the key ring: nothing was checked
    bool good = false;       // the signature matches the text (the key may be expired or revoked)
    bool bad = false;        // the signature was checked and does not match the text
    bool keyRevoked = false;
    bool keyExpired = false;
    std::int64_t created = 0; // seconds since 1970 (UTC); 0 when unknown
};

struct GpgImportInfo {
    std::vector<std::string> added;     // new keys, and keys that gained user ids, signatures or sub-keys
    std::vector<std::string> unchanged; // keys the key ring already held just so
    GpgStatus refused;                  // why keys were not taken; Ok when none was refused
};

// One GPGME context for OpenPGP: ASCII armour, text mode, and passphrases only through the loopback
// callback, so the program's own dialog supplies them and no pinentry window appears. A context is used
// by one thread at a time.
class GpgContext {
public:
    // Throws Exception with GPGME's text when no context can be made for the engine.
    explicit GpgContext(const GpgEngine& engine);
    ~GpgContext();
    GpgContext(const GpgContext&) = delete;
    GpgContext& operator=(const GpgContext&) = delete;

    GpgEngineInfo EngineInfo() const;

    // The passphrase the callback answers with; asked again after a wrong one, it cancels.
    void SetPassphrase(std::string_view passphrase);

    // Clear-signs `text` (lines ended by LF) with the secret key of that fingerprint.
    GpgStatus ClearSign(std::string_view fingerprint, std::string_view text, std::string& signedText);
    GpgStatus Verify(std::string_view signedText, std::vector<GpgSignatureInfo>& signatures);
    GpgStatus ListKeys(bool secretOnly, std::vector<GpgKeyInfo>& keys);
    GpgStatus FindKey(std::string_view fingerprint, bool secret, GpgKeyInfo& key);
    // The fingerprint of the secret key gpg signs with when none is named: its "default-key" option, or
    // empty when that is not set (gpg then takes the first usable secret key).
    GpgStatus DefaultKey(std::string& fingerprint);
    // Imports OpenPGP key data (binary or armoured) into the key ring. The status is the operation's;
    // keys the engine refused are in the result.
    GpgStatus Import(std::string_view keyData, GpgImportInfo& result);
    // Whether the passphrase unlocks the secret part gpg signs with for that key. The agent's cache is
    // neither used nor changed.
    GpgStatus CheckPassphrase(std::string_view fingerprint, std::string_view passphrase);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace quarn
