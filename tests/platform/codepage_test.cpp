#include "platform/Codepage.h"

#include <QChar>
#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>
#include <string>

namespace quarn {
namespace {

std::string AllBytes() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

// glibc's own converter as an independent reference for a single byte; nothing when it has no mapping.
std::optional<char16_t> IconvChar(const char* codePage, std::uint8_t byte) {
    iconv_t converter = ::iconv_open("UTF-16LE", codePage);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    char input = static_cast<char>(byte);
    std::array<unsigned char, 8> output{};
    char* in = &input;
    char* out = reinterpret_cast<char*>(output.data());
    std::size_t inLeft = 1;
    std::size_t outLeft = output.size();
    const std::size_t result = ::iconv(converter, &in, &inLeft, &out, &outLeft);
    ::iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || output.size() - outLeft != 2) {
        return std::nullopt;
    }
    return static_cast<char16_t>(output[0] | (output[1] << 8));
}

bool HasIconv(const char* codePage) {
    iconv_t converter = ::iconv_open("UTF-16LE", codePage);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    ::iconv_close(converter);
    return true;
}

bool IsUndefinedInCp1252(std::uint8_t byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

TEST(Codepage, Cp1252MatchesTheReferenceAndItsUndefinedBytesAreC1Controls) {
    if (!HasIconv("CP1252")) {
        GTEST_SKIP() << "iconv has no CP1252";
    }
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<std::uint8_t>(value);
        const char16_t expected = IsUndefinedInCp1252(byte) ? char16_t(value) : *IconvChar("CP1252", byte);
        EXPECT_EQ(Cp1252ToUnicode(byte), expected) << "byte " << value;
    }
    EXPECT_EQ(Cp1252ToUnicode(0x80), u'\u20AC');
}

TEST(Codepage, Cp850MatchesTheReference) {
    if (!HasIconv("IBM850")) {
        GTEST_SKIP() << "iconv has no IBM850";
    }
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<std::uint8_t>(value);
        EXPECT_EQ(Cp850ToUnicode(byte), IconvChar("IBM850", byte)) << "byte " << value;
    }
    EXPECT_EQ(Cp850ToUnicode(0xC9), u'\u2554');
}

TEST(Codepage, EveryCp1252ByteSurvivesEachUnicodeRoute) {
    const std::string bytes = AllBytes();
    for (int value = 0; value < 256; ++value) {
        std::uint8_t back = 0;
        ASSERT_TRUE(UnicodeToCp1252(Cp1252ToUnicode(static_cast<std::uint8_t>(value)), back));
        EXPECT_EQ(back, value);
    }
    EXPECT_EQ(QStringToCp1252(Cp1252ToQString(bytes)), bytes);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(bytes)), bytes);
    EXPECT_EQ(Cp1252ToQString(bytes).toUtf8().toStdString(), Cp1252ToUtf8(bytes));
}

TEST(Codepage, GermanUmlautsConvertToAndFromUtf8) {
    const std::string cp1252 = "\xE4\xF6\xFC\xC4\xD6\xDC\xDF";
    const std::string utf8 = "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x84\xC3\x96\xC3\x9C\xC3\x9F";
    EXPECT_EQ(Cp1252ToUtf8(cp1252), utf8);
    EXPECT_EQ(Utf8ToCp1252(utf8), cp1252);
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
}

TEST(Codepage, CharactersOutsideCp1252BecomeTheReplacement) {
    struct Case {
        const char* utf8;
        char replacement;
        std::string expected;
    };
    const Case cases[] = {
        {"a\xC4\x80z", '?', "a?z"},            // U+0100
        {"\xCE\xA9", '_', "_"},                // Greek Omega
        {"x\xF0\x9F\x98\x80y", '?', "x?y"},    // one character beyond the BMP
        {"\xC2\x80", '?', "?"},                // a C1 control that is not one of the five
        {"\xC2\x81\xC2\x9D", '?', "\x81\x9D"}, // the five stand for themselves
        {"ok\xFF", '?', "ok?"},                // malformed UTF-8
    };
    for (const Case& item : cases) {
        EXPECT_EQ(Utf8ToCp1252(item.utf8, item.replacement), item.expected) << item.utf8;
    }
    EXPECT_EQ(Utf8ToCp1252(std::string_view("a\0b", 3)), std::string("a\0b", 3));
    std::uint8_t byte = 0;
    EXPECT_FALSE(UnicodeToCp1252(U'\u0100', byte));
    EXPECT_EQ(QStringToCp1252(QString(QChar(0xD800)) + "x"), "?x"); // a lone surrogate
}

TEST(Codepage, Cp850AndCp1252AreInverseByteTables) {
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<std::uint8_t>(value);
        EXPECT_EQ(Cp1252ToCp850(Cp850ToCp1252(byte)), byte);
        EXPECT_EQ(Cp850ToCp1252(Cp1252ToCp850(byte)), byte);
    }
    const std::string bytes = AllBytes();
    EXPECT_EQ(Cp1252ToCp850(Cp850ToCp1252(bytes)), bytes);
    EXPECT_EQ(Cp850ToCp1252("\x81\x84\x94\xE1"), "\xFC\xE4\xF6\xDF");
}

TEST(Codepage, SharedCharactersKeepIdentityAndTheRestFillTheLeftOversInOrder) {
    int lastAssigned = -1;
    int lacking = 0;
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<std::uint8_t>(value);
        const char16_t character = Cp850ToUnicode(byte);
        std::uint8_t cp1252 = 0;
        if (UnicodeToCp1252(character, cp1252)) {
            EXPECT_EQ(Cp850ToCp1252(byte), cp1252) << "byte " << value;
            continue;
        }
        ++lacking;
        // Stored text depends on this order: ascending CP850 bytes take ascending left-over bytes.
        EXPECT_GT(Cp850ToCp1252(byte), lastAssigned) << "byte " << value;
        lastAssigned = Cp850ToCp1252(byte);
        EXPECT_NE(Cp1252ToUnicode(Cp850ToCp1252(byte)), character);
    }
    EXPECT_EQ(lacking, 31);
    EXPECT_EQ(Cp850ToCp1252(0xB0), 0x80); // the light shade takes the euro's byte, the first one left over
}

TEST(Codepage, CaseMappingTable) {
    struct Pair {
        std::uint8_t lower;
        std::uint8_t upper;
    };
    const Pair pairs[] = {{'a', 'A'},   {'z', 'Z'},   {0xE0, 0xC0}, {0xE4, 0xC4}, {0xF6, 0xD6}, {0xF8, 0xD8},
                          {0xFE, 0xDE}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};
    for (const Pair& pair : pairs) {
        EXPECT_EQ(Cp1252Upper(pair.lower), pair.upper) << int(pair.lower);
        EXPECT_EQ(Cp1252Lower(pair.upper), pair.lower) << int(pair.upper);
    }
    for (const int unchanged : {0xDF, 0xF7, 0xD7, 0xB5, 0x83, int('1'), int('@'), int('['), 0x80}) {
        EXPECT_EQ(Cp1252Upper(static_cast<std::uint8_t>(unchanged)), unchanged) << unchanged;
        EXPECT_EQ(Cp1252Lower(static_cast<std::uint8_t>(unchanged)), unchanged) << unchanged;
    }
    EXPECT_EQ(Cp1252UpperCase("Stra\xDF"
                              "e \xE4\x9A\xFF"),
              "STRA\xDF"
              "E \xC4\x8A\x9F");
    EXPECT_EQ(Cp1252LowerCase("\xC4\xD6\xDC\x8C"), "\xE4\xF6\xFC\x9C");
}

TEST(Codepage, CaseMappingAgreesWithUnicodeWhereTheResultIsInThePage) {
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<std::uint8_t>(value);
        const QChar character(Cp1252ToUnicode(byte));
        std::uint8_t upper = byte;
        std::uint8_t lower = byte;
        if (!UnicodeToCp1252(character.toUpper().unicode(), upper)) {
            upper = byte;
        }
        if (!UnicodeToCp1252(character.toLower().unicode(), lower)) {
            lower = byte;
        }
        EXPECT_EQ(Cp1252Upper(byte), upper) << "byte " << value;
        EXPECT_EQ(Cp1252Lower(byte), lower) << "byte " << value;
    }
}

} // namespace
} // namespace quarn
