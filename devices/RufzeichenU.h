#pragma once

#include "foundation/CallSignText.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

// A call sign with an optional SSID suffix ("DL1ABC-7"), parsed by the program's call-sign rule
// (SplitCallSign). Without "-", or with a suffix that is not a number, the SSID is "any" (255). A
// number outside 0..15 cannot go on the air: it is kept as invalid instead of being cut to a byte; so
// is a text too long for a TNC command.
class TRufzeichen {
public:
    static constexpr std::uint8_t kAnySsid = quarn::kAnySsid;

    explicit TRufzeichen(std::string_view text);

    const std::string& GetCall() const { return parts_.call; }
    // 0..15, or kAnySsid.
    std::uint8_t GetSsid() const { return parts_.ssid; }
    bool IsAnySsid() const { return parts_.ssid >= 128; }
    // False when the suffix is a number above 15 or the text is too long for a TNC command.
    bool IsValid() const { return parts_.valid; }

private:
    CallSignParts parts_;
};

} // namespace quarn
