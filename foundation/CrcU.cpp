#include "foundation/CrcU.h"

#include <array>

namespace quarn {
namespace {

constexpr std::array<std::uint16_t, 256> MakeCrc16Table() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned index = 0; index < 256; ++index) {
        unsigned crc = index << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1;
        }
        table[index] = static_cast<std::uint16_t>(crc);
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t index = 0; index < 256; ++index) {
        std::uint32_t crc = index;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
        table[index] = crc;
    }
    return table;
}

constexpr auto kCrc16Table = MakeCrc16Table();
constexpr auto kCrc32Table = MakeCrc32Table();
static_assert(kCrc16Table[1] == 0x1021 && kCrc16Table[2] == 0x2042);
static_assert(kCrc32Table[1] == 0x77073096u);

} // namespace

std::uint16_t Crc16Buf(const void* buffer, std::size_t length, std::uint16_t crc) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    for (std::size_t index = 0; index < length; ++index) {
        crc = static_cast<std::uint16_t>(((crc << 8) & 0xFFFF) ^ bytes[index] ^ kCrc16Table[crc >> 8]);
    }
    return crc;
}

std::uint16_t Crc16Str(std::string_view text, std::uint16_t crc) {
    return Crc16Buf(text.data(), text.size(), crc);
}

std::uint32_t Crc32Byte(std::uint8_t byte, std::uint32_t crc) {
    return kCrc32Table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

std::uint32_t Crc32Buf(const void* buffer, std::size_t length, std::uint32_t crc) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < length; ++i) {
        crc = kCrc32Table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

} // namespace quarn
