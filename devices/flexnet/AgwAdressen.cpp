#include "devices/flexnet/AgwAdressen.h"

#include <algorithm>
#include <cctype>

namespace quarn {
namespace {

constexpr std::size_t kMaxCallBase = 6;
constexpr int kMaxSsid = 15;

bool IsDigits(std::string_view text) {
    return !text.empty() && text.size() <= 3 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsViaWord(std::string_view word) {
    const std::string upper = AgwCall(word);
    return upper == "VIA" || upper == "V";
}

} // namespace

std::string AgwCall(std::string_view call) {
    std::string result;
    result.reserve(call.size());
    for (const char c : call) {
        result += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (result.size() > 2 && result.compare(result.size() - 2, 2, "-0") == 0) {
        result.resize(result.size() - 2);
    }
    return result;
}

bool IsAgwCall(std::string_view call) {
    const std::size_t dash = call.find('-');
    const std::string_view base = call.substr(0, dash);
    if (base.empty() || base.size() > kMaxCallBase || !std::all_of(base.begin(), base.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c));
        })) {
        return false;
    }
    if (dash == std::string_view::npos) {
        return true;
    }
    const std::string_view ssid = call.substr(dash + 1);
    if (ssid.empty() || ssid.size() > 2 || !IsDigits(ssid)) {
        return false;
    }
    return std::stoi(std::string(ssid)) <= kMaxSsid;
}

AgwPfad AgwPfadLesen(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (c == ' ' || c == ',' || c == '\t') {
            if (!word.empty()) {
                words.push_back(std::move(word));
                word.clear();
            }
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(std::move(word));
    }
    AgwPfad pfad;
    std::size_t at = 0;
    if (words.size() > 1 && IsDigits(words[0])) {
        pfad.port = std::stoi(words[0]);
        at = 1;
    }
    for (; at < words.size(); ++at) {
        if (pfad.ziel.empty()) {
            pfad.ziel = AgwCall(words[at]);
        } else if (pfad.digis.empty() && !pfad.port && IsDigits(words[at])) {
            // The port written in front of the digipeaters ("DB0XYZ 3 DB0AAA").
            pfad.port = std::stoi(words[at]);
        } else if (!IsViaWord(words[at])) {
            pfad.digis.push_back(AgwCall(words[at]));
        }
    }
    return pfad;
}

} // namespace quarn
