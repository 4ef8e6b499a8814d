#pragma once

#include <Qt>

class QKeyEvent;

namespace quarn {

// The shift bits of IKanal::KeyPress.
inline constexpr unsigned kTasteShift = 1;
inline constexpr unsigned kTasteAlt = 2;
inline constexpr unsigned kTasteCtrl = 4;

// The shift bits of a key event's modifiers; the window hands keys to the active channel with these.
unsigned KanalShift(Qt::KeyboardModifiers modifiers);

// The key code the window hands on: the event's key, but a key of the digit row held with Shift is its
// digit (Qt reports the shifted character, "!" for Shift+1 on most layouts), so that Ctrl+Shift+digit
// reaches the text macros.
int KanalTastenCode(const QKeyEvent& event);

// What a key does on the active channel.
enum class TKanalTastenAktion {
    Keine,            // not the channel's: the key goes on
    EingabeFokus,     // the input editor gets the focus
    KonsoleEndeFokus, // the console scrolls to its end, the input editor gets the focus
    BoxVorher,        // mailbox list: previous listing
    BoxNaechste,      // mailbox list: next listing
    BoxSenden,        // mailbox list: send the marked commands
    BoxLesen,         // mailbox list: toggle "read" on the marked rows
    BoxLoeschen,      // mailbox list: toggle "erase" on the marked rows
    Piep,             // a key without a function on the console
    ZeileHoch,
    ZeileRunter,
    Anfang,
    Ende, // console and input editor to their ends
    Makro,
    KonsoleFokus,  // the console gets the focus
    BoxListeFokus, // mailbox list: the last listing, and the console gets the focus
    SeiteHoch,
    SeiteRunter,
};

struct TKanalTaste {
    TKanalTastenAktion aktion = TKanalTastenAktion::Keine;
    int makroArt = 0;       // Makro: the stored text's kind
    bool einfuegen = false; // Makro: into the input editor rather than sent
};

// The meaning of a key (a Qt::Key code) with the shift bits, depending on whether the console or
// something else of the channel has the focus.
TKanalTaste KanalTasteDeuten(int key, unsigned shift, bool konsoleFokus);

} // namespace quarn
