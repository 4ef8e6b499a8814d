#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quarn {

// What a received AutoBIN header announced. Every field after the length may be missing.
struct TAutobinKopf {
    std::int64_t laenge = -1; // -1 when not a decimal number
    bool crcGegeben = false;
    std::uint16_t crc = 0; // only the low 16 bits of the number sent
    bool datumGegeben = false;
    std::uint32_t datum = 0; // the DOS date and time
    std::string name;        // the part after the last "/", "\" or ":"; may be empty
};

// Reads a header line (with or without its CR) that begins with "#BIN#".
TAutobinKopf LiesAutobinKopf(std::string_view header);

} // namespace quarn
