#include "connections/standard/StandardErkennungU.h"

#include "foundation/regex/RegExpressionU.h"
#include "platform/Codepage.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quarn {

namespace {

using enum TStationType;

// Search order matters (same position: the earlier entry wins) and so do trailing blanks.
constexpr std::array<TArtTreffer, 42> kArtTabelle = {{
    {"DieBox", st_box},      {"BayBox", st_box},        {"BayCom-Mailbox", st_box}, {"TheBox", st_box},
    {"BBS", st_box},         {"DVMS ", st_box},         {"[FBB", st_box},           {"[DP-", st_box},
    {"3NET ", st_digi},      {"(3)NET ", st_digi},      {"XNET", st_digi},          {"XNet", st_digi},
    {"Xnet", st_digi},       {"(X)NET", st_digi},       {"(X)Net", st_digi},        {"X-Net", st_digi},
    {"DAMA", st_digi},       {"DosNET", st_digi},       {"LinuxNET", st_digi},      {"LinuXnet", st_digi},
    {"PCNET", st_digi},      {"(PC)NET", st_digi},      {"Digi ", st_digi},         {"DIGI ", st_digi},
    {"TNN ", st_digi},       {"RMNC/FlexNet", st_digi}, {"PC/FlexNet", st_digi},    {"TheNetNode", st_digi},
    {"SNET", st_digi},       {"Digiware", st_digi},     {"NetCHL", st_digi},        {"BPQ", st_digi},
    {"TheNet", st_digi},     {"SuperVozelj", st_digi},  {"ItaNet", st_digi},        {"[TNOS", st_digi},
    {"Node", st_digi},       {"node", st_digi},         {"network", st_digi},       {"Interlink", st_digi},
    {"Convers", st_convers}, {"Mailbox", st_box},
}};

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

} // namespace

bool IstStationsKennung(std::string_view text) {
    if (text.size() < 6 || text.size() > 78 || text.front() != '{' || text.back() != '}') {
        return false;
    }
    if (text[1] == '-' || text[text.size() - 2] == '-') {
        return false;
    }
    const std::string_view inner = text.substr(2, text.size() - 3);
    if (std::count(inner.begin(), inner.end(), '-') != 2) {
        return false;
    }
    return inner.find("--") == std::string_view::npos;
}

std::string KennungMerkmale(std::string_view kennung) {
    TRegExpression expression = StationIdExpression();
    return expression.Exec(kennung) ? expression.Match(1) : std::string();
}

std::optional<TArtTreffer> ErrateStationsArt(std::string_view line) {
    std::optional<TArtTreffer> best;
    std::size_t bestPos = std::string_view::npos;
    for (const TArtTreffer& entry : kArtTabelle) {
        const std::size_t pos = line.find(entry.eintrag);
        if (pos < bestPos) {
            bestPos = pos;
            best = entry;
        }
    }
    return best;
}

bool IstConversBeginn(std::string_view line) {
    return line.starts_with("conversd @ ") || line.starts_with("kaconversd @ ");
}

bool IstConversEnde(std::string_view line) {
    static constexpr std::string_view kEnde = "CONVERS SESSION TERMINATED.";
    return line.size() >= kEnde.size() && Cp1252UpperCase(line.substr(0, kEnde.size())) == kEnde;
}

std::optional<TKnotenSprung> ErkenneKnotenSprung(std::string_view line) {
    std::string upper = Cp1252UpperCase(line);
    if (const auto cr = upper.find('\r'); cr != std::string::npos) {
        upper.erase(cr);
    }
    if (upper.size() <= 1 || upper.front() == ' ') {
        return std::nullopt;
    }
    TKnotenSprung jump;
    static constexpr std::string_view kConnected = " CONNECTED TO ";
    static constexpr std::string_view kReconnected = " RECONNECTED TO ";
    std::string rest;
    if (const auto pos = upper.find(kConnected); pos != std::string::npos) {
        rest = upper.substr(pos + kConnected.size());
    } else if (const auto rpos = upper.find(kReconnected); rpos != std::string::npos) {
        rest = upper.substr(rpos + kReconnected.size());
        jump.reconnect = true;
    } else {
        return std::nullopt;
    }
    // A port prefix such as "2:" or "HF:" in front of the call.
    if (const auto colon = rest.find(':');
        colon != std::string::npos && colon < 9 && colon + 1 < rest.size()) {
        const auto next = static_cast<unsigned char>(rest[colon + 1]);
        if (std::isdigit(next) != 0 || (next >= 'A' && next <= 'Z')) {
            rest.erase(0, colon + 1);
        }
    }
    rest = Trim(rest);
    jump.call = rest.substr(0, rest.find(' '));
    if (jump.call.empty()) {
        return std::nullopt;
    }
    return jump;
}

} // namespace quarn
