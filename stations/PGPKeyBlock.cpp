#include "stations/PGPKeyBlock.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

namespace quarn {

namespace {

constexpr std::string_view kBegin = "-----BEGIN PGP ";
constexpr std::string_view kDashes = "-----";

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\0')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
            ++end;
        }
        start = end + 1;
    }
    return lines;
}

std::optional<std::string> DecodeBase64(const std::string& text) {
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(text),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        return std::nullopt;
    }
    return decoded.decoded.toStdString();
}

std::uint32_t Crc24(std::string_view bytes) {
    std::uint32_t crc = 0xB704CE;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16;
        for (int bit = 0; bit < 8; ++bit) {
            crc <<= 1;
            if ((crc & 0x1000000) != 0) {
                crc ^= 0x1864CFB;
            }
        }
    }
    return crc & 0xFFFFFF;
}

bool AllowedInPublicKeyBlock(int tag) {
    switch (tag) {
    case 2:  // signature
    case 6:  // public key
    case 12: // trust
    case 13: // user id
    case 14: // public sub-key
    case 17: // user attribute
        return true;
    default:
        return false;
    }
}

TKeyBlockContent ClassifyPackets(std::string_view data) {
    if (data.empty()) {
        return TKeyBlockContent::Damaged;
    }
    bool damaged = false;
    std::size_t at = 0;
    while (at < data.size()) {
        const auto byte = [&](std::size_t index) { return static_cast<std::uint8_t>(data[index]); };
        const std::uint8_t head = byte(at);
        if ((head & 0x80) == 0) {
            return TKeyBlockContent::Damaged;
        }
        int tag = 0;
        std::size_t headerSize = 1;
        std::uint64_t length = 0;
        const std::size_t left = data.size() - at;
        if ((head & 0x40) != 0) {
            tag = head & 0x3F;
            if (left < 2) {
                return TKeyBlockContent::Damaged;
            }
            const std::uint8_t first = byte(at + 1);
            if (first < 192) {
                headerSize = 2;
                length = first;
            } else if (first < 224) {
                if (left < 3) {
                    return TKeyBlockContent::Damaged;
                }
                headerSize = 3;
                length = ((first - 192u) << 8) + byte(at + 2) + 192u;
            } else if (first == 255) {
                if (left < 6) {
                    return TKeyBlockContent::Damaged;
                }
                headerSize = 6;
                length = (std::uint64_t{byte(at + 2)} << 24) | (std::uint64_t{byte(at + 3)} << 16) |
                         (std::uint64_t{byte(at + 4)} << 8) | byte(at + 5);
            } else {
                // Partial lengths belong to data packets, never to key material.
                return TKeyBlockContent::Damaged;
            }
        } else {
            tag = (head >> 2) & 0x0F;
            const int lengthType = head & 0x03;
            if (lengthType == 3) {
                return TKeyBlockContent::Damaged;
            }
            const std::size_t lengthBytes = std::size_t{1} << lengthType;
            if (left < 1 + lengthBytes) {
                return TKeyBlockContent::Damaged;
            }
            headerSize = 1 + lengthBytes;
            for (std::size_t i = 0; i < lengthBytes; ++i) {
                length = (length << 8) | byte(at + 1 + i);
            }
        }
        if (tag == 5 || tag == 7) {
            return TKeyBlockContent::SecretKeys;
        }
        if (!AllowedInPublicKeyBlock(tag)) {
            damaged = true;
        }
        if (length > left - headerSize) {
            return TKeyBlockContent::Damaged;
        }
        at += headerSize + static_cast<std::size_t>(length);
    }
    return damaged ? TKeyBlockContent::Damaged : TKeyBlockContent::PublicKeys;
}

} // namespace

TKeyBlock ReadPublicKeyBlock(std::string_view text) {
    const std::vector<std::string_view> lines = Lines(text);
    std::size_t index = 0;
    while (index < lines.size() && !lines[index].starts_with(kBegin)) {
        ++index;
    }
    if (index == lines.size() || !lines[index].ends_with(kDashes)) {
        return {};
    }
    const std::string_view label =
        lines[index].substr(kBegin.size(), lines[index].size() - kBegin.size() - kDashes.size());
    if (label == "PRIVATE KEY BLOCK" || label == "SECRET KEY BLOCK") {
        return {TKeyBlockContent::SecretKeys, {}};
    }
    if (label != "PUBLIC KEY BLOCK") {
        return {};
    }
    const std::string end = std::string(kDashes) + "END PGP " + std::string(label) + std::string(kDashes);
    ++index;
    // Armour headers ("Version: ...") up to the blank line; some writers leave both out.
    if (index < lines.size() && lines[index].find(": ") != std::string_view::npos) {
        while (index < lines.size() && !lines[index].empty()) {
            ++index;
        }
    }
    std::string body;
    std::optional<std::string> checksum;
    bool ended = false;
    for (; index < lines.size(); ++index) {
        const std::string_view line = lines[index];
        if (line == end) {
            ended = true;
            break;
        }
        if (line.empty()) {
            continue;
        }
        if (line.starts_with(kDashes) || checksum) {
            return {};
        }
        if (line.front() == '=') {
            checksum = std::string(line.substr(1));
            continue;
        }
        body.append(line);
    }
    if (!ended) {
        return {};
    }
    const std::optional<std::string> packets = DecodeBase64(body);
    if (!packets) {
        return {};
    }
    if (checksum) {
        const std::optional<std::string> crc = DecodeBase64(*checksum);
        if (!crc || crc->size() != 3) {
            return {};
        }
        const std::uint32_t expected = (std::uint32_t{static_cast<std::uint8_t>((*crc)[0])} << 16) |
                                       (std::uint32_t{static_cast<std::uint8_t>((*crc)[1])} << 8) |
                                       static_cast<std::uint8_t>((*crc)[2]);
        if (expected != Crc24(*packets)) {
            return {};
        }
    }
    const TKeyBlockContent content = ClassifyPackets(*packets);
    if (content != TKeyBlockContent::PublicKeys) {
        return {content, {}};
    }
    return {content, *packets};
}

} // namespace quarn
