#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

// A call sign with an optional SSID suffix ("DL1ABC-7"). Without "-", or with a suffix that is not a
// number, the SSID is "any" (255). A number outside 0..15 cannot go on the air: it is kept as invalid
// instead of being cut to a byte.
class TRufzeichen {
public:
    static constexpr std::uint8_t kAnySsid = 255;

    explicit TRufzeichen(std::string_view text);

    const std::string& GetCall() const { return call_; }
    // 0..15, or kAnySsid.
    std::uint8_t GetSsid() const { return ssid_; }
    bool IsAnySsid() const { return ssid_ >= 128; }
    // False when the suffix is a number above 15.
    bool IsValid() const { return valid_; }

private:
    std::string call_;
    std::uint8_t ssid_ = kAnySsid;
    bool valid_ = true;
};

} // namespace quarn
