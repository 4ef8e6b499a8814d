#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quarn {

// CRC-16 of the transfer formats (AutoBIN, DIDADIT, BinSplit): polynomial 0x1021, most significant bit
// first, but in this form of the update, which the peers expect:
//   crc = ((crc << 8) & 0xFFFF) ^ byte ^ table[crc >> 8]
// It is not the common CCITT update: "abc" from 0 gives 0x1EE4. The caller chooses the start value
// (0 in every transfer format) and passes the result on for the next piece.
std::uint16_t Crc16Str(std::string_view text, std::uint16_t crc);
std::uint16_t Crc16Buf(const void* buffer, std::size_t length, std::uint16_t crc);

// One byte step of the reflected CRC-32 of IEEE 802.3 (zlib's table). Callers start with 0xFFFFFFFF and
// complement the result where their format says so.
std::uint32_t Crc32Byte(std::uint8_t byte, std::uint32_t crc);
// The same over a buffer.
std::uint32_t Crc32Buf(const void* buffer, std::size_t length, std::uint32_t crc);

} // namespace quarn
