#include "platform/Codepage.h"

#include <array>

namespace quarn {
namespace {

// Windows-1252 0x80-0x9F; the rest of the page is Latin-1. The five bytes Windows leaves undefined
// stand for the C1 controls of the same value.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// CP850 0x80-0xFF; 0x00-0x7F is ASCII.
constexpr std::array<char16_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8, // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0, // F8
};

constexpr char16_t Cp1252Char(std::uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t{byte};
}

constexpr char16_t Cp850Char(std::uint8_t byte) {
    return byte < 0x80 ? char16_t{byte} : kCp850High[byte - 0x80];
}

constexpr int Cp1252ByteOf(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        return static_cast<int>(code);
    }
    for (int index = 0; index < 32; ++index) {
        if (kCp1252High[index] == code) {
            return 0x80 + index;
        }
    }
    return -1;
}

struct ByteTables {
    std::array<std::uint8_t, 256> cp850ToCp1252{};
    std::array<std::uint8_t, 256> cp1252ToCp850{};
};

// A CP850 character that Windows-1252 has keeps its identity. The CP850 characters Windows-1252 lacks
// (the shades, box and block pieces, dotless i, double low line and the square) take, in ascending CP850
// order, the Windows-1252 bytes no CP850 character claims (the five undefined bytes and the characters
// CP850 lacks, such as the euro and the typographic quotes), in ascending order. Both pages have 256
// characters, so the pairing is a bijection.
constexpr ByteTables MakeByteTables() {
    ByteTables tables;
    std::array<bool, 256> claimed{};
    std::array<bool, 256> mapped{};
    for (int cp850 = 0; cp850 < 256; ++cp850) {
        const int cp1252 = Cp1252ByteOf(Cp850Char(static_cast<std::uint8_t>(cp850)));
        if (cp1252 >= 0) {
            tables.cp850ToCp1252[cp850] = static_cast<std::uint8_t>(cp1252);
            tables.cp1252ToCp850[cp1252] = static_cast<std::uint8_t>(cp850);
            claimed[cp1252] = true;
            mapped[cp850] = true;
        }
    }
    int free1252 = 0;
    for (int cp850 = 0; cp850 < 256; ++cp850) {
        if (mapped[cp850]) {
            continue;
        }
        while (claimed[free1252]) {
            ++free1252;
        }
        tables.cp850ToCp1252[cp850] = static_cast<std::uint8_t>(free1252);
        tables.cp1252ToCp850[free1252] = static_cast<std::uint8_t>(cp850);
        claimed[free1252] = true;
    }
    return tables;
}

constexpr ByteTables kByteTables = MakeByteTables();

void AppendUtf8(std::string& out, char16_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

} // namespace

char16_t Cp1252ToUnicode(std::uint8_t byte) {
    return Cp1252Char(byte);
}

bool UnicodeToCp1252(char32_t code, std::uint8_t& byte) {
    const int found = Cp1252ByteOf(code);
    if (found < 0) {
        return false;
    }
    byte = static_cast<std::uint8_t>(found);
    return true;
}

QString Cp1252ToQString(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes) {
        text.append(QChar(Cp1252Char(static_cast<std::uint8_t>(byte))));
    }
    return text;
}

std::string QStringToCp1252(const QString& text, char replacement) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype index = 0; index < text.size(); ++index) {
        char32_t code = text[index].unicode();
        // A surrogate pair is one character outside the page; a lone surrogate is no character at all.
        if (QChar::isHighSurrogate(code) && index + 1 < text.size() && text[index + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[index], text[index + 1]);
            ++index;
        }
        std::uint8_t byte = 0;
        bytes.push_back(UnicodeToCp1252(code, byte) ? static_cast<char>(byte) : replacement);
    }
    return bytes;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() + bytes.size() / 2);
    for (const char byte : bytes) {
        AppendUtf8(utf8, Cp1252Char(static_cast<std::uint8_t>(byte)));
    }
    return utf8;
}

std::string Utf8ToCp1252(std::string_view utf8, char replacement) {
    // Qt turns every malformed sequence into U+FFFD, which the page lacks, so it becomes `replacement`.
    return QStringToCp1252(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), replacement);
}

std::uint8_t Cp850ToCp1252(std::uint8_t byte) {
    return kByteTables.cp850ToCp1252[byte];
}

std::uint8_t Cp1252ToCp850(std::uint8_t byte) {
    return kByteTables.cp1252ToCp850[byte];
}

std::string Cp850ToCp1252(std::string_view bytes) {
    std::string out(bytes);
    for (char& byte : out) {
        byte = static_cast<char>(Cp850ToCp1252(static_cast<std::uint8_t>(byte)));
    }
    return out;
}

std::string Cp1252ToCp850(std::string_view bytes) {
    std::string out(bytes);
    for (char& byte : out) {
        byte = static_cast<char>(Cp1252ToCp850(static_cast<std::uint8_t>(byte)));
    }
    return out;
}

char16_t Cp850ToUnicode(std::uint8_t byte) {
    return Cp850Char(byte);
}

std::uint8_t Cp1252Upper(std::uint8_t byte) {
    if (byte >= 'a' && byte <= 'z') {
        return byte - 0x20;
    }
    // à-þ but ÷; ß and µ have no capital in the page.
    if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) {
        return byte - 0x20;
    }
    switch (byte) {
    case 0x9A: // š
    case 0x9C: // œ
    case 0x9E: // ž
        return byte - 0x10;
    case 0xFF: // ÿ
        return 0x9F;
    default:
        return byte;
    }
}

std::uint8_t Cp1252Lower(std::uint8_t byte) {
    if (byte >= 'A' && byte <= 'Z') {
        return byte + 0x20;
    }
    // À-Þ but ×.
    if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) {
        return byte + 0x20;
    }
    switch (byte) {
    case 0x8A: // Š
    case 0x8C: // Œ
    case 0x8E: // Ž
        return byte + 0x10;
    case 0x9F: // Ÿ
        return 0xFF;
    default:
        return byte;
    }
}

std::string Cp1252UpperCase(std::string_view bytes) {
    std::string out(bytes);
    for (char& byte : out) {
        byte = static_cast<char>(Cp1252Upper(static_cast<std::uint8_t>(byte)));
    }
    return out;
}

std::string Cp1252LowerCase(std::string_view bytes) {
    std::string out(bytes);
    for (char& byte : out) {
        byte = static_cast<char>(Cp1252Lower(static_cast<std::uint8_t>(byte)));
    }
    return out;
}

} // namespace quarn
