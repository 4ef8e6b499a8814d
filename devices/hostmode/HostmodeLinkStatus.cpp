#include "devices/hostmode/HostmodeLinkStatus.h"

#include "devices/hostmode/GeraetHostmodeText.h"

namespace quarn {

namespace {

struct TMeldungText {
    std::string_view text;
    TLinkMeldung meldung;
};

constexpr std::array<TMeldungText, 8> kMeldungen = {{
    {"BUSY fm", TLinkMeldung::Busy},
    {"CONNECTED to", TLinkMeldung::Connected},
    {"LINK RESET fm", TLinkMeldung::LinkResetFm},
    {"LINK RESET to", TLinkMeldung::LinkResetTo},
    {"DISCONNECTED fm", TLinkMeldung::Disconnected},
    {"LINK FAILURE with", TLinkMeldung::LinkFailure},
    {"CONNECT REQUEST fm", TLinkMeldung::ConnectRequest},
    {"FRAME REJECT", TLinkMeldung::FrameReject},
}};

// Counts above this are no TNC's: nine digits keep every sum of them inside an int.
constexpr std::size_t kMaxZiffern = 9;

// Removes the four characters " via" of the first " via ", leaving call, blank, call.
std::string OhneVia(std::string text) {
    const std::size_t at = text.find(" via ");
    if (at != std::string::npos) {
        text.erase(at, 4);
    }
    return text;
}

} // namespace

TLinkStatus LinkStatusLesen(std::string_view text) {
    const std::size_t colon = text.substr(0, 6).find(':');
    if (colon != std::string_view::npos) {
        text.remove_prefix(colon + 1);
    }
    if (!text.empty() && text.front() == '(') {
        const std::size_t blank = text.find(' ');
        text.remove_prefix(blank == std::string_view::npos ? text.size() : blank + 1);
    }
    for (const TMeldungText& entry : kMeldungen) {
        if (StartsWithNoCase(text, entry.text)) {
            text.remove_prefix(std::min(text.size(), entry.text.size() + 1));
            return {entry.meldung, std::string(text)};
        }
    }
    return {};
}

std::optional<TLinkZaehler> LZaehlerLesen(int code, std::string_view text) {
    if (code != 1 || text.empty()) {
        return std::nullopt;
    }
    std::array<int, 6> numbers{};
    std::size_t index = 0;
    std::size_t digits = 0;
    for (const char c : text) {
        if (c == ' ') {
            if (++index == numbers.size()) {
                break;
            }
            digits = 0;
            continue;
        }
        if (c < '0' || c > '9' || ++digits > kMaxZiffern) {
            return std::nullopt;
        }
        numbers[index] = numbers[index] * 10 + (c - '0');
    }
    return TLinkZaehler{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]};
}

int LinkStatusAusZustand(int state) {
    int value = 0;
    switch (state) {
    case 2:
        value = 3;
        break;
    case 5:
    case 13:
    case 14:
    case 15:
        value = 6;
        break;
    case 6:
    case 10:
    case 11:
    case 12:
        value = 7;
        break;
    default:
        break;
    }
    switch (state) {
    case 7:
    case 9:
    case 10:
    case 12:
    case 13:
    case 15:
        value |= 8;
        break;
    default:
        break;
    }
    switch (state) {
    case 8:
    case 9:
    case 11:
    case 12:
    case 14:
    case 15:
        value |= 0x10;
        break;
    default:
        break;
    }
    return value;
}

int FrackAusAntwort(int value, bool scaled) {
    if (scaled) {
        value /= 10;
    }
    return value <= 10 ? 1 : (value + 5) / 10;
}

std::optional<int> ZahlAusText(std::string_view text) {
    if (text.empty() || text.size() > kMaxZiffern) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string PfadNormalisiert(std::string_view path) {
    std::string result;
    for (const char c : UpperText(TrimText(path))) {
        const bool blank = static_cast<unsigned char>(c) <= ' ';
        if (blank && !result.empty() && result.back() == ' ') {
            continue;
        }
        result += blank ? ' ' : c;
    }
    return result;
}

std::string ConnectPathAus(std::string_view text) {
    if (text.size() > 2 && text[1] == ':') {
        text.remove_prefix(2);
    }
    const std::size_t dash = text.find(" -");
    if (dash != std::string_view::npos) {
        text = text.substr(0, dash);
    }
    return TrimText(OhneVia(std::string(text)));
}

std::optional<std::string> ConnectedToAus(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon < 8) {
        text.remove_prefix(colon + 1);
    }
    if (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    if (StartsWithNoCase(text, "CHANNEL NO") || text.substr(0, 3) == "***") {
        return std::nullopt;
    }
    return OhneVia(std::string(text));
}

} // namespace quarn
