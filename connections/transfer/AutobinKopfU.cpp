#include "connections/transfer/AutobinKopfU.h"

#include "connections/transfer/DosDatumU.h"

#include <charconv>

namespace quarn {

namespace {

// The whole field as a number of the base; false for anything else, an empty field included.
template <typename T> bool Zahl(std::string_view field, int base, T& value) {
    if (field.empty()) {
        return false;
    }
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, base);
    return error == std::errc() && end == field.data() + field.size();
}

// The text up to the next "#" (all of it without one); `rest` keeps that "#".
std::string_view BisRaute(std::string_view& rest) {
    const std::size_t raute = rest.find('#');
    const std::string_view field = rest.substr(0, raute);
    rest.remove_prefix(field.size());
    return field;
}

} // namespace

TAutobinKopf LiesAutobinKopf(std::string_view header) {
    TAutobinKopf kopf;
    if (header.ends_with('\r')) {
        header.remove_suffix(1);
    }
    std::string_view rest = header.substr(header.size() < 5 ? header.size() : 5);

    std::int64_t laenge = 0;
    if (Zahl(BisRaute(rest), 10, laenge) && laenge >= 0) {
        kopf.laenge = laenge;
    }
    if (rest.starts_with("#|")) {
        rest.remove_prefix(2);
        // A sender may write any number; only 16 bits of it are a CRC.
        std::int64_t crc = 0;
        if (Zahl(BisRaute(rest), 10, crc)) {
            kopf.crc = static_cast<std::uint16_t>(crc & 0xFFFF);
            kopf.crcGegeben = true;
        }
    }
    if (rest.starts_with("#$")) {
        rest.remove_prefix(2);
        std::uint32_t datum = 0;
        if (Zahl(BisRaute(rest), 16, datum) && datum != kKeinDosDatum) {
            kopf.datum = datum;
            kopf.datumGegeben = true;
        }
        if (!rest.empty()) {
            rest.remove_prefix(1);
        }
    } else if (rest.starts_with('#')) {
        rest.remove_prefix(1);
    }
    const std::size_t trenner = rest.find_last_of("/\\:");
    kopf.name = std::string(trenner == std::string_view::npos ? rest : rest.substr(trenner + 1));
    return kopf;
}

} // namespace quarn
