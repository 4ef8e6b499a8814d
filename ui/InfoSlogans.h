#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace quarn {

// The About box's rotating slogans: a fixed table of 28 lines, one more at every opening, counted in the
// current user's value "Slogan".

inline constexpr int kSloganAnzahl = 28;

struct TSloganWahl {
    int index;                   // the slogan this opening shows, 0..27
    std::uint32_t naechsterWert; // what "Slogan" holds afterwards
};

// The slogan for the stored value (missing or unreadable counts as 0). The value is a DWORD: taken as
// unsigned, so a large one still gives an index inside the table.
TSloganWahl SloganWaehlen(std::optional<std::uint32_t> gespeichert);
// The slogan after `index`, from the last back to the first.
int NaechsterSlogan(int index);
// The slogan's text in the operator's language; `index` must lie inside the table.
QString SloganText(int index);

} // namespace quarn
