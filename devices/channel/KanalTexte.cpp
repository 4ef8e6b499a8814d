#include "devices/channel/KanalTexte.h"

#include <cstdio>

namespace quarn {
namespace {

constexpr std::string_view kUmbruchZeichen = " ,.:@";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string Printf(const char* format, double value, const char* unit) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, format, value, unit);
    return buffer;
}

} // namespace

std::vector<std::string> PromptZeilen(std::string_view text) {
    std::string all(text);
    if (all.empty() || all.back() != '\r') {
        all += '\r';
    }
    const std::size_t room = kPromptBreite - kQuarnPrefix.size();
    std::vector<std::string> pieces{"\r"};
    std::string prefix(kQuarnPrefix);
    const auto write = [&](std::string_view line) {
        pieces.push_back(prefix + std::string(line) + '\r');
        prefix.assign(kQuarnPrefix.size(), ' ');
    };
    std::string_view rest(all);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\r');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        bool wrapped = false;
        while (line.size() > room) {
            // The longest head of at most `room` characters that ends at a break character.
            const std::size_t cut = line.substr(0, room).find_last_of(kUmbruchZeichen);
            if (cut == std::string_view::npos) {
                break; // one long word: it goes out whole
            }
            const std::string_view head = Trim(line.substr(0, cut + 1));
            if (!head.empty()) {
                write(head);
                wrapped = true;
            }
            line = Trim(line.substr(cut + 1));
        }
        if (!wrapped || !line.empty()) {
            write(line);
        }
    }
    pieces.emplace_back("\r");
    return pieces;
}

std::string ZeitStempel(const QDateTime& time) {
    return time.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")).toStdString();
}

std::string TriesText(int tries) {
    return tries < 0 ? std::string() : "T" + std::to_string(tries);
}

std::string OutstandingText(int outstanding) {
    if (outstanding < 0) {
        return {};
    }
    // Three digits need the room of the "U".
    return outstanding >= 100 ? std::to_string(outstanding) : "U" + std::to_string(outstanding);
}

std::string FrackText(int frack) {
    if (frack < 0) {
        return {};
    }
    return frack == 0 ? std::string("dama") : "F" + std::to_string(frack);
}

std::string MaxframeText(int maxframe) {
    return maxframe < 0 ? std::string() : "M" + std::to_string(maxframe);
}

std::string LinkStatusText(int linkStatus) {
    if (linkStatus < 0) {
        return {};
    }
    std::string text;
    switch (linkStatus & 7) {
    case 3:
        text += "frmr ";
        break;
    case 6:
        text += "reject ";
        break;
    case 7:
        text += "polling ";
        break;
    default:
        break;
    }
    if ((linkStatus & 0x08) != 0) {
        text += "busy ";
    }
    if ((linkStatus & 0x10) != 0) {
        text += "rbusy ";
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

std::string BitrateText(int bitsPerSecond) {
    if (bitsPerSecond <= 0) {
        return {};
    }
    double value = bitsPerSecond;
    const char* unit = "";
    if (bitsPerSecond >= 1000000) {
        value /= 1000000.0;
        unit = "M";
    } else if (bitsPerSecond >= 1000) {
        value /= 1000.0;
        unit = "k";
    }
    if (value >= 100) {
        return Printf("%3.0f%sbit/s", value, unit);
    }
    if (value >= 10) {
        return Printf("%2.1f%sbit/s", value, unit);
    }
    return Printf("%1.2f%sbit/s", value, unit);
}

} // namespace quarn
