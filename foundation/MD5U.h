#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

// MD5 (RFC 1321) with a hexadecimal digest, for DIDADIT, the MD5 login answer and the names of
// incomplete files.

using MD5Digest = std::array<std::uint8_t, 16>;

// The running state of one digest. A fresh context is ready for MD5Update; MD5Final wipes it, and
// MD5Init makes it ready again.
class MD5Context {
public:
    MD5Context();
    friend void MD5Init(MD5Context& context);
    friend void MD5Update(MD5Context& context, const void* bytes, std::size_t length);
    friend void MD5Final(MD5Context& context, MD5Digest& digest);

private:
    void Transform(const std::uint8_t* block);

    std::array<std::uint32_t, 4> state_;
    std::uint64_t bitCount_;
    std::array<std::uint8_t, 64> buffer_;
};

void MD5Init(MD5Context& context);
void MD5Update(MD5Context& context, const void* bytes, std::size_t length);
// Pads, appends the bit count, writes the digest and wipes the context.
void MD5Final(MD5Context& context, MD5Digest& digest);
// MD5Update in pieces of at most 16,384 bytes.
void MD5UpdateChunked(MD5Context& context, const void* bytes, std::size_t length);

// The digest as 32 upper-case hexadecimal digits.
std::string MD5Buffer(const void* bytes, std::size_t length);
std::string MD5String(std::string_view text);

// Two upper-case hexadecimal digits per byte, in byte order.
std::string MD5DigestToHex(const MD5Digest& digest);
// The inverse, for exactly 32 hexadecimal digits of either case; anything else (a pair that is no
// hexadecimal number, an odd or wrong length) raises EConvertError.
MD5Digest MD5HexToDigest(std::string_view text);

} // namespace quarn
