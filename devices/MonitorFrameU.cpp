#include "devices/MonitorFrameU.h"

#include "platform/HexDigit.h"

#include <cctype>

namespace quarn {

namespace {

// The text after `marker` up to the next space, or nothing when the marker is missing.
bool WordAfter(std::string_view text, std::string_view marker, std::string& word) {
    const std::size_t start = text.find(marker);
    if (start == std::string_view::npos) {
        return false;
    }
    const std::string_view rest = text.substr(start + marker.size());
    word = std::string(rest.substr(0, rest.find(' ')));
    return true;
}

// The digit at a 1-based position of the control field, 0 when there is none.
std::uint8_t DigitAt(std::string_view field, std::size_t position) {
    if (position < 1 || position > field.size()) {
        return 0;
    }
    const char c = field[position - 1];
    return std::isdigit(static_cast<unsigned char>(c)) ? static_cast<std::uint8_t>(c - '0') : 0;
}

struct ControlKind {
    std::string_view prefix;
    std::uint8_t kind;
    std::size_t digitPosition; // 0: no sequence number
    std::size_t length;
};

constexpr ControlKind kControlKinds[] = {
    {"RR", 2, 3, 3}, {"RN", 3, 4, 4}, {"RE", 4, 4, 4}, {"SA", 5, 0, 4},  {"DI", 6, 0, 4},
    {"DM", 7, 0, 2}, {"UA", 8, 0, 2}, {"FR", 9, 0, 4}, {"UI", 10, 0, 2},
};

bool ParseControl(std::string_view& field, TMonitorFrame& frame) {
    frame.sequence1 = 0;
    frame.sequence2 = 0;
    if (field.size() < 2) {
        return false;
    }
    if (field[0] == 'I') {
        frame.kind = 1;
        if (field.size() > 2) {
            frame.sequence1 = DigitAt(field, 2);
            frame.sequence2 = DigitAt(field, 3);
        }
        field.remove_prefix(std::min<std::size_t>(3, field.size()));
        return true;
    }
    for (const ControlKind& kind : kControlKinds) {
        if (field.substr(0, 2) == kind.prefix) {
            frame.kind = kind.kind;
            if (kind.digitPosition) {
                frame.sequence1 = DigitAt(field, kind.digitPosition);
            }
            field.remove_prefix(std::min(kind.length, field.size()));
            return true;
        }
    }
    return false;
}

} // namespace

bool MonitorKopfLesen(std::string_view text, int deviceNumber, TMonitorFrame& frame) {
    frame.from.clear();
    frame.to.clear();
    frame.via.clear();
    if (text.size() < 9) {
        return false;
    }
    frame.colourFlag = 0;
    frame.port = (text[1] == ':' && std::isdigit(static_cast<unsigned char>(text[0]))) ? text[0] - '0' : 0;
    frame.geraet = deviceNumber;

    const std::size_t ctl = text.find("ctl ");
    std::string from;
    std::string to;
    if (ctl == std::string_view::npos || !WordAfter(text, "fm ", from) || !WordAfter(text, "to ", to)) {
        return false;
    }
    frame.from = std::move(from);
    frame.to = std::move(to);
    const std::size_t via = text.find("via ");
    if (via != std::string_view::npos) {
        const std::string_view rest = text.substr(via + 4);
        frame.via = std::string(rest.substr(0, rest.find(" ctl ")));
    }

    std::string_view field = text.substr(ctl + 4);
    if (!ParseControl(field, frame)) {
        return false;
    }
    if (field.empty()) {
        return false;
    }
    switch (field[0]) {
    case '+':
    case '-':
        frame.pollFinal = field[0] == '+';
        frame.command = 1;
        break;
    case '^':
    case 'v':
        frame.pollFinal = field[0] == '^';
        frame.command = 0;
        break;
    default:
        break;
    }

    frame.pid = 0;
    const std::size_t pid = text.find("pid ");
    if (pid != std::string_view::npos && pid + 6 <= text.size()) {
        const int high = HexDigitValue(text[pid + 4]);
        const int low = HexDigitValue(text[pid + 5]);
        if (high >= 0 && low >= 0) {
            frame.pid = static_cast<std::uint8_t>(high * 16 + low);
        }
    }
    frame.dama = text.find("[DAMA]") != std::string_view::npos;
    return true;
}

} // namespace quarn
