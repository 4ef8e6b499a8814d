#include "tools/tncsim/TncSimText.h"

#include <cctype>
#include <sstream>

namespace quarn::tncsim {

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string NormalPath(std::string_view path) {
    std::istringstream words{std::string(path)};
    std::string word;
    std::string normal;
    while (words >> word) {
        if (!normal.empty()) {
            normal += ' ';
        }
        // Calls in capitals, the word between them as the firmware writes it.
        normal += Upper(word) == "VIA" ? std::string("via") : Upper(word);
    }
    return normal;
}

std::string WithoutPort(std::string_view path) {
    const std::string trimmed = Trim(path);
    const auto colon = trimmed.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 2) {
        return trimmed;
    }
    for (std::size_t i = 0; i < colon; ++i) {
        if (std::isdigit(static_cast<unsigned char>(trimmed[i])) == 0) {
            return trimmed;
        }
    }
    return trimmed.substr(colon + 1);
}

std::string FirstCall(std::string_view path) {
    const std::string normal = NormalPath(path);
    return normal.substr(0, normal.find(' '));
}

char FrameKind(std::string_view header) {
    const auto at = header.find(" ctl ");
    if (at == std::string_view::npos) {
        return 'S';
    }
    const std::string_view control = header.substr(at + 5);
    if (control.substr(0, 2) == "UI") {
        return 'U';
    }
    return !control.empty() && control[0] == 'I' ? 'I' : 'S';
}

bool IsJhost(std::string_view command, char digit) {
    const std::string upper = Upper(command);
    if (upper.rfind("JHOST", 0) != 0) {
        return false;
    }
    const auto at = upper.find_first_not_of(' ', 5);
    return at != std::string::npos && at + 1 == upper.size() && upper[at] == digit;
}

} // namespace quarn::tncsim
