#include "foundation/regex/RegExprSyntax.h"

#include "platform/Codepage.h"
#include "platform/HexDigit.h"

#include <cstddef>

namespace quarn::regexpr {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// One element of a bracket class: a single byte or a whole class such as \d.
struct ClassItem {
    bool isSet = false;
    std::uint8_t ch = 0;
    ByteSet set;
};

class Parser {
public:
    Parser(std::string_view expression, int modifiers, const Settings& settings)
        : text_(expression), modifiers_(modifiers) {
        digits_.setRange('0', '9');
        words_ = ByteSetOf(settings.wordChars);
        spaces_ = ByteSetOf(settings.spaceChars);
        separators_ = ByteSetOf(settings.lineSeparators);
    }

    Syntax Run() {
        syntax_.root = ParseAlternation();
        if (!AtEnd()) {
            Fail(text_[pos_] == ')' ? 104 : 105, pos_);
        }
        syntax_.groups = groups_;
        return std::move(syntax_);
    }

private:
    [[noreturn]] void Fail(int code, std::size_t at) const {
        throw CompileError{code, static_cast<int>(at) + 1};
    }
    [[noreturn]] void FailAtEnd(int code) const { Fail(code, text_.size()); }

    bool AtEnd() const { return pos_ >= text_.size(); }
    bool Has(int mod) const { return (modifiers_ & mod) != 0; }

    int Add(Node node) {
        syntax_.nodes.push_back(std::move(node));
        return static_cast<int>(syntax_.nodes.size()) - 1;
    }
    int AddSet(const ByteSet& set) {
        Node node;
        node.kind = NodeKind::Set;
        node.set = static_cast<int>(syntax_.sets.size());
        syntax_.sets.push_back(set);
        return Add(std::move(node));
    }

    // Blanks, line ends and "#" comments between the parts of an extended expression.
    void SkipExtended() {
        if (!Has(kModX)) {
            return;
        }
        while (!AtEnd()) {
            const char c = text_[pos_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++pos_;
            } else if (c == '#') {
                while (!AtEnd() && text_[pos_] != '\n' && text_[pos_] != '\r') {
                    ++pos_;
                }
            } else {
                return;
            }
        }
    }

    int ParseAlternation() {
        std::vector<int> branches{ParseBranch()};
        while (!AtEnd() && text_[pos_] == '|') {
            ++pos_;
            branches.push_back(ParseBranch());
        }
        if (branches.size() == 1) {
            return branches.front();
        }
        Node alt;
        alt.kind = NodeKind::Alt;
        alt.kids = std::move(branches);
        return Add(std::move(alt));
    }

    int ParseBranch() {
        std::vector<int> pieces;
        for (;;) {
            SkipExtended();
            if (AtEnd() || text_[pos_] == '|' || text_[pos_] == ')') {
                break;
            }
            ParsePiece(pieces);
        }
        if (pieces.empty()) {
            return Add(Node{});
        }
        if (pieces.size() == 1) {
            return pieces.front();
        }
        Node concat;
        concat.kind = NodeKind::Concat;
        concat.kids = std::move(pieces);
        return Add(std::move(concat));
    }

    static bool IsRepeatStart(char c) { return c == '*' || c == '+' || c == '?' || c == '{'; }

    void ParsePiece(std::vector<int>& pieces) {
        const char first = text_[pos_];
        if (first == '*' || first == '+' || first == '?') {
            Fail(115, pos_);
        }
        const int atom = ParseAtom();
        if (atom < 0) {
            return; // a comment or a modifier switch
        }
        SkipExtended();
        if (AtEnd() || !IsRepeatStart(text_[pos_])) {
            pieces.push_back(atom);
            return;
        }
        const char op = text_[pos_];
        const bool empty = CanBeEmpty(syntax_, atom);
        Node repeat;
        repeat.kind = NodeKind::Repeat;
        switch (op) {
        case '*':
        case '+':
            if (empty) {
                Fail(106, pos_);
            }
            repeat.repeatOp = op == '*' ? RepeatOp::Star : RepeatOp::Plus;
            repeat.min = op == '*' ? 0 : 1;
            repeat.max = kOpenCount;
            ++pos_;
            break;
        case '?':
            repeat.repeatOp = RepeatOp::Question;
            repeat.min = 0;
            repeat.max = 1;
            ++pos_;
            break;
        default: // '{'
            if (empty) {
                Fail(106, pos_);
            }
            if (!ParseBraces(repeat.min, repeat.max)) {
                pieces.push_back(atom); // an ordinary "{", read as the next atom
                return;
            }
            repeat.repeatOp = RepeatOp::Braces;
            break;
        }
        bool lazy = false;
        SkipExtended();
        if (!AtEnd() && text_[pos_] == '?') {
            lazy = true;
            ++pos_;
            SkipExtended();
        }
        if (!AtEnd() && IsRepeatStart(text_[pos_])) {
            Fail(107, pos_);
        }
        repeat.greedy = Has(kModG) && !lazy;
        repeat.kids.push_back(atom);
        pieces.push_back(Add(std::move(repeat)));
    }

    // "{n}", "{n,}" or "{n,m}" at pos_; false (nothing consumed) when the "{" begins no count.
    bool ParseBraces(std::int32_t& min, std::int32_t& max) {
        std::size_t q = pos_ + 1;
        const std::size_t minStart = q;
        while (q < text_.size() && IsDigit(text_[q])) {
            ++q;
        }
        const std::size_t minEnd = q;
        if (minEnd == minStart || q >= text_.size()) {
            return false;
        }
        std::size_t maxStart = 0;
        std::size_t maxEnd = 0;
        bool single = false;
        if (text_[q] == '}') {
            single = true;
        } else if (text_[q] == ',') {
            maxStart = ++q;
            while (q < text_.size() && IsDigit(text_[q])) {
                ++q;
            }
            maxEnd = q;
            if (q >= text_.size() || text_[q] != '}') {
                return false;
            }
        } else {
            return false;
        }
        const auto number = [&](std::size_t from, std::size_t to) {
            if (to - from >= 9) {
                Fail(122, from);
            }
            std::int32_t value = 0;
            for (std::size_t i = from; i < to; ++i) {
                value = value * 10 + (text_[i] - '0');
            }
            return value;
        };
        min = number(minStart, minEnd);
        if (single) {
            max = min;
        } else if (maxEnd == maxStart) {
            max = kOpenCount;
        } else {
            max = number(maxStart, maxEnd);
            if (max < min) {
                Fail(124, maxStart);
            }
        }
        pos_ = q + 1;
        return true;
    }

    int Literal(std::uint8_t c) {
        if (Has(kModI)) {
            const std::uint8_t up = Cp1252Upper(c);
            const std::uint8_t low = Cp1252Lower(c);
            if (up != c || low != c) {
                ByteSet set;
                set.set(c);
                set.set(up);
                set.set(low);
                return AddSet(set);
            }
        }
        Node node;
        node.kind = NodeKind::Char;
        node.ch = c;
        return Add(std::move(node));
    }

    int Assertion(Op op) {
        Node node;
        node.kind = NodeKind::Assert;
        node.assertion = op;
        return Add(std::move(node));
    }

    int ParseAtom() {
        const char c = text_[pos_];
        switch (c) {
        case '(':
            return ParseParenthesis();
        case '[':
            return ParseClass();
        case '.': {
            ++pos_;
            ByteSet set;
            if (Has(kModS)) {
                set.setAll();
            } else {
                set = separators_;
                set.flip();
            }
            const int node = AddSet(set);
            syntax_.nodes[node].anyByte = Has(kModS);
            syntax_.nodes[node].dotLine = !Has(kModS);
            return node;
        }
        case '^':
            ++pos_;
            return Assertion(Has(kModM) ? Op::MBol : Op::Bol);
        case '$':
            ++pos_;
            return Assertion(Has(kModM) ? Op::MEol : Op::Eol);
        case '\\':
            return ParseEscape();
        default:
            ++pos_;
            return Literal(static_cast<std::uint8_t>(c));
        }
    }

    int ParseParenthesis() {
        const std::size_t open = pos_;
        if (open + 1 < text_.size() && text_[open + 1] == '?') {
            if (open + 2 < text_.size() && text_[open + 2] == '#') {
                const std::size_t close = text_.find(')', open + 3);
                if (close == std::string_view::npos) {
                    FailAtEnd(125);
                }
                pos_ = close + 1;
                return -1;
            }
            const std::size_t close = text_.find(')', open + 2);
            if (close == std::string_view::npos) {
                FailAtEnd(103);
            }
            std::size_t bad = 0;
            if (!ApplyModifierString(text_.substr(open + 2, close - open - 2), modifiers_, bad)) {
                Fail(127, open + 2 + bad);
            }
            pos_ = close + 1;
            return -1;
        }
        if (groups_ >= kGroupCount - 1) {
            Fail(102, open);
        }
        Node group;
        group.kind = NodeKind::Group;
        group.group = ++groups_;
        ++pos_;
        const int inner = ParseAlternation();
        if (AtEnd() || text_[pos_] != ')') {
            FailAtEnd(103);
        }
        ++pos_;
        group.kids.push_back(inner);
        return Add(std::move(group));
    }

    // "\x" and its hexadecimal digits, pos_ on the first digit.
    std::uint8_t ParseHex() {
        if (AtEnd()) {
            FailAtEnd(111);
        }
        if (HexDigitValue(text_[pos_]) < 0) {
            Fail(111, pos_);
        }
        int value = 0;
        while (!AtEnd() && HexDigitValue(text_[pos_]) >= 0) {
            value = value * 16 + HexDigitValue(text_[pos_]);
            if (value > 255) {
                Fail(112, pos_);
            }
            ++pos_;
        }
        return static_cast<std::uint8_t>(value);
    }

    // The classes \d \D \w \W \s \S, shared by atoms and bracket classes.
    bool ClassEscape(char c, ByteSet& set) const {
        switch (c) {
        case 'd':
        case 'D':
            set = digits_;
            break;
        case 'w':
        case 'W':
            set = words_;
            break;
        case 's':
        case 'S':
            set = spaces_;
            break;
        default:
            return false;
        }
        if (c >= 'A' && c <= 'Z') {
            set.flip();
        }
        return true;
    }

    static int ControlEscape(char c) {
        switch (c) {
        case 't':
            return '\t';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 'f':
            return '\f';
        case 'a':
            return '\a';
        case 'e':
            return 27;
        default:
            return -1;
        }
    }

    int ParseEscape() {
        ++pos_;
        if (AtEnd()) {
            FailAtEnd(110);
        }
        const char c = text_[pos_++];
        ByteSet set;
        if (ClassEscape(c, set)) {
            return AddSet(set);
        }
        switch (c) {
        case 'b':
            return Assertion(Op::WordBoundary);
        case 'B':
            return Assertion(Op::NoWordBoundary);
        case 'A':
            return Assertion(Op::Bol);
        case 'Z':
            return Assertion(Op::Eol);
        case 'x':
            return Literal(ParseHex());
        default:
            break;
        }
        if (c >= '1' && c <= '9') {
            Node node;
            node.kind = NodeKind::BackRef;
            node.group = c - '0';
            node.caseless = Has(kModI);
            return Add(std::move(node));
        }
        const int control = ControlEscape(c);
        return Literal(static_cast<std::uint8_t>(control >= 0 ? control : c));
    }

    ClassItem ParseClassItem() {
        ClassItem item;
        const char c = text_[pos_++];
        if (c != '\\') {
            item.ch = static_cast<std::uint8_t>(c);
            return item;
        }
        if (AtEnd()) {
            FailAtEnd(116);
        }
        const char e = text_[pos_++];
        if (ClassEscape(e, item.set)) {
            item.isSet = true;
            return item;
        }
        if (e == 'x') {
            item.ch = ParseHex();
            return item;
        }
        const int control = ControlEscape(e);
        item.ch = static_cast<std::uint8_t>(control >= 0 ? control : e);
        return item;
    }

    // Cyrillic letters of code page 1251: a range over them that covers "Е" or "е" also takes "Ё" or "ё",
    // which that code page keeps apart from the alphabet.
    void AddRussianRange(ByteSet& set, int from, int to) const {
        if (!Has(kModR) || from < 0xC0) {
            return;
        }
        if (from <= 0xC5 && to >= 0xC5) {
            set.set(0xA8);
        }
        if (from <= 0xE5 && to >= 0xE5) {
            set.set(0xB8);
        }
    }

    int ParseClass() {
        ++pos_;
        ByteSet set;
        bool negate = false;
        if (!AtEnd() && text_[pos_] == '^') {
            negate = true;
            ++pos_;
        }
        bool first = true;
        for (;;) {
            if (AtEnd()) {
                FailAtEnd(113);
            }
            if (text_[pos_] == ']' && !first) {
                ++pos_;
                break;
            }
            first = false;
            const ClassItem low = ParseClassItem();
            if (low.isSet) {
                set.merge(low.set);
                continue;
            }
            if (pos_ + 1 < text_.size() && text_[pos_] == '-' && text_[pos_ + 1] != ']') {
                ++pos_;
                const std::size_t highAt = pos_;
                const ClassItem high = ParseClassItem();
                if (high.isSet) {
                    set.set(low.ch);
                    set.set('-');
                    set.merge(high.set);
                    continue;
                }
                if (high.ch < low.ch) {
                    Fail(109, highAt);
                }
                set.setRange(low.ch, high.ch);
                AddRussianRange(set, low.ch, high.ch);
                continue;
            }
            set.set(low.ch);
        }
        if (Has(kModI)) {
            ByteSet folded = set;
            for (int c = 0; c < 256; ++c) {
                if (set.test(static_cast<std::uint8_t>(c))) {
                    folded.set(Cp1252Upper(static_cast<std::uint8_t>(c)));
                    folded.set(Cp1252Lower(static_cast<std::uint8_t>(c)));
                }
            }
            set = folded;
        }
        if (negate) {
            set.flip();
        }
        return AddSet(set);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int modifiers_;
    int groups_ = 0;
    Syntax syntax_;
    ByteSet digits_;
    ByteSet words_;
    ByteSet spaces_;
    ByteSet separators_;
};

} // namespace

Syntax ParseExpression(std::string_view expression, int modifiers, const Settings& settings) {
    return Parser(expression, modifiers, settings).Run();
}

} // namespace quarn::regexpr
