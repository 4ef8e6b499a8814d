#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quarn {

// What the host-mode loop reads out of the TNC's texts; pure functions, texts are Windows-1252 bytes.

// The link-status reports of a TNC (reply code 3), in the order they are matched.
enum class TLinkMeldung {
    Keine = 0,
    Busy = 1,
    Connected = 2,
    LinkResetFm = 3,
    LinkResetTo = 4,
    Disconnected = 5,
    LinkFailure = 6,
    ConnectRequest = 7,
    FrameReject = 8,
};

// A link-status report taken apart: which one, and what follows its text (after one separator).
struct TLinkStatus {
    TLinkMeldung meldung = TLinkMeldung::Keine;
    std::string rest;
};

// Drops a "1:" port prefix among the first six characters and a "(3) " stamp, then matches the
// report's text at the start, ignoring case.
TLinkStatus LinkStatusLesen(std::string_view text);

// The six counts of an "L" reply: pending link-status messages, received frames waiting, frames not
// yet sent, frames not yet acknowledged, tries, link state. Only a code 1 reply of digits and blanks is
// taken; a number too long to be true makes it unreadable as well.
struct TLinkZaehler {
    int meldungen = 0;
    int empfangen = 0;
    int ungesendet = 0;
    int unbestaetigt = 0;
    int versuche = 0;
    int zustand = 0;
};
std::optional<TLinkZaehler> LZaehlerLesen(int code, std::string_view text);

// The link status shown for the TNC's link state 0..15 (IStatus bits).
int LinkStatusAusZustand(int state);

// The FRACK in seconds from an "F" reply; the firmwares that count in 10 ms steps are scaled first.
int FrackAusAntwort(int value, bool scaled);

// A reply text that is a whole non-negative number.
std::optional<int> ZahlAusText(std::string_view text);

// A path as the TNC and the operator may write it, made comparable: upper case, single blanks, no
// blanks at either end.
std::string PfadNormalisiert(std::string_view path);

// The path of a link-status report's rest: without a "p:" port prefix, cut before " -", without the
// word "via".
std::string ConnectPathAus(std::string_view text);

// The answer of the "C" query on a channel: the connected path, or nothing for a free channel.
std::optional<std::string> ConnectedToAus(std::string_view text);

} // namespace quarn
