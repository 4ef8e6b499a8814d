#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

// The SSID of a call sign without a numeric suffix: any SSID will do.
inline constexpr std::uint8_t kAnySsid = 255;
// The longest call-sign text a TNC command ("I" + call) can carry in one host-mode frame.
inline constexpr std::size_t kMaxCallSignText = 255;

// A call sign with an optional SSID suffix ("DL1ABC-7") taken apart.
struct CallSignParts {
    std::string call;             // before the first "-", or the whole text
    std::uint8_t ssid = kAnySsid; // 0..15, or kAnySsid
    bool valid = true;
};

// The one rule for what the program takes as a call sign, used by the radio side and the own-call list.
// Without "-", or with a suffix that is not a number, the SSID is "any". Not valid: a number above 15
// (it cannot go on the air and must not be cut down to another station's SSID), or a text longer than
// kMaxCallSignText.
CallSignParts SplitCallSign(std::string_view text);

} // namespace quarn
