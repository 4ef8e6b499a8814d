#pragma once

#include <QString>

namespace quarn {

// The fourteen stored texts: 0 greeting, 1 farewell (//Q), 2 station info (//I), 3 news (//NE), 4..13
// the text modules on Ctrl+1 .. Ctrl+9, Ctrl+0.
inline constexpr int kTextKindCount = 14;

// One text kind. NurGlobal: the text has no per-station override.
struct TTextKindInfo {
    QString Name;
    int Nr = -1;
    bool NurGlobal = false;
};

// The kind's record; for a number outside 0..13 an empty one (no name, Nr -1, not NurGlobal).
TTextKindInfo TextKindInfo(int kind);

// The text module bound to Ctrl+digit (0..9): Ctrl+1 the first (kind 4), Ctrl+0 the tenth (kind 13).
int TextKindForDigit(int digit);

} // namespace quarn
