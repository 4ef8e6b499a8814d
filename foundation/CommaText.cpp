#include "foundation/CommaText.h"

#include <algorithm>

namespace quarn {

namespace {

// Blanks and control characters: what a reader skips around items.
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool NeedsQuotes(std::string_view item) {
    for (const char c : item) {
        if (IsBlank(c) || c == '\x7F' || c == '"' || c == ',') {
            return true;
        }
    }
    return false;
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::string FormatCommaText(std::span<const std::string> items) {
    if (items.size() == 1 && items.front().empty()) {
        return "\"\"";
    }
    std::string result;
    for (std::size_t index = 0; index < items.size(); ++index) {
        if (index > 0) {
            result += ',';
        }
        const std::string& item = items[index];
        if (!NeedsQuotes(item)) {
            result += item;
            continue;
        }
        result += '"';
        for (const char c : item) {
            if (c == '"') {
                result += '"';
            }
            result += c;
        }
        result += '"';
    }
    return result;
}

std::vector<std::string> ParseCommaText(std::string_view text) {
    std::vector<std::string> items;
    std::size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < text.size() && IsBlank(text[pos])) {
            ++pos;
        }
    };
    // The text from pos up to the next comma (or the end), without trailing blanks; pos moves to the comma.
    const auto takeUpToComma = [&] {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        const std::string_view part = WithoutTrailingBlanks(text.substr(pos, comma - pos));
        pos = comma;
        return part;
    };

    skipBlanks();
    if (pos == text.size()) {
        return items;
    }
    while (true) {
        std::string item;
        if (text[pos] == '"') {
            ++pos;
            while (pos < text.size()) {
                const char c = text[pos++];
                if (c != '"') {
                    item += c;
                } else if (pos < text.size() && text[pos] == '"') {
                    item += '"';
                    ++pos;
                } else {
                    break;
                }
            }
            item += takeUpToComma();
        } else {
            item = takeUpToComma();
        }
        items.push_back(std::move(item));
        if (pos == text.size()) {
            return items;
        }
        ++pos; // the comma
        skipBlanks();
        if (pos == text.size()) {
            items.emplace_back(); // a trailing comma ends with an empty item
            return items;
        }
    }
}

} // namespace quarn
