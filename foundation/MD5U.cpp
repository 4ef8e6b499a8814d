#include "foundation/MD5U.h"

#include "platform/Exception.h"
#include "platform/HexDigit.h"

#include <algorithm>
#include <cstring>

namespace quarn {
namespace {

constexpr std::array<std::uint32_t, 64> kSine = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr std::array<int, 64> kShift = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                        5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                        4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                        6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr std::size_t kChunk = 16384;

std::uint32_t RotateLeft(std::uint32_t value, int count) {
    return (value << count) | (value >> (32 - count));
}

} // namespace

MD5Context::MD5Context() {
    MD5Init(*this);
}

void MD5Context::Transform(const std::uint8_t* block) {
    std::uint32_t words[16];
    for (int index = 0; index < 16; ++index) {
        const std::uint8_t* bytes = block + 4 * index;
        words[index] = std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) |
                       (std::uint32_t(bytes[2]) << 16) | (std::uint32_t(bytes[3]) << 24);
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int step = 0; step < 64; ++step) {
        std::uint32_t mixed;
        int word;
        if (step < 16) {
            mixed = (b & c) | (~b & d);
            word = step;
        } else if (step < 32) {
            mixed = (d & b) | (~d & c);
            word = (5 * step + 1) % 16;
        } else if (step < 48) {
            mixed = b ^ c ^ d;
            word = (3 * step + 5) % 16;
        } else {
            mixed = c ^ (b | ~d);
            word = (7 * step) % 16;
        }
        const std::uint32_t rotated = RotateLeft(a + mixed + kSine[step] + words[word], kShift[step]);
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void MD5Init(MD5Context& context) {
    context.state_ = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
    context.bitCount_ = 0;
    context.buffer_.fill(0);
}

void MD5Update(MD5Context& context, const void* bytes, std::size_t length) {
    const auto* input = static_cast<const std::uint8_t*>(bytes);
    std::size_t used = static_cast<std::size_t>((context.bitCount_ / 8) % 64);
    context.bitCount_ += static_cast<std::uint64_t>(length) * 8;
    if (used > 0) {
        const std::size_t take = std::min(length, 64 - used);
        std::memcpy(context.buffer_.data() + used, input, take);
        input += take;
        length -= take;
        used += take;
        if (used < 64) {
            return;
        }
        context.Transform(context.buffer_.data());
    }
    for (; length >= 64; input += 64, length -= 64) {
        context.Transform(input);
    }
    if (length > 0) {
        std::memcpy(context.buffer_.data(), input, length);
    }
}

void MD5Final(MD5Context& context, MD5Digest& digest) {
    const std::uint64_t bitCount = context.bitCount_;
    std::uint8_t lengthBytes[8];
    for (int index = 0; index < 8; ++index) {
        lengthBytes[index] = static_cast<std::uint8_t>(bitCount >> (8 * index));
    }
    const std::size_t used = static_cast<std::size_t>((bitCount / 8) % 64);
    const std::size_t padLength = used < 56 ? 56 - used : 120 - used;
    std::uint8_t padding[64] = {0x80};
    MD5Update(context, padding, padLength);
    MD5Update(context, lengthBytes, sizeof lengthBytes);
    for (int word = 0; word < 4; ++word) {
        for (int byte = 0; byte < 4; ++byte) {
            digest[4 * word + byte] = static_cast<std::uint8_t>(context.state_[word] >> (8 * byte));
        }
    }
    context.state_.fill(0);
    context.bitCount_ = 0;
    context.buffer_.fill(0);
}

void MD5UpdateChunked(MD5Context& context, const void* bytes, std::size_t length) {
    const auto* input = static_cast<const std::uint8_t*>(bytes);
    while (length > 0) {
        const std::size_t piece = std::min(length, kChunk);
        MD5Update(context, input, piece);
        input += piece;
        length -= piece;
    }
}

std::string MD5Buffer(const void* bytes, std::size_t length) {
    MD5Context context;
    MD5Update(context, bytes, length);
    MD5Digest digest;
    MD5Final(context, digest);
    return MD5DigestToHex(digest);
}

std::string MD5String(std::string_view text) {
    return MD5Buffer(text.data(), text.size());
}

std::string MD5DigestToHex(const MD5Digest& digest) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * digest.size());
    for (const std::uint8_t byte : digest) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

MD5Digest MD5HexToDigest(std::string_view text) {
    MD5Digest digest{};
    if (text.size() != 2 * digest.size()) {
        throw EConvertError("'" + std::string(text) + "' is not a valid MD5 digest");
    }
    for (std::size_t index = 0; index < digest.size(); ++index) {
        const int high = HexDigitValue(text[2 * index]);
        const int low = HexDigitValue(text[2 * index + 1]);
        if (high < 0 || low < 0) {
            throw EConvertError("'" + std::string(text.substr(2 * index, 2)) +
                                "' is not a valid hexadecimal number");
        }
        digest[index] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return digest;
}

} // namespace quarn
