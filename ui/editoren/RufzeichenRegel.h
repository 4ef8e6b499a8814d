#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// An own call sign as the own-call dialog takes it.
struct TRufzeichenEingabe {
    std::string call;
    std::vector<int> ssids; // ascending
};

// What "OK" of the own-call dialog gives for the typed text and the checked SSID boxes, or nothing while
// "OK" stays disabled. The text is trimmed and upper-cased; it needs at least three characters, a call
// of letters A..Z and digits, and either a "-" with an SSID 0..15 after it (the boxes, disabled then,
// do not count) or at least one checked box.
std::optional<TRufzeichenEingabe> RufzeichenEingabe(std::string_view text, const std::array<bool, 16>& boxes);

} // namespace quarn
