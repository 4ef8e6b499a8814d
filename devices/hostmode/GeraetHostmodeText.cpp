#include "devices/hostmode/GeraetHostmodeText.h"

#include "platform/Codepage.h"

namespace quarn {

std::string TrimText(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string UpperText(std::string_view text) {
    return Cp1252UpperCase(text);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && UpperText(text.substr(0, prefix.size())) == UpperText(prefix);
}

std::string FormatText(std::string_view format, int number) {
    std::string text(format);
    const std::size_t at = text.find("%d");
    if (at != std::string::npos) {
        text.replace(at, 2, std::to_string(number));
    }
    return text;
}

} // namespace quarn
