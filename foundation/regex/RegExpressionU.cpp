#include "foundation/regex/RegExpressionU.h"

#include "foundation/DebOutU.h"
#include "foundation/regex/RegExprCompiler.h"

#include <utility>

namespace quarn {

namespace {

constexpr std::string_view kClassName = "TRegExpression";

regexpr::Settings DefaultSettings() {
    return {.spaceChars = " \t\n\r\f",
            .wordChars = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_",
            .lineSeparators = "\r\n",
            .linePairedSeparator = "\r\n"};
}

std::shared_ptr<const regexpr::Program> CompileFixed(std::string_view expression) {
    return regexpr::Compile(expression, kRegExprDefaultModifiers, DefaultSettings());
}

} // namespace

TRegExpression::TRegExpression() : settings_(DefaultSettings()) {
    ClearMatches();
}

TRegExpression::TRegExpression(std::string_view expression, std::shared_ptr<const regexpr::Program> program)
    : expression_(expression), settings_(DefaultSettings()), program_(std::move(program)) {
    ClearMatches();
}

TRegExpression::~TRegExpression() = default;
TRegExpression::TRegExpression(const TRegExpression&) = default;
TRegExpression& TRegExpression::operator=(const TRegExpression&) = default;

void TRegExpression::SetExpression(std::string_view expression) {
    if (expression != expression_ || !program_) {
        expression_ = expression;
        DropProgram();
    }
}

void TRegExpression::SetModifiers(int modifiers) {
    modifiers &= kRegExprModifierI | kRegExprModifierR | kRegExprModifierS | kRegExprModifierG |
                 kRegExprModifierM | kRegExprModifierX;
    if (modifiers != modifiers_) {
        modifiers_ = modifiers;
        DropProgram();
    }
}

std::string TRegExpression::ModifierStr() const {
    std::string letters;
    constexpr std::pair<int, char> kLetters[] = {{kRegExprModifierI, 'i'}, {kRegExprModifierR, 'r'},
                                                 {kRegExprModifierS, 's'}, {kRegExprModifierG, 'g'},
                                                 {kRegExprModifierM, 'm'}, {kRegExprModifierX, 'x'}};
    for (const auto& [bit, letter] : kLetters) {
        if (modifiers_ & bit) {
            letters.push_back(letter);
        }
    }
    return letters;
}

bool TRegExpression::SetModifierStr(std::string_view modifiers) {
    int result = modifiers_;
    std::size_t bad = 0;
    if (!regexpr::ApplyModifierString(modifiers, result, bad)) {
        return false;
    }
    SetModifiers(result);
    return true;
}

void TRegExpression::SetSpaceChars(std::string_view chars) {
    if (chars != settings_.spaceChars) {
        settings_.spaceChars = chars;
        DropProgram();
    }
}

void TRegExpression::SetWordChars(std::string_view chars) {
    if (chars != settings_.wordChars) {
        settings_.wordChars = chars;
        DropProgram();
    }
}

void TRegExpression::SetLineSeparators(std::string_view chars) {
    if (chars != settings_.lineSeparators) {
        settings_.lineSeparators = chars;
        DropProgram();
    }
}

void TRegExpression::SetLinePairedSeparator(std::string_view pair) {
    if (!pair.empty() && (pair.size() != 2 || pair[0] == pair[1])) {
        compilerErrorPos_ = 0;
        Error(128);
        return;
    }
    if (pair != settings_.linePairedSeparator) {
        settings_.linePairedSeparator = pair;
        DropProgram();
    }
}

bool TRegExpression::Exec(std::string_view text) {
    input_.assign(text);
    hasInput_ = true;
    return Run();
}

bool TRegExpression::Exec(const std::string* text) {
    if (text == nullptr) {
        input_.clear();
        hasInput_ = false;
        ClearMatches();
        Error(1005);
        return false;
    }
    return Exec(std::string_view(*text));
}

const std::string& TRegExpression::InputString() const {
    if (!hasInput_) {
        Error(1008);
    }
    return input_;
}

bool TRegExpression::CompileIfNeeded() {
    if (program_) {
        return true;
    }
    try {
        program_ = regexpr::Compile(expression_, modifiers_, settings_);
        compilerErrorPos_ = 0;
        return true;
    } catch (const regexpr::CompileError& error) {
        compilerErrorPos_ = error.position;
        Error(error.code);
        return false;
    }
}

bool TRegExpression::Run() {
    ClearMatches();
    if (expression_.empty()) {
        Error(1003);
        return false;
    }
    if (!CompileIfNeeded()) {
        return false;
    }
    regexpr::Captures captures{};
    switch (matcher_.Run(*program_, input_, kStepBudget, captures)) {
    case regexpr::MatchStatus::Matched:
        captures_ = captures;
        return true;
    case regexpr::MatchStatus::NoMatch:
        return false;
    case regexpr::MatchStatus::BudgetSpent:
        if (TraceActive()) {
            DebOutObjFmt(kClassName, "Exec", "Suche nach %lld Schritten abgebrochen (Text %zu Zeichen): %s",
                         static_cast<long long>(matcher_.StepsUsed()), input_.size(), expression_.c_str());
        }
        return false;
    case regexpr::MatchStatus::LoopStackExceeded:
        Error(1014);
        return false;
    }
    return false;
}

void TRegExpression::ClearMatches() {
    captures_.fill(-1);
}

std::string TRegExpression::Match(int n) const {
    const std::ptrdiff_t pos = MatchPos(n);
    if (pos < 0) {
        return {};
    }
    return input_.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(MatchLen(n)));
}

std::ptrdiff_t TRegExpression::MatchPos(int n) const {
    if (n < 0 || n >= kGroupCount || !hasInput_ || captures_[2 * n] < 0 || captures_[2 * n + 1] < 0) {
        return -1;
    }
    return static_cast<std::ptrdiff_t>(captures_[2 * n]);
}

std::ptrdiff_t TRegExpression::MatchLen(int n) const {
    const std::ptrdiff_t pos = MatchPos(n);
    return pos < 0 ? -1 : static_cast<std::ptrdiff_t>(captures_[2 * n + 1]) - pos;
}

int TRegExpression::LastError() {
    return std::exchange(lastError_, 0);
}

void TRegExpression::Error(int code) const {
    lastError_ = code;
    std::string message = ErrorText(code);
    if (code < 1000) {
        message += " (pos " + std::to_string(compilerErrorPos_) + ")";
    }
    throw ERegExpression(message, code, compilerErrorPos_);
}

std::string TRegExpression::ErrorText(int code) const {
    switch (code) {
    case 0:
        return "No errors";
    case 100:
        return "TRegExpression(comp): Null Argument";
    case 101:
        return "TRegExpression(comp): Regexp Too Big";
    case 102:
        return "TRegExpression(comp): ParseReg Too Many ()";
    case 103:
    case 104:
        return "TRegExpression(comp): ParseReg Unmatched ()";
    case 105:
        return "TRegExpression(comp): ParseReg Junk On End";
    case 106:
        return "TRegExpression(comp): *+ Operand Could Be Empty";
    case 107:
        return "TRegExpression(comp): Nested *?+";
    case 108:
        return "TRegExpression(comp): Bad Hex Digit";
    case 109:
        return "TRegExpression(comp): Invalid [] Range";
    case 110:
        return "TRegExpression(comp): Parse Atom Trailing \\";
    case 111:
        return "TRegExpression(comp): No Hex Code After \\x";
    case 112:
        return "TRegExpression(comp): Hex Code After \\x Is Too Big";
    case 113:
        return "TRegExpression(comp): Unmatched []";
    case 114:
        return "TRegExpression(comp): Internal Urp";
    case 115:
        return "TRegExpression(comp): ?+*{ Follows Nothing";
    case 116:
        return "TRegExpression(comp): Trailing \\";
    case 119:
        return "TRegExpression(comp): RarseAtom Internal Disaster";
    case 122:
        return "TRegExpression(comp): BRACES Argument Too Big";
    case 124:
        return "TRegExpression(comp): BRACE Min Param Greater then Max";
    case 125:
        return "TRegExpression(comp): Unclosed (?#Comment)";
    case 127:
        return "TRegExpression(comp): Urecognized Modifier";
    case 128:
        return "TRegExpression(comp): LinePairedSeparator must countain two different chars or no chars at "
               "all";
    case 1000:
        return "TRegExpression(exec): RegRepeat Called Inappropriately";
    case 1001:
        return "TRegExpression(exec): MatchPrim Memory Corruption";
    case 1002:
        return "TRegExpression(exec): MatchPrim Corrupted Pointers";
    case 1003:
        return "TRegExpression(exec): Not Assigned Expression Property";
    case 1004:
        return "TRegExpression(exec): Corrupted Program";
    case 1005:
        return "TRegExpression(exec): No Inpit String Specified";
    case 1006:
        return "TRegExpression(exec): Offset Must Be Greater Then 0";
    case 1007:
        return "TRegExpression(exec): ExecNext Without Exec[Pos]";
    case 1008:
        return "TRegExpression(exec): GetInputString Without InputString";
    case 1011:
        return "TRegExpression(dump): Corrupted Opcode";
    case 1014:
        return "TRegExpression(exec): Loop Stack Exceeded";
    case 1015:
        return "TRegExpression(exec): Loop Without LoopEntry !";
    default:
        return "Unknown error";
    }
}

TRegExpression MailboxListExpression() {
    static const std::shared_ptr<const regexpr::Program> program = CompileFixed(kMailboxListPattern);
    return TRegExpression(kMailboxListPattern, program);
}

TRegExpression StationIdExpression() {
    static const std::shared_ptr<const regexpr::Program> program = CompileFixed(kStationIdPattern);
    return TRegExpression(kStationIdPattern, program);
}

TRegExpression LastLoginExpression() {
    static const std::shared_ptr<const regexpr::Program> program = CompileFixed(kLastLoginPattern);
    return TRegExpression(kLastLoginPattern, program);
}

} // namespace quarn
