#pragma once

// The syntax tree the parser builds and the code generator turns into a program. Modifiers are already
// applied: a case-insensitive literal is a set of its case forms, "." is the set it matches, "^" and "$"
// know whether they look at lines.

#include "foundation/regex/RegExprProgram.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarn::regexpr {

// Modifier bits, as the public interface numbers them.
inline constexpr int kModI = 1;
inline constexpr int kModR = 2;
inline constexpr int kModS = 4;
inline constexpr int kModG = 8;
inline constexpr int kModM = 16;
inline constexpr int kModX = 32;

// The character classes an expression is compiled against.
struct Settings {
    std::string spaceChars;
    std::string wordChars;
    std::string lineSeparators;
    std::string linePairedSeparator;
};

// A compile error: the code of the error table and the 1-based position in the expression.
struct CompileError {
    int code;
    int position;
};

enum class NodeKind : std::uint8_t { Empty, Char, Set, Assert, BackRef, Group, Concat, Alt, Repeat };
enum class RepeatOp : std::uint8_t { Star, Plus, Question, Braces };

struct Node {
    NodeKind kind = NodeKind::Empty;
    std::uint8_t ch = 0;  // Char
    int set = -1;         // Set
    bool anyByte = false; // Set: "." that matches every byte
    bool dotLine = false; // Set: "." that stops at line separators (not a one-character operand for loops)
    Op assertion = Op::Bol;
    int group = 0;         // Group, BackRef
    bool caseless = false; // BackRef
    std::vector<int> kids; // Group (one), Concat, Alt, Repeat (one)
    RepeatOp repeatOp = RepeatOp::Star;
    std::int32_t min = 0;
    std::int32_t max = 0;
    bool greedy = true;
};

struct Syntax {
    std::vector<Node> nodes;
    std::vector<ByteSet> sets;
    int root = -1;
    int groups = 0; // parenthesised groups opened
};

// Parses `expression` under `modifiers`; throws CompileError.
Syntax ParseExpression(std::string_view expression, int modifiers, const Settings& settings);

// Applies a modifier string ("i", "-x", "gM-s") to `modifiers`; false at the first character that is not
// a modifier letter or "-", whose index goes to `badIndex`.
bool ApplyModifierString(std::string_view text, int& modifiers, std::size_t& badIndex);

// The set of the bytes of `chars`.
ByteSet ByteSetOf(std::string_view chars);

// True when the node can match without consuming a character, as the repetition rules judge it (a
// back-reference counts as consuming).
bool CanBeEmpty(const Syntax& syntax, int node);

} // namespace quarn::regexpr
