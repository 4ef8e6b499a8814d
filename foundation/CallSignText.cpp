#include "foundation/CallSignText.h"

#include <algorithm>
#include <cctype>

namespace quarn {

CallSignParts SplitCallSign(std::string_view text) {
    CallSignParts parts;
    const std::size_t dash = text.find('-');
    parts.call = std::string(text.substr(0, dash));
    parts.valid = text.size() <= kMaxCallSignText;
    if (dash == std::string_view::npos) {
        return parts;
    }
    const std::string_view suffix = text.substr(dash + 1);
    const bool number = !suffix.empty() && std::all_of(suffix.begin(), suffix.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (!number) {
        return parts; // any SSID
    }
    const std::string_view digits = suffix.substr(std::min(suffix.find_first_not_of('0'), suffix.size()));
    if (digits.size() > 2 || (digits.size() == 2 && std::stoi(std::string(digits)) > 15)) {
        parts.valid = false;
        return parts;
    }
    parts.ssid = static_cast<std::uint8_t>(digits.empty() ? 0 : std::stoi(std::string(digits)));
    return parts;
}

} // namespace quarn
