#pragma once

// The compiled form of a regular expression: a flat byte-code run by the matcher, plus what the compiler
// found out about where a match can start. A program is immutable once built and may be shared by many
// TRegExpression objects on many threads.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quarn::regexpr {

inline constexpr int kGroupCount = 30;                 // group 0 is the whole match
inline constexpr int kLoopStackSize = 10;              // loops open at the same time
inline constexpr std::int32_t kOpenCount = 0x7FFFFFFE; // "no upper bound"

// A set of the 256 byte values.
struct ByteSet {
    std::array<std::uint64_t, 4> bits{};

    bool test(std::uint8_t c) const { return (bits[c >> 6] >> (c & 63)) & 1U; }
    void set(std::uint8_t c) { bits[c >> 6] |= std::uint64_t{1} << (c & 63); }
    void setRange(int from, int to) {
        for (int c = from; c <= to; ++c) {
            set(static_cast<std::uint8_t>(c));
        }
    }
    void setAll() { bits.fill(~std::uint64_t{0}); }
    void flip() {
        for (auto& word : bits) {
            word = ~word;
        }
    }
    void merge(const ByteSet& other) {
        for (int i = 0; i < 4; ++i) {
            bits[i] |= other.bits[i];
        }
    }
    int count() const {
        int n = 0;
        for (auto word : bits) {
            n += __builtin_popcountll(word);
        }
        return n;
    }
    bool all() const { return count() == 256; }
};

enum class Op : std::uint8_t {
    Char,           // a: the byte
    Str,            // a: offset into literals, b: length
    Set,            // a: set index
    Bol,            // start of the input
    Eol,            // end of the input
    MBol,           // start of the input or of a line
    MEol,           // end of the input or of a line
    WordBoundary,   // \b
    NoWordBoundary, // \B
    Open,           // a: group; remembers where the group starts
    Close,          // a: group; commits the group's text
    Split,          // try a first, then b
    Jump,           // a: target
    Repeat,         // counted repeat of a one-character operand or a back-reference
    BackRef,        // a: group
    LoopEntry,      // a: the loop's Loop instruction, b: counter slot
    Loop,           // a: first instruction of the operand, b: counter slot
    LoopOverflow,   // an eleventh loop open at the same time
    ProgressMark,   // a: register; notes the position at the start of an iteration
    ProgressCheck,  // a: register, b: exit; leaves a loop whose iteration consumed nothing
    Match,
};

enum class Operand : std::uint8_t { Char, Set, Any, BackRef };

struct Inst {
    Op op = Op::Match;
    Operand operand = Operand::Char; // Repeat
    bool greedy = true;              // Repeat, Loop
    bool caseless = false;           // BackRef, Repeat of a back-reference
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int32_t min = 0; // Repeat, Loop
    std::int32_t max = 0;
    std::int32_t hint = -1; // Repeat: the byte a continuation must begin with, or -1
};

struct Program {
    std::vector<Inst> code;
    std::vector<ByteSet> sets;
    std::string literals;

    ByteSet wordChars;
    ByteSet lineSeparators;
    int pairedFirst = -1; // the two bytes that count as one line separator, or -1
    int pairedSecond = -1;
    std::array<std::uint8_t, 256> upper{};
    std::array<std::uint8_t, 256> lower{};

    int groups = 1; // groups used, group 0 included
    int progressRegisters = 0;

    // Start-up shortcuts.
    bool anchored = false;     // only the first position can start a match
    bool mayMatchEmpty = true; // a match can begin without consuming a character
    int firstChar = -1;        // every match begins with this byte
    bool useFirstSet = false;  // every match begins with a byte of firstSet
    ByteSet firstSet;
    std::string requiredLiteral; // every match contains it
};

} // namespace quarn::regexpr
