#pragma once

namespace quarn {

// What a key the current channel left alone does in the main window.
struct THauptTaste {
    bool verbraucht = false; // the key goes no further
    int kanal = -1;          // the channel to make current; -1 none
    bool befehl = false;     // the command pop-up opens
};

// F1..F10 alone, with Shift (11..20), Ctrl (21..30) or Ctrl+Shift (31..40) choose a channel when that many
// exist (consumed either way; Alt or any other bit: nothing); F12 the monitor; Esc alone the command pop-up.
// `key` is a Qt key code, `shift` the channel's shift bits (devices/KanalTasten.h).
THauptTaste HauptTasteAuswerten(int key, unsigned shift, int kanalAnzahl);

} // namespace quarn
