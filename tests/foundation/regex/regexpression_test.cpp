// The expression syntax, modifiers, the error table and the object's interface.
#include "foundation/regex/RegExpressionU.h"

#include <gtest/gtest.h>

#include <string>

namespace quarn {
namespace {

struct SyntaxCase {
    const char* pattern;
    std::string text;
    const char* whole; // the match, nullptr for none
    const char* group1 = nullptr;
    const char* modifiers = "";
};

void PrintTo(const SyntaxCase& c, std::ostream* os) {
    *os << '"' << c.pattern << "\" on \"" << c.text << '"';
}

class SyntaxTest : public ::testing::TestWithParam<SyntaxCase> {};

TEST_P(SyntaxTest, MatchesAsDescribed) {
    const SyntaxCase& c = GetParam();
    TRegExpression expression;
    ASSERT_TRUE(expression.SetModifierStr(c.modifiers));
    expression.SetExpression(c.pattern);
    const bool matched = expression.Exec(c.text);
    ASSERT_EQ(matched, c.whole != nullptr);
    if (matched) {
        EXPECT_EQ(expression.Match(0), c.whole);
        if (c.group1 != nullptr) {
            EXPECT_EQ(expression.Match(1), c.group1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SyntaxTest,
    ::testing::Values(
        // The program's own constructs.
        SyntaxCase{"\\{.+-.+-(.*)\\}", "SID {ABC-1.0-XYZ} end", "{ABC-1.0-XYZ}", "XYZ"},
        SyntaxCase{"\\>\\-\\.\\:", "a>-.:b", ">-.:"},
        SyntaxCase{"^ *([0-9]+)[^ ]? +x", "  42! x", "  42! x", "42"},
        // Counts.
        SyntaxCase{"a{2,3}", "aaaa", "aaa"}, SyntaxCase{"a{2,3}?", "aaaa", "aa"},
        SyntaxCase{"a{2,3}?b", "aaab", "aaab"}, SyntaxCase{"a{2}", "aaa", "aa"},
        SyntaxCase{"a{2,}", "aaaaa", "aaaaa"}, SyntaxCase{"a{,3}", "aaa a{,3}", "a{,3}"},
        SyntaxCase{"a{,3}", "aaa", nullptr}, SyntaxCase{"a{x}", "a{x}", "a{x}"}, SyntaxCase{"x{", "x{", "x{"},
        SyntaxCase{"{2}", "{2}", "{2}"}, SyntaxCase{"(ab){2}", "xababx", "abab", "ab"},
        SyntaxCase{"(ab){0}", "xab", ""}, SyntaxCase{"a{0}", "aaa", ""},
        SyntaxCase{"(ab){1,2}?x", "ababx", "ababx"}, SyntaxCase{"(a|b){3,}", "abbaac", "abbaa", "a"},
        // Greedy, non-greedy, alternatives.
        SyntaxCase{"a+?", "aaa", "a"}, SyntaxCase{"a*?b", "aab", "aab"}, SyntaxCase{"a??a", "aa", "a"},
        SyntaxCase{"(ab)*", "ababc", "abab", "ab"}, SyntaxCase{"(ab)+?", "abab", "ab"},
        SyntaxCase{"(ab)*?c", "ababc", "ababc"}, SyntaxCase{"(ab)?c", "abc", "abc", "ab"},
        SyntaxCase{"(ab)??c", "abc", "abc", "ab"}, SyntaxCase{"ab|a", "ab", "ab"},
        SyntaxCase{"a|ab", "ab", "a"}, SyntaxCase{"(a|ab)(c|bcd)", "abcd", "abcd", "a"},
        SyntaxCase{"a|", "b", ""}, SyntaxCase{"a+", "aaa", "a", nullptr, "-g"},
        SyntaxCase{"(ab)+?", "abab", "ab", nullptr, "-g"}, SyntaxCase{"a+?", "aaa", "a", nullptr, "-g"},
        // Atoms, anchors and escapes.
        SyntaxCase{"a.b", "a\nb", "a\nb"}, SyntaxCase{"a.b", "a\nb", nullptr, nullptr, "-s"},
        SyntaxCase{"a.b", "a\rb", nullptr, nullptr, "-s"}, SyntaxCase{"a.+", "axy\nz", "axy", nullptr, "-s"},
        SyntaxCase{"^ab", "xab", nullptr}, SyntaxCase{"ab$", "ab\n", nullptr}, SyntaxCase{"ab$", "xab", "ab"},
        SyntaxCase{"\\Aab", "ab", "ab"}, SyntaxCase{"ab\\Z", "cab", "ab"},
        SyntaxCase{"ab\\Z", "ab\n", nullptr}, SyntaxCase{"\\bab\\b", "xab ab", "ab"},
        SyntaxCase{"\\Bb", "b ab", "b"}, SyntaxCase{"\\d+\\D", "x12y", "12y"},
        SyntaxCase{"\\w+\\W", "ab_1-", "ab_1-"}, SyntaxCase{"\\s\\S", "a\tb", "\tb"},
        SyntaxCase{"\\t\\n\\r\\f\\a\\e", "\t\n\r\f\a\x1b", "\t\n\r\f\a\x1b"},
        SyntaxCase{"\\x41\\x7e", "A~", "A~"}, SyntaxCase{"\\x0041", "A", "A"},
        SyntaxCase{"\\q\\%", "q%", "q%"}, SyntaxCase{"(a+)b\\1", "aabaa", "aabaa", "aa"},
        SyntaxCase{"(a)\\1{2}", "aaaa", "aaa"}, SyntaxCase{"(a)|b", "b", "b"},
        // Bracket classes.
        SyntaxCase{"[]a]+", "x]a]", "]a]"}, SyntaxCase{"[^]a]+", "]ab", "b"},
        SyntaxCase{"[a-c]+", "xabcd", "abc"}, SyntaxCase{"[-a]+", "a-b", "a-"},
        SyntaxCase{"[a-]+", "-a", "-a"}, SyntaxCase{"[\\d-]+", "1-2x", "1-2"},
        SyntaxCase{"[a-\\d]+", "a-5", "a-5"}, SyntaxCase{"[\\x41-\\x43]+", "ABCD", "ABC"},
        SyntaxCase{"[\\w.]+", "a.b c", "a.b"}, SyntaxCase{"[\\S]+", "ab c", "ab"},
        SyntaxCase{"[\\]]", "]", "]"}, SyntaxCase{"[\xC0-\xDF]", "\xA8", "\xA8"},
        SyntaxCase{"[\xE0-\xFF]", "\xB8", "\xB8"}, SyntaxCase{"[\xC0-\xDF]", "\xA8", nullptr, nullptr, "-r"},
        // Case-insensitive matching, also of accented letters and back-references.
        SyntaxCase{"abc", "xABC", "ABC", nullptr, "i"}, SyntaxCase{"(?i)abc", "xAbC", "AbC"},
        SyntaxCase{"ab(?i)c", "aBC abC", "abC"}, SyntaxCase{"[a-c]+", "ABCD", "ABC", nullptr, "i"},
        SyntaxCase{"[^a]", "Ab", "b", nullptr, "i"},
        SyntaxCase{"\xE9t\xE9", "\xC9T\xC9", "\xC9T\xC9", nullptr, "i"},
        SyntaxCase{"(a)\\1", "aA", "aA", nullptr, "i"}, SyntaxCase{"(a)\\1", "aA", nullptr},
        SyntaxCase{"(?i)a(?-i)b", "Ab AB", "Ab"},
        // Lines.
        SyntaxCase{"^b", "a\r\nb", "b", nullptr, "m"}, SyntaxCase{"a$", "a\r\nb", "a", nullptr, "m"},
        SyntaxCase{"^\\n", "a\r\n", nullptr, nullptr, "m"},
        SyntaxCase{"\\r$", "a\r\nb", nullptr, nullptr, "m"}, SyntaxCase{"^b", "a\nb", "b", nullptr, "m"},
        SyntaxCase{"(?m)a$", "a\rb", "a"},
        // Extended syntax, comments and modifier switches.
        SyntaxCase{"(?x) a b # comment\n c", "abc", "abc"}, SyntaxCase{"a\\ b", "a b", "a b", nullptr, "x"},
        SyntaxCase{"a *", "aaa", "aaa", nullptr, "x"}, SyntaxCase{"[ ]", " ", " ", nullptr, "x"},
        SyntaxCase{"a(?#xyz)b", "ab", "ab"}, SyntaxCase{"(?)a", "a", "a"},
        // Empty texts are texts.
        SyntaxCase{"x*", "", ""}, SyntaxCase{"^$", "", ""}, SyntaxCase{"a", "", nullptr},
        SyntaxCase{"()\\1", "", ""}));

struct ErrorCase {
    std::string pattern;
    int code;
    int position;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << '"' << c.pattern << '"';
}

class CompileErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CompileErrorTest, RaisesCodeAndPosition) {
    const ErrorCase& c = GetParam();
    TRegExpression expression;
    expression.SetExpression(c.pattern);
    try {
        expression.Exec("aaa");
        FAIL() << "no error";
    } catch (const ERegExpression& error) {
        EXPECT_EQ(error.ErrorCode(), c.code);
        EXPECT_EQ(error.CompilerErrorPos(), c.position);
        EXPECT_EQ(error.what(), expression.ErrorText(c.code) + " (pos " + std::to_string(c.position) + ")");
    }
    EXPECT_EQ(expression.LastError(), c.code);
    EXPECT_EQ(expression.LastError(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompileErrorTest,
    ::testing::Values(ErrorCase{std::string(30, '(') + "a" + std::string(30, ')'), 102, 30},
                      ErrorCase{"a)", 104, 2}, ErrorCase{"(a", 103, 3}, ErrorCase{"(?i", 103, 4},
                      ErrorCase{"(a?)*", 106, 5}, ErrorCase{"(a*)+", 106, 5}, ErrorCase{"^*", 106, 2},
                      ErrorCase{"(a?){2}", 106, 5}, ErrorCase{"(a|){x", 106, 5}, ErrorCase{"\\b+", 106, 3},
                      ErrorCase{"a**", 107, 3}, ErrorCase{"a{2}{3}", 107, 5}, ErrorCase{"a???", 107, 4},
                      ErrorCase{"a*?+", 107, 4}, ErrorCase{"a+{", 107, 3}, ErrorCase{"[z-a]", 109, 4},
                      ErrorCase{"a\\", 110, 3}, ErrorCase{"\\xg", 111, 3}, ErrorCase{"\\x", 111, 3},
                      ErrorCase{"\\x100", 112, 5}, ErrorCase{"[abc", 113, 5}, ErrorCase{"[]", 113, 3},
                      ErrorCase{"*a", 115, 1}, ErrorCase{"a|+b", 115, 3}, ErrorCase{"(?a)", 127, 3},
                      ErrorCase{"(?#c)?a", 115, 6}, ErrorCase{"[a\\", 116, 4},
                      ErrorCase{"a{123456789}", 122, 3}, ErrorCase{"a{000000001}", 122, 3},
                      ErrorCase{"a{1,123456789}", 122, 5}, ErrorCase{"a{3,2}", 124, 5},
                      ErrorCase{"a(?#xx", 125, 7}, ErrorCase{"(?i-z)", 127, 5}));

TEST(RegExpressionErrors, ExecErrorsCarryNoPosition) {
    TRegExpression expression;
    try {
        expression.Exec("abc");
        FAIL();
    } catch (const ERegExpression& error) {
        EXPECT_EQ(error.ErrorCode(), 1003);
        EXPECT_STREQ(error.what(), "TRegExpression(exec): Not Assigned Expression Property");
    }
    expression.SetExpression("");
    EXPECT_THROW(expression.Exec("abc"), ERegExpression);
    EXPECT_EQ(expression.LastError(), 1003);
    EXPECT_THROW(expression.SetLinePairedSeparator("\r\r"), ERegExpression);
    EXPECT_EQ(expression.LastError(), 128);
    EXPECT_THROW(expression.SetLinePairedSeparator("abc"), ERegExpression);
    expression.SetLinePairedSeparator("");
    EXPECT_EQ(expression.ErrorText(0), "No errors");
    EXPECT_EQ(expression.ErrorText(117), "Unknown error");
}

// Only a call without any text is error 1005; an empty text is searched like any other.
TEST(RegExpressionErrors, NoTextDiffersFromEmptyText) {
    TRegExpression expression;
    expression.SetExpression("a*");
    EXPECT_THROW(expression.InputString(), ERegExpression);
    EXPECT_EQ(expression.LastError(), 1008);

    EXPECT_TRUE(expression.Exec(std::string_view{}));
    EXPECT_EQ(expression.MatchPos(0), 0);
    EXPECT_EQ(expression.InputString(), "");

    try {
        expression.Exec(nullptr);
        FAIL();
    } catch (const ERegExpression& error) {
        EXPECT_EQ(error.ErrorCode(), 1005);
    }
    EXPECT_EQ(expression.MatchPos(0), -1);
    EXPECT_THROW(expression.InputString(), ERegExpression);

    const std::string text = "baa";
    EXPECT_TRUE(expression.Exec(&text));
    EXPECT_EQ(expression.InputString(), "baa");
}

std::string Nested(int loops) {
    std::string pattern = "a";
    for (int i = 0; i < loops; ++i) {
        pattern = "(" + pattern + "){1}";
    }
    return pattern;
}

TEST(RegExpressionErrors, ElevenOpenLoopsExceedTheLoopStack) {
    TRegExpression expression;
    expression.SetExpression(Nested(10));
    EXPECT_TRUE(expression.Exec("xa"));
    EXPECT_EQ(expression.Match(10), "a");

    expression.SetExpression(Nested(11));
    try {
        expression.Exec("xa");
        FAIL();
    } catch (const ERegExpression& error) {
        EXPECT_EQ(error.ErrorCode(), 1014);
        EXPECT_STREQ(error.what(), "TRegExpression(exec): Loop Stack Exceeded");
    }
    // Loops one after the other are never open at the same time.
    std::string sequence;
    for (int i = 0; i < 12; ++i) {
        sequence += "(a){1}";
    }
    expression.SetExpression(sequence);
    EXPECT_TRUE(expression.Exec(std::string(12, 'a')));
}

TEST(RegExpressionGroups, MatchIsEmptyOutsideTheGroupsAndAfterAFailure) {
    TRegExpression expression;
    expression.SetExpression("(a)|(b)");
    ASSERT_TRUE(expression.Exec("xb"));
    EXPECT_EQ(expression.Match(2), "b");
    EXPECT_EQ(expression.Match(1), "");
    EXPECT_EQ(expression.MatchPos(1), -1);
    EXPECT_EQ(expression.MatchPos(2), 1);
    EXPECT_EQ(expression.MatchLen(2), 1);
    EXPECT_EQ(expression.Match(30), "");
    EXPECT_EQ(expression.Match(-1), "");

    EXPECT_FALSE(expression.Exec("xyz"));
    EXPECT_EQ(expression.Match(0), "");
    EXPECT_EQ(expression.MatchPos(0), -1);
    EXPECT_EQ(expression.InputString(), "xyz");
}

TEST(RegExpressionGroups, TwentyNineGroupsAreReadable) {
    std::string pattern;
    std::string text;
    for (int i = 0; i < 29; ++i) {
        pattern += "(.)";
        text += static_cast<char>('A' + i);
    }
    TRegExpression expression;
    expression.SetExpression(pattern);
    ASSERT_TRUE(expression.Exec(text));
    EXPECT_EQ(expression.Match(1), "A");
    EXPECT_EQ(expression.Match(29), std::string(1, 'A' + 28));
}

TEST(RegExpressionModifiers, StringsAndRecompilation) {
    TRegExpression expression;
    EXPECT_EQ(expression.ModifierStr(), "rsg");
    EXPECT_EQ(expression.Modifiers(), kRegExprModifierR | kRegExprModifierS | kRegExprModifierG);
    EXPECT_FALSE(expression.SetModifierStr("iq"));
    EXPECT_EQ(expression.ModifierStr(), "rsg");
    EXPECT_TRUE(expression.SetModifierStr("IM-gs"));
    EXPECT_EQ(expression.ModifierStr(), "irm");

    // A change of the modifiers or of a character setting takes effect on the next Exec.
    expression.SetModifierStr("-im");
    expression.SetExpression("a+");
    ASSERT_TRUE(expression.Exec("aaa"));
    EXPECT_EQ(expression.Match(0), "a");
    expression.SetModifierStr("g");
    ASSERT_TRUE(expression.Exec("aaa"));
    EXPECT_EQ(expression.Match(0), "aaa");

    expression.SetExpression("\\w+");
    expression.SetWordChars("ab");
    ASSERT_TRUE(expression.Exec("xabz"));
    EXPECT_EQ(expression.Match(0), "ab");
    expression.SetSpaceChars("_");
    expression.SetExpression("\\s");
    ASSERT_TRUE(expression.Exec("a _"));
    EXPECT_EQ(expression.MatchPos(0), 2);

    // Separators define lines; without the pair CR and LF are separators each.
    expression.SetExpression("^b");
    expression.SetModifierStr("m");
    expression.SetLineSeparators("|");
    EXPECT_TRUE(expression.Exec("a|b"));
    EXPECT_FALSE(expression.Exec("a\nb"));
    expression.SetLineSeparators("\r\n");
    expression.SetExpression("^\\n");
    EXPECT_FALSE(expression.Exec("a\r\n"));
    expression.SetLinePairedSeparator("");
    EXPECT_TRUE(expression.Exec("a\r\n"));
}

TEST(RegExpressionObject, CopiesMatchOnTheirOwn) {
    TRegExpression first;
    first.SetExpression("(\\d+)");
    ASSERT_TRUE(first.Exec("a12"));
    TRegExpression second = first;
    ASSERT_TRUE(second.Exec("345"));
    EXPECT_EQ(first.Match(1), "12");
    EXPECT_EQ(second.Match(1), "345");
}

} // namespace
} // namespace quarn
