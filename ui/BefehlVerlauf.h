#pragma once

#include "foundation/ZielPfad.h"

#include <string>
#include <string_view>
#include <vector>

namespace quarn {

// What the connect dialog remembers; how it reads what the operator typed is in ZielPfad.h. No widgets
// here: the dialog feeds texts in and takes texts out.

// Registry key and values of the connect dialog's histories.
inline constexpr std::string_view kVerlaufKey = "\\Software\\Velmoor\\Quarn\\Verlauf";
inline constexpr std::string_view kVerlaufEigenesRufzeichen = "Eigenes Rufzeichen";
inline constexpr std::string_view kVerlaufStation = "Station";
inline constexpr std::string_view kVerlaufUiZiel = "UI-Destination";

// A history keeps this many entries.
inline constexpr std::size_t kVerlaufMax = 50;

// A remembered destination: the path text (call, optionally a blank and digipeaters) and the name of
// the radio port it went through.
struct TZielEintrag {
    std::string ziel;
    std::string port;
    bool operator==(const TZielEintrag&) const = default;
};

// Stored form: the destination, then "#" and the port name. The text may have been edited by hand, so
// any input loads: empty entries are skipped, a "#" entry without a destination before it is dropped,
// and an empty entry right after a destination leaves that destination without port name.
std::vector<TZielEintrag> ZieleLesen(std::string_view kommaText);
std::string ZieleSchreiben(const std::vector<TZielEintrag>& ziele);

// The own-call box's list: history entries that are configured own calls (history order), then the
// configured calls not listed yet, then the remaining non-empty history entries; no duplicates.
std::vector<std::string> EigeneRufzeichenListe(const std::vector<std::string>& verlauf,
                                               const std::vector<std::string>& konfiguriert);

// Moves the entry to the front (every equal one removed) and cuts the list to kVerlaufMax.
void RufzeichenMerken(std::vector<std::string>& liste, const std::string& rufzeichen);
void ZielMerken(std::vector<TZielEintrag>& liste, const TZielEintrag& eintrag);

} // namespace quarn
