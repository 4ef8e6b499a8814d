#pragma once

// A BinSplit writer of the tests' own, written from the part format alone (its own CRC routines
// included), so the reader and the joiner are checked against something they do not share code with.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quarn::test::binsplit {

// The transfer formats' CRC-16: table of polynomial 0x1021 (most significant bit first), updated as
// crc = ((crc << 8) & 0xFFFF) ^ byte ^ table[crc >> 8].
inline std::uint16_t Crc16(std::string_view bytes, std::uint16_t crc = 0) {
    const auto table = [](unsigned index) {
        unsigned value = index << 8;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 0x8000) != 0 ? (value << 1) ^ 0x1021 : value << 1;
        }
        return static_cast<std::uint16_t>(value & 0xFFFF);
    };
    for (const char c : bytes) {
        crc = static_cast<std::uint16_t>(((crc << 8) & 0xFFFF) ^ static_cast<std::uint8_t>(c) ^
                                         table(crc >> 8));
    }
    return crc;
}

// Reflected CRC-32 (IEEE 802.3), bit by bit; the caller starts with 0xFFFFFFFF and complements.
inline std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc) {
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320U : crc >> 1;
        }
    }
    return crc;
}

inline std::string Hex(std::uint64_t value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

// The header fields as text, so tests can put in what no writer would.
struct Kopf {
    std::string nummer;
    std::string anzahl;
    std::string teilGroesse;
    std::string dateiGroesse;
    std::string name;
    std::string datum;
    std::string programm = "P\rQuarn 1.00.000\r";
    std::string kennung = ">BS<";

    // Fields 1 to 8 and the NUL.
    std::string Text() const {
        return kennung + "\n" + nummer + "\n" + anzahl + "\n" + teilGroesse + "\n" + dateiGroesse + "\n" +
               name + "\n" + datum + "\n" + programm + "\n" + std::string(1, '\0');
    }
};

inline std::string HeaderCrcZeile(std::string_view headerText) {
    return Hex(Crc16(headerText), 4) + "\n";
}

// A part file around `daten`; `bisher` is the running CRC-32 of the whole file before this part and is
// advanced over it.
inline std::string Teil(const Kopf& kopf, std::string_view daten, std::uint32_t& bisher) {
    const std::string text = kopf.Text();
    bisher = Crc32(daten, bisher);
    const std::string akkumuliert = Hex(~bisher & 0xFFFFFFFFU, 8) + "\n";
    const std::uint32_t teilCrc = ~Crc32(akkumuliert, Crc32(daten, 0xFFFFFFFFU));
    return text + HeaderCrcZeile(text) + std::string(daten) + akkumuliert + Hex(teilCrc, 8) + "\n";
}

// All parts of `daten` split into pieces of `groesse` bytes.
inline std::vector<std::string> Teile(std::string_view daten, std::size_t groesse, const std::string& name,
                                      const std::string& datum) {
    const std::size_t anzahl = (daten.size() - 1) / groesse + 1;
    std::vector<std::string> teile;
    std::uint32_t crc = 0xFFFFFFFFU;
    for (std::size_t nummer = 1; nummer <= anzahl; ++nummer) {
        const Kopf kopf{Hex(nummer, 2), Hex(anzahl, 2), std::to_string(groesse), std::to_string(daten.size()),
                        name,           datum};
        teile.push_back(Teil(kopf, daten.substr((nummer - 1) * groesse, groesse), crc));
    }
    return teile;
}

// "bild.jpg", part 10 -> "bild.b0a".
inline std::string TeilDateiName(const std::string& name, std::size_t nummer) {
    std::string stamm = name.substr(0, name.rfind('.'));
    std::string endung = ".b" + Hex(nummer, 2);
    for (char& c : endung) {
        c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    return stamm + endung;
}

// Bytes that do not repeat in step with any part size.
inline std::string Muster(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 2463534242U;
    for (char& c : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(state);
    }
    return bytes;
}

} // namespace quarn::test::binsplit
