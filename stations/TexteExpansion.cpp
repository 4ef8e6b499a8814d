#include "stations/TexteExpansion.h"

#include <algorithm>

namespace quarn {

std::string ExpandTextPlaceholders(std::string_view text, std::string_view peerName) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            continue;
        }
        if (c != '%') {
            result += c;
            continue;
        }
        if (++i == text.size()) {
            break;
        }
        if (text[i] == '%') {
            result += '%';
        } else if (text[i] == 'N' || text[i] == 'n') {
            result += peerName;
        }
    }
    return result;
}

std::string WithoutLineFeeds(std::string_view text) {
    std::string result(text);
    result.erase(std::remove(result.begin(), result.end(), '\n'), result.end());
    return result;
}

} // namespace quarn
