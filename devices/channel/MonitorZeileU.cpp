#include "devices/channel/MonitorZeileU.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

namespace quarn {

namespace {

constexpr std::uint8_t kPidText = 0xF0;
constexpr std::size_t kBinaryWindow = 24;
constexpr int kBinaryThreshold = 3;

constexpr std::array<std::uint8_t, 256> BuildClassTable() {
    std::array<std::uint8_t, 256> table{};
    table.fill(1);
    table['\r'] = 0;
    for (int c = 32; c <= 126; ++c) {
        table[static_cast<std::size_t>(c)] = 0;
    }
    // Umlauts and sharp s of the Windows and the DOS code page are text as well.
    for (const int c : {128, 129, 132, 142, 148, 153, 154, 196, 214, 220, 223, 225, 228, 246, 252}) {
        table[static_cast<std::size_t>(c)] = 0;
    }
    table[0] = 4;
    table[192] = 4;
    table[127] = 3;
    table[254] = 3;
    table[255] = 3;
    return table;
}

constexpr std::array<std::uint8_t, 256> kClassTable = BuildClassTable();

bool LooksBinary(std::string_view information) {
    int points = 0;
    for (const char c : information.substr(0, std::min(information.size(), kBinaryWindow))) {
        points += kClassTable[static_cast<unsigned char>(c)];
        if (points > kBinaryThreshold) {
            return true;
        }
    }
    return false;
}

void AppendNumber(std::string& text, long long number) {
    char digits[24];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), number);
    text.append(digits, result.ptr);
}

void AppendControl(std::string& text, const TMonitorFrame& frame) {
    switch (frame.kind) {
    case 1:
        text += 'I';
        AppendNumber(text, frame.sequence1);
        AppendNumber(text, frame.sequence2);
        return;
    case 2:
        text += "RR";
        AppendNumber(text, frame.sequence1);
        return;
    case 3:
        text += "RNR";
        AppendNumber(text, frame.sequence1);
        return;
    case 4:
        text += "REJ";
        AppendNumber(text, frame.sequence1);
        return;
    case 5:
        text += "SABM";
        return;
    case 6:
        text += "DISC";
        return;
    case 7:
        text += "DM";
        return;
    case 8:
        text += "UA";
        return;
    case 9:
        text += "FRMR";
        return;
    case 10:
        text += "UI";
        return;
    default:
        text += "???";
        return;
    }
}

char PollFinalMark(const TMonitorFrame& frame) {
    if (frame.command != 0) {
        return frame.pollFinal != 0 ? '+' : '-';
    }
    return frame.pollFinal != 0 ? '^' : 'v';
}

void AppendHexByte(std::string& text, std::uint8_t value) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    text += kDigits[value >> 4];
    text += kDigits[value & 0x0F];
}

} // namespace

const std::array<std::uint8_t, 256>& MonitorKlassenTabelle() {
    return kClassTable;
}

std::optional<TMonitorZeile> MonitorZeileFormatieren(const TMonitorFrame& frame, std::int32_t monitorFlags) {
    if (frame.from.empty()) {
        return std::nullopt;
    }
    const bool iFrame = frame.kind == 1;
    bool binary = false;
    if (iFrame && (monitorFlags & kMonitorNoBinaryDetection) == 0) {
        binary = frame.pid != kPidText || LooksBinary(frame.information);
    }

    TMonitorZeile line;
    std::string& kopf = line.kopf;
    kopf.reserve(32 + frame.from.size() + frame.to.size() + frame.via.size());
    kopf += '[';
    if (monitorFlags & kMonitorPortPrefix) {
        // A device from 10 on or a port from 100 on just makes the prefix wider.
        char prefix[32];
        const int length = std::snprintf(prefix, sizeof prefix, "%1d%2.2d: ", frame.geraet, frame.port);
        kopf.append(prefix, static_cast<std::size_t>(std::clamp(length, 0, int(sizeof prefix) - 1)));
    }
    kopf += frame.from;
    kopf += " > ";
    kopf += frame.to;
    if (!frame.via.empty()) {
        kopf += " v ";
        kopf += frame.via;
    }
    kopf += ' ';
    AppendControl(kopf, frame);
    kopf += PollFinalMark(frame);
    if (frame.dama != 0) {
        kopf += " DAMA";
    }
    if (binary) {
        kopf += " BIN";
        AppendNumber(kopf, static_cast<long long>(frame.information.size()));
    }
    if (iFrame && frame.pid != kPidText) {
        kopf += " $";
        AppendHexByte(kopf, frame.pid);
    }
    kopf += ']';

    if (!binary) {
        line.information = frame.information;
    }
    return line;
}

} // namespace quarn
