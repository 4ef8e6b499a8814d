#include "devices/RufzeichenU.h"

#include <algorithm>
#include <cctype>

namespace quarn {

TRufzeichen::TRufzeichen(std::string_view text) {
    const std::size_t dash = text.find('-');
    call_ = std::string(text.substr(0, dash));
    if (dash == std::string_view::npos) {
        return;
    }
    const std::string_view suffix = text.substr(dash + 1);
    const bool number = !suffix.empty() && std::all_of(suffix.begin(), suffix.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (!number) {
        return; // any SSID
    }
    const std::string_view digits = suffix.substr(std::min(suffix.find_first_not_of('0'), suffix.size()));
    if (digits.size() > 2 || (digits.size() == 2 && std::stoi(std::string(digits)) > 15)) {
        valid_ = false;
        return;
    }
    ssid_ = static_cast<std::uint8_t>(digits.empty() ? 0 : std::stoi(std::string(digits)));
}

} // namespace quarn
