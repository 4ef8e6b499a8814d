#pragma once

#include "foundation/SharedEnums.h"

#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// What the standard handler reads out of received lines, as plain functions on text.

// A collected station identification "{name-version-features}": 6 to 78 characters, braced, exactly two
// "-" between the braces, neither next to each other nor next to a brace.
bool IstStationsKennung(std::string_view text);
// The feature letters of an identification (after its second "-"); empty when there are none.
std::string KennungMerkmale(std::string_view kennung);

// The kind guessed from the first non-empty line of a station: the table entry found furthest left
// wins, of entries at the same place the earlier one. Nothing when no entry is in the line.
struct TArtTreffer {
    std::string_view eintrag;
    TStationType art;
};
std::optional<TArtTreffer> ErrateStationsArt(std::string_view line);

// "conversd @ " or "kaconversd @ " at the start of a line.
bool IstConversBeginn(std::string_view line);
// "Convers session terminated." at the start of a line, in any case.
bool IstConversEnde(std::string_view line);

// A node reporting a hop: " CONNECTED TO " or " RECONNECTED TO " followed by the call, possibly with a
// port prefix ("2:DB0ABC"). Nothing for any other line.
struct TKnotenSprung {
    std::string call;
    bool reconnect = false;
};
std::optional<TKnotenSprung> ErkenneKnotenSprung(std::string_view line);

} // namespace quarn
