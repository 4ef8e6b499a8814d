#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quarn {

// How a typed connect path is read: by the connect dialog and by automation clients alike. Pure text
// rules, no device.

// The own call as typed, trimmed and upper-cased; an SSID from 0 to 15 stays (without leading zeros),
// any other suffix after "-" is dropped.
std::string EigenesRufzeichenAufbereiten(std::string_view text);

// The destination as typed: the call before the first blank, the digipeaters after it. "-0" and a
// suffix that is no number are dropped; an SSID above 15 makes the input invalid.
struct TZielEingabe {
    std::string rufzeichen;
    std::string digis;
    bool ssidGueltig = true;
    // The path to connect: the call, and a blank and the digipeaters when there are any.
    std::string Pfad() const;
};
TZielEingabe ZielAufbereiten(std::string_view text);

// What can be wrong with a path before it goes to a device. An AX.25 address holds six letters or
// digits and an SSID from 0 to 15; a frame carries at most eight digipeaters.
inline constexpr std::size_t kMaxRufzeichenZeichen = 6;
inline constexpr std::size_t kMaxDigipeater = 8;

enum class TPfadFehler {
    Keiner,
    KeinZiel, // nothing but blanks
    ZuLang,   // a call longer than six characters
    UngueltigesZeichen,
    SsidUngueltig, // a suffix that is no SSID from 0 to 15
    ZuVieleDigipeater,
};

struct TPfadPruefung {
    TZielEingabe ziel; // as ZielAufbereiten reads the text
    TPfadFehler fehler = TPfadFehler::Keiner;
    std::string teil; // the call at fault, upper-cased as typed
};

// Reads a typed path and checks the call and every digipeater ("V" and "VIA" between them are words,
// not calls).
TPfadPruefung PfadPruefen(std::string_view eingabe);

} // namespace quarn
