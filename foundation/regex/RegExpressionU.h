#pragma once

// The regular-expression engine. An expression is compiled into a byte-code program (on the first Exec
// after it was set) and run by a backtracking matcher over bytes in Windows-1252.
//
//   auto expression = LastLoginExpression();
//   if (expression.Exec(line)) { day = expression.Match(1); ... }
//
// Compile errors carry the 1-based position in the expression where the compiler found the fault: the
// offending character (a repetition operator, a parenthesis, a modifier letter, the upper end of a range,
// a hexadecimal digit), the first digit of a count that is too big or of a maximum below its minimum,
// and the length + 1 for a construct still open at the end of the expression. Errors outside
// compilation have position 0.
//
// A search gives up after kStepBudget steps of the matcher; it then fails and says so in the trace.

#include "foundation/regex/RegExprMatcher.h"
#include "foundation/regex/RegExprProgram.h"
#include "foundation/regex/RegExprSyntax.h"
#include "platform/Exception.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class ERegExpression : public Exception {
public:
    ERegExpression(const std::string& message, int errorCode, int compilerErrorPos)
        : Exception(message), errorCode_(errorCode), compilerErrorPos_(compilerErrorPos) {}
    std::string className() const override { return "ERegExpression"; }

    int ErrorCode() const { return errorCode_; }
    int CompilerErrorPos() const { return compilerErrorPos_; }

private:
    int errorCode_;
    int compilerErrorPos_;
};

// Modifier bits.
inline constexpr int kRegExprModifierI = regexpr::kModI; // case-insensitive
inline constexpr int kRegExprModifierR = regexpr::kModR; // Russian ranges (code page 1251)
inline constexpr int kRegExprModifierS = regexpr::kModS; // "." also matches line separators
inline constexpr int kRegExprModifierG = regexpr::kModG; // greedy; off: every repetition is non-greedy
inline constexpr int kRegExprModifierM = regexpr::kModM; // "^" and "$" also at line separators
inline constexpr int kRegExprModifierX = regexpr::kModX; // extended syntax
inline constexpr int kRegExprDefaultModifiers = kRegExprModifierR | kRegExprModifierS | kRegExprModifierG;

class TRegExpression {
public:
    static constexpr int kGroupCount = regexpr::kGroupCount;
    // Enough for any line the program meets; a pathological expression or text stops here.
    static constexpr std::int64_t kStepBudget = 5'000'000;

    TRegExpression();
    virtual ~TRegExpression();
    TRegExpression(const TRegExpression&);
    TRegExpression& operator=(const TRegExpression&);

    const std::string& Expression() const { return expression_; }
    // A different text (or any text while not compiled) drops the compiled program; an empty text
    // counts as no expression.
    void SetExpression(std::string_view expression);

    int Modifiers() const { return modifiers_; }
    void SetModifiers(int modifiers);
    // The letters of the modifiers that are on ("rsg" by default).
    std::string ModifierStr() const;
    // Letters i r s g m x in either case, "-" switches the following ones off; false (nothing changed)
    // for any other character.
    bool SetModifierStr(std::string_view modifiers);

    const std::string& SpaceChars() const { return settings_.spaceChars; }
    void SetSpaceChars(std::string_view chars);
    const std::string& WordChars() const { return settings_.wordChars; }
    void SetWordChars(std::string_view chars);
    const std::string& LineSeparators() const { return settings_.lineSeparators; }
    void SetLineSeparators(std::string_view chars);
    const std::string& LinePairedSeparator() const { return settings_.linePairedSeparator; }
    // Two different characters or none, else error 128.
    void SetLinePairedSeparator(std::string_view pair);

    // Searches `text` from its first character. An empty text is a text like any other.
    bool Exec(std::string_view text);
    // A null pointer is a call without any text: error 1005.
    bool Exec(const std::string* text);

    // The text of the last Exec; error 1008 before any.
    const std::string& InputString() const;

    // Group n (0 the whole match, 1 to 29 the parenthesised groups by their opening parenthesis):
    // empty when n is outside 0 .. 29, without input, or when the group took no part in the match.
    std::string Match(int n) const;
    // 0-based offset and length of group n, -1 when it took no part.
    std::ptrdiff_t MatchPos(int n) const;
    std::ptrdiff_t MatchLen(int n) const;

    // The code of the last error, cleared by reading it.
    int LastError();
    int CompilerErrorPos() const { return compilerErrorPos_; }

    // Records the code and raises ERegExpression with ErrorText(code), " (pos N)" added below 1000.
    virtual void Error(int code) const;
    virtual std::string ErrorText(int code) const;

private:
    friend TRegExpression MailboxListExpression();
    friend TRegExpression StationIdExpression();
    friend TRegExpression LastLoginExpression();
    TRegExpression(std::string_view expression, std::shared_ptr<const regexpr::Program> program);

    bool Run();
    bool CompileIfNeeded();
    void ClearMatches();
    void DropProgram() { program_.reset(); }

    std::string expression_;
    int modifiers_ = kRegExprDefaultModifiers;
    regexpr::Settings settings_;
    std::shared_ptr<const regexpr::Program> program_;

    std::string input_;
    bool hasInput_ = false;
    regexpr::Captures captures_{};
    regexpr::Matcher matcher_;

    mutable int lastError_ = 0;
    int compilerErrorPos_ = 0;
};

// The program's fixed expressions, each compiled once for the whole process and shared by every object
// these return (the objects themselves belong to one thread each).
inline constexpr std::string_view kMailboxListPattern =
    "^ *([0-9]+)[^ ]? +([0-9A-Z]+[0-9][A-Z]+) +((\\> )([0-9A-Za-z_\\-][0-9A-Za-z_\\-]?[0-9A-Za-z_\\-]?"
    "[0-9A-Za-z_\\-]?[0-9A-Za-z_\\-]?[0-9A-Za-z_\\-]?[0-9A-Za-z_\\-]?[0-9A-Za-z_\\-]?)((\\.*)([0-9]+))? +)?"
    "([0-9][0-9]\\.[0-9][0-9](\\.[0-9][0-9])? +)?([0-9][0-9]\\:[0-9][0-9] +)?([A-Z0-9]* +)?([0-9]* +)?"
    "([0-9]* +)?(.*)$";
inline constexpr std::string_view kStationIdPattern = "\\{.+-.+-(.*)\\}";
inline constexpr std::string_view kLastLoginPattern =
    ".*Login: (\\d\\d)\\.(\\d\\d)\\.(\\d\\d) (\\d\\d):(\\d\\d).*";

// A mailbox's listing line: groups 1 to 15 (1 message number, 5 board, 8 the board's own number).
TRegExpression MailboxListExpression();
// A station identification line "{...-...-features}": group 1 the features.
TRegExpression StationIdExpression();
// A mailbox's last login: groups 1 to 5 day, month, year, hour, minute.
TRegExpression LastLoginExpression();

} // namespace quarn
