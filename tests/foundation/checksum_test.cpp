#include "foundation/CrcU.h"
#include "foundation/MD5U.h"
#include "platform/Exception.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace quarn {
namespace {

// Sizes around the MD5 block and padding edges and across the 16 KiB pieces of MD5UpdateChunked.
const std::size_t kSizes[] = {0, 1, 3, 55, 56, 57, 63, 64, 65, 127, 128, 1000, 16384, 16385, 50'000};

std::string RandomBytes(std::size_t length, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(length, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator() & 0xFF);
    }
    return bytes;
}

std::string ReferenceMd5(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Md5)
        .toHex()
        .toUpper()
        .toStdString();
}

TEST(Crc16, UsesTheTransferFormatsUpdateForm) {
    EXPECT_EQ(Crc16Str("abc", 0), 0x1EE4);
    // With the old high byte n and a zero data byte, one step yields table entry n.
    EXPECT_EQ(Crc16Str(std::string(1, '\0'), 0x0100), 0x1021);
    EXPECT_EQ(Crc16Str(std::string(1, '\0'), 0x0200), 0x2042);
    for (const std::uint16_t start : {0x0000, 0x1234, 0xFFFF}) {
        EXPECT_EQ(Crc16Str("", start), start);
    }
}

TEST(Crc16, BufferAndTextAgreeAndPiecesChain) {
    for (const std::size_t size : kSizes) {
        const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
        const std::uint16_t whole = Crc16Str(bytes, 0);
        EXPECT_EQ(Crc16Buf(bytes.data(), bytes.size(), 0), whole) << size;
        const std::size_t half = size / 2;
        EXPECT_EQ(Crc16Str(std::string_view(bytes).substr(half), Crc16Str(bytes.substr(0, half), 0)), whole)
            << size;
    }
}

TEST(Crc32, MatchesZlib) {
    for (const std::size_t size : kSizes) {
        const std::string bytes = RandomBytes(size, 100 + static_cast<unsigned>(size));
        std::uint32_t crc = 0xFFFFFFFFu;
        for (const char byte : bytes) {
            crc = Crc32Byte(static_cast<std::uint8_t>(byte), crc);
        }
        const auto expected =
            ::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
        EXPECT_EQ(~crc, expected) << size;
        const std::size_t half = size / 2;
        EXPECT_EQ(~Crc32Buf(bytes.data() + half, size - half, Crc32Buf(bytes.data(), half, 0xFFFFFFFFu)),
                  expected)
            << size;
    }
}

TEST(MD5, KnownDigests) {
    EXPECT_EQ(MD5String(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(MD5String("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(MD5String(std::string("a\0b", 3)), ReferenceMd5(std::string("a\0b", 3))); // NUL is a byte
}

TEST(MD5, MatchesQtOverRandomBuffersWholeAndInPieces) {
    for (const std::size_t size : kSizes) {
        const std::string bytes = RandomBytes(size, 200 + static_cast<unsigned>(size));
        const std::string expected = ReferenceMd5(bytes);
        EXPECT_EQ(MD5Buffer(bytes.data(), bytes.size()), expected) << size;

        // Uneven pieces cross block edges; a finished context is reused after MD5Init.
        MD5Context context;
        MD5Update(context, "junk", 4);
        MD5Digest digest;
        MD5Final(context, digest);
        MD5Init(context);
        for (std::size_t offset = 0; offset < size;) {
            const std::size_t piece = std::min<std::size_t>(size - offset, 1 + offset % 97);
            MD5Update(context, bytes.data() + offset, piece);
            offset += piece;
        }
        MD5Final(context, digest);
        EXPECT_EQ(MD5DigestToHex(digest), expected) << size;

        MD5Init(context);
        MD5UpdateChunked(context, bytes.data(), bytes.size());
        MD5Final(context, digest);
        EXPECT_EQ(MD5DigestToHex(digest), expected) << size;
    }
}

TEST(MD5, HexRoundTripAndBadHex) {
    MD5Context context;
    MD5Update(context, "Quarn", 5);
    MD5Digest digest;
    MD5Final(context, digest);
    const std::string hex = MD5DigestToHex(digest);
    EXPECT_EQ(MD5HexToDigest(hex), digest);
    EXPECT_EQ(MD5HexToDigest("d41d8cd98f00b204e9800998ecf8427e"), MD5HexToDigest(MD5String("")));

    const std::string good = "D41D8CD98F00B204E9800998ECF8427E";
    const std::string bad[] = {
        "G41D8CD98F00B204E9800998ECF8427E", // not a hexadecimal digit
        "D41D8CD98F00B204E9800998ECF842 E", // blank inside a pair
        good.substr(0, 31),                 // odd length
        good.substr(0, 30),                 // too short
        good + "00",                        // too long
        "",
    };
    for (const std::string& text : bad) {
        EXPECT_THROW(MD5HexToDigest(text), EConvertError) << text;
    }
}

} // namespace
} // namespace quarn
