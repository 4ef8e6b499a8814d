#include "devices/flexnet/AgwMonitor.h"

#include <string>

namespace quarn {
namespace {

constexpr std::size_t kAddressLength = 7;
constexpr std::size_t kMaxDigis = 8;
constexpr unsigned char kAddressEnd = 0x01;
constexpr unsigned char kHighBit = 0x80; // C bit of destination and source, H bit of a digipeater

unsigned char Byte(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]);
}

std::optional<std::string> AddressText(std::string_view address) {
    std::string call;
    for (std::size_t i = 0; i < 6; ++i) {
        const char c = static_cast<char>(Byte(address, i) >> 1);
        if (c == ' ') {
            continue;
        }
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return std::nullopt;
        }
        call += c;
    }
    if (call.empty()) {
        return std::nullopt;
    }
    const int ssid = (Byte(address, 6) >> 1) & 0x0F;
    if (ssid != 0) {
        call += '-' + std::to_string(ssid);
    }
    return call;
}

struct UKind {
    unsigned char control; // without the poll/final bit
    std::uint8_t kind;
    std::optional<bool> modulo128;
};

constexpr UKind kUKinds[] = {
    {0x2F, 5, false},         {0x6F, 5, true},         {0x43, 6, false},
    {0x0F, 7, false},         {0x63, 8, std::nullopt}, {0x87, 9, std::nullopt},
    {0x03, 10, std::nullopt}, {0xAF, 0, std::nullopt}, {0xE3, 0, std::nullopt},
};

// The pids an information frame carries in practice: no layer 3 (text), NET/ROM, IP, ARP, the
// segmentation fragment, the other registered ones, and escape.
bool BekanntePid(unsigned char pid) {
    switch (pid) {
    case 0xF0:
    case 0xCF:
    case 0xCC:
    case 0xCD:
    case 0xCE:
    case 0x08:
    case 0x01:
    case 0x06:
    case 0x07:
    case 0xC3:
    case 0xC4:
    case 0xCA:
    case 0xCB:
    case 0xFF:
        return true;
    default:
        return false;
    }
}

// How an I or S frame counts when the link's start was not seen. `rest` is what follows the first
// control byte.
bool Modulo128Erkennen(unsigned char control, std::string_view rest) {
    if ((control & 0x01) != 0) {
        // A supervisory frame is one control byte on a modulo-8 link, two on a modulo-128 one.
        return rest.size() == 1;
    }
    // An information frame: where does a pid stand, right after the first control byte or after a second?
    if (!rest.empty() && BekanntePid(static_cast<unsigned char>(rest[0]))) {
        return false;
    }
    return rest.size() >= 2 && BekanntePid(static_cast<unsigned char>(rest[1]));
}

} // namespace

std::optional<AgwMonitorFrame> AgwMonitorLesen(std::string_view frame, std::uint8_t kanal,
                                               std::optional<bool> linkModulo128) {
    AgwMonitorFrame result;
    FlexnetMonitor& m = result.monitor;
    m.kanal = kanal;
    std::size_t at = 0;
    std::size_t count = 0;
    bool last = false;
    while (!last) {
        if (frame.size() < at + kAddressLength || count == 2 + kMaxDigis) {
            return std::nullopt;
        }
        const std::string_view address = frame.substr(at, kAddressLength);
        const auto call = AddressText(address);
        if (!call) {
            return std::nullopt;
        }
        const bool high = (Byte(address, 6) & kHighBit) != 0;
        last = (Byte(address, 6) & kAddressEnd) != 0;
        if (count == 0) {
            m.ziel = *call;
            m.kommando = high ? 1 : 0;
        } else if (count == 1) {
            m.quelle = *call;
            // Command when only the destination's C bit is set; both or neither is the old version 1.
            m.kommando = (m.kommando == 1 && !high) ? 1 : 0;
        } else {
            m.digis.push_back(*call);
            if (high) {
                m.digisPassiert = static_cast<std::uint8_t>(m.digis.size());
            }
        }
        at += kAddressLength;
        ++count;
    }
    if (count < 2 || frame.size() <= at) {
        return std::nullopt;
    }
    const unsigned char control = Byte(frame, at++);
    if ((control & 0x01) == 0 || (control & 0x03) == 0x01) {
        bool modulo128 = false;
        if (linkModulo128) {
            modulo128 = *linkModulo128;
        } else {
            modulo128 = Modulo128Erkennen(control, frame.substr(at));
            // Only the length of a supervisory frame is sure enough to remember for the link.
            if ((control & 0x01) != 0) {
                result.linkModulo128 = modulo128;
            }
        }
        // I and S frames carry the sequence numbers, in a second control byte on a modulo-128 link.
        unsigned char second = 0;
        if (modulo128) {
            if (frame.size() <= at) {
                return std::nullopt;
            }
            second = Byte(frame, at++);
            m.pollFinal = second & 0x01;
            m.sequenz1 = static_cast<std::uint8_t>(second >> 1);
        } else {
            m.pollFinal = (control >> 4) & 0x01;
            m.sequenz1 = static_cast<std::uint8_t>(control >> 5);
        }
        if ((control & 0x01) == 0) {
            m.art = 1;
            m.sequenz2 = static_cast<std::uint8_t>(modulo128 ? control >> 1 : (control >> 1) & 0x07);
            if (frame.size() <= at) {
                return std::nullopt;
            }
            m.pid = Byte(frame, at++);
            m.info = std::string(frame.substr(at));
            return result;
        }
        static constexpr std::uint8_t kSKinds[] = {2, 3, 4, 0}; // RR, RNR, REJ, SREJ
        m.art = kSKinds[(control >> 2) & 0x03];
        return result;
    }
    m.pollFinal = (control >> 4) & 0x01;
    const unsigned char base = control & static_cast<unsigned char>(~0x10);
    for (const UKind& u : kUKinds) {
        if (u.control == base) {
            m.art = u.kind;
            result.linkModulo128 = u.modulo128;
            break;
        }
    }
    if (m.art == 10) {
        if (frame.size() <= at) {
            return std::nullopt;
        }
        m.pid = Byte(frame, at++);
        m.info = std::string(frame.substr(at));
    } else if (m.art == 9) {
        m.info = std::string(frame.substr(at));
    }
    return result;
}

} // namespace quarn
