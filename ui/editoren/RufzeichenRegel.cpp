#include "ui/editoren/RufzeichenRegel.h"

#include <algorithm>

namespace quarn {
namespace {

bool IsCallChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::optional<int> Ssid(std::string_view text) {
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int ssid = text.size() == 1 ? text[0] - '0' : (text[0] - '0') * 10 + (text[1] - '0');
    if (ssid > 15) {
        return std::nullopt;
    }
    return ssid;
}

} // namespace

std::optional<TRufzeichenEingabe> RufzeichenEingabe(std::string_view text,
                                                    const std::array<bool, 16>& boxes) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    if (upper.size() < 3) {
        return std::nullopt;
    }
    const std::size_t dash = upper.find('-');
    TRufzeichenEingabe eingabe;
    eingabe.call = upper.substr(0, dash);
    if (eingabe.call.empty() || !std::all_of(eingabe.call.begin(), eingabe.call.end(), IsCallChar)) {
        return std::nullopt;
    }
    if (dash != std::string::npos) {
        const std::optional<int> ssid = Ssid(std::string_view(upper).substr(dash + 1));
        if (!ssid) {
            return std::nullopt;
        }
        eingabe.ssids = {*ssid};
        return eingabe;
    }
    for (int ssid = 0; ssid < static_cast<int>(boxes.size()); ++ssid) {
        if (boxes[static_cast<std::size_t>(ssid)]) {
            eingabe.ssids.push_back(ssid);
        }
    }
    if (eingabe.ssids.empty()) {
        return std::nullopt;
    }
    return eingabe;
}

} // namespace quarn
