#pragma once

#include <cstdint>
#include <string>

namespace quarn {

// What a verification found out about one signature, in the program's terms.
struct TPGPSignatureReport {
    bool hasKey = false; // the signing key is in the key ring
    std::string signer;  // its primary user id (Windows-1252), when hasKey
    std::string keyId;   // abbreviated key id ("0x1A2B3C4D")
    bool checked = false;
    bool verified = false;
    bool keyRevoked = false;
    bool keyDisabled = false;
    bool keyExpired = false;
    int validity = 0;          // 0 unknown, 1 invalid, 2 marginal, 3 complete
    std::int64_t created = -1; // seconds since 1970 UTC; negative when unknown
};

struct TPGPSignatureText {
    std::string text; // Windows-1252, lines ended by CR
    int soundEvent = 0;
};

// The text shown in the channel for a signature, German sentences or (detailed) English lines, and the
// sound event that goes with it.
TPGPSignatureText BuildSignatureText(const TPGPSignatureReport& report, bool detailed);

} // namespace quarn
