#pragma once

#include "foundation/SharedEnums.h"

#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

class IStationenDatenbankEintrag;

// The rules by which the station window turns its controls into stored values and back, kept apart from
// the widgets.

// Notes are stored with CR LF line ends and cut to this many characters.
inline constexpr std::size_t kNotizenMax = 16384;

// The kind of the combo row; a row outside the six kinds is 0.
TStationType TypAusAuswahl(int row);
// The rule of "Firewall" and the combo row: 0 while unchecked, else row + 1 (outside 1..3: 0).
TIncomingConnects RegelAusAuswahl(bool firewall, int row);

// How the rule shows: a station without its own rule shows the global one, greyed.
struct TFirewallAnzeige {
    bool eigeneRegel = false;
    int zeile = 0;
};
TFirewallAnzeige FirewallAnzeige(TIncomingConnects stationRule, int globalRule);

std::string NotizenZumSpeichern(const QString& memoText);
QString NotizenZumZeigen(std::string_view stored);

// A call typed for a new station: trimmed and upper-cased; none when nothing is left.
std::optional<std::string> NeuesRufzeichen(const QString& typed);

// Writes the password under (own call, kind, method), then removes `alterStream` when its name differs.
// False, with every stream as it was, when the new one could not be written.
bool PasswortSpeichern(IStationenDatenbankEintrag& entry, std::string_view alterStream,
                       std::string_view myCall, TPasswortArt kind, std::string_view password,
                       TPasswortMethode method);

} // namespace quarn
