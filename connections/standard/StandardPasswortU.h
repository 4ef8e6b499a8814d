#pragma once

#include "foundation/SharedEnums.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// The login answers a mailbox or node expects. Nothing here traces a password or any text built from
// one: callers may trace lengths only.

// A random number from 0 to bound - 1 (bound > 0). The filler around an answer hides which characters
// carry it, so the program's source is a real random generator; tests set a fixed one.
using TZufall = std::function<std::uint32_t(std::uint32_t bound)>;
TZufall PasswortZufall();
// An empty function restores the program's own source.
void SetPasswortZufall(TZufall zufall);

// A login prompt found in a received line.
struct TLoginPrompt {
    TPasswortMethode methode;
    // The numbers of a position prompt, or the 10-character challenge of an MD5 prompt.
    std::string text;
};
// `remoteCall` is the linked station's call with SSID. Nothing when the line is no prompt.
std::optional<TLoginPrompt> ErkenneLoginPrompt(std::string_view line, std::string_view remoteCall);

// An answer line ending in CR, or the system line to show instead (then nothing is sent).
struct TPasswortAntwort {
    std::string antwort;
    std::string fehler;
};

inline constexpr std::string_view kPromptUngueltig = "Passwort-Prompt enthält ungültige Zeichen.";
inline constexpr std::string_view kPromptZuViele = "Passwort-Prompt enthält zu viele Positionen.";
inline constexpr std::string_view kPasswortZuKurz = "Gespeichertes Passwort zu kurz.";

// The position method: the password's characters at the prompt's positions hidden in 67 filler
// characters.
TPasswortAntwort PasswortPositionen(std::string_view prompt, std::string_view password,
                                    const TZufall& zufall);
// The MD5 method: lower-case hex of MD5(challenge + password), CR.
std::string PasswortMD5(std::string_view challenge, std::string_view password);

// The date method. The time stamp of a "Login: DD.MM.YY HH:MM" line.
struct TLoginZeit {
    int tag = 0;
    int monat = 0;
    int jahr = 0;
    int stunde = 0;
    int minute = 0;
};
std::optional<TLoginZeit> ErkenneLoginZeit(std::string_view line);

inline constexpr std::size_t kDieBoxTabelle = 1620;
// The table a stored date-method password gives: its letters and digits, exactly 1620 of them.
std::optional<std::string> DieBoxTabelle(std::string_view password);
std::array<int, 5> DieBoxMultiplikatoren(std::string_view table, int minute);
// 1-based positions in the table.
std::array<int, 5> DieBoxPositionen(const std::array<int, 5>& mul, const TLoginZeit& zeit);
// The five answer characters.
std::string DieBoxZeichen(std::string_view table, const TLoginZeit& zeit);

// The filler of a date answer, kept for the second kind when it uses the same table.
struct TDieBoxFueller {
    std::string fueller;
    int einfuegen = 1; // 1-based insert position, 1 to 67
};
TDieBoxFueller DieBoxFueller(std::string_view table, const TZufall& zufall);
// "PRIV " + the filler with the answer characters inserted + CR.
std::string DieBoxAntwort(std::string_view zeichen, const TDieBoxFueller& fueller);

} // namespace quarn
