// The program's three fixed expressions on lines as mailboxes and nodes send them, and the search's
// limits on hostile text.
#include "foundation/DebOutU.h"
#include "foundation/regex/RegExpressionU.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace quarn {
namespace {

struct ListingCase {
    const char* line;
    std::vector<std::pair<int, const char*>> groups; // empty: no listing line
};

void PrintTo(const ListingCase& c, std::ostream* os) {
    *os << '"' << c.line << '"';
}

class MailboxListTest : public ::testing::TestWithParam<ListingCase> {};

TEST_P(MailboxListTest, SplitsListingLines) {
    const ListingCase& c = GetParam();
    TRegExpression expression = MailboxListExpression();
    ASSERT_EQ(expression.Exec(c.line), !c.groups.empty());
    for (const auto& [group, text] : c.groups) {
        EXPECT_EQ(expression.Match(group), text) << "group " << group;
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, MailboxListTest,
                         ::testing::Values(ListingCase{"1234 DL1ABC > TNC 12.03.23 17:45 Hallo Welt",
                                                       {{1, "1234"},
                                                        {2, "DL1ABC"},
                                                        {3, "> TNC "},
                                                        {4, "> "},
                                                        {5, "TNC"},
                                                        {6, ""},
                                                        {8, ""},
                                                        {9, "12.03.23 "},
                                                        {10, ".23"},
                                                        {11, "17:45 "},
                                                        {12, ""},
                                                        {15, "Hallo Welt"}}},
                                           ListingCase{
                                               "  17  DL1ABC > TNC...4711 12.03.23 17:45 DL1XYZ 120 Betreff",
                                               {{1, "17"},
                                                {5, "TNC"},
                                                {6, "...4711"},
                                                {7, "..."},
                                                {8, "4711"},
                                                {12, "DL1XYZ "},
                                                {13, "120 "},
                                                {14, ""},
                                                {15, "Betreff"}}},
                                           ListingCase{"4711* OE3XYZ  24.12.23 2345 Frohe Weihnachten",
                                                       {{1, "4711"},
                                                        {2, "OE3XYZ"},
                                                        {5, ""},
                                                        {9, "24.12.23 "},
                                                        {12, "2345 "},
                                                        {15, "Frohe Weihnachten"}}},
                                           ListingCase{"12 DB0XYZ > ALL_DL 01.01 00:01 ",
                                                       {{5, "ALL_DL"}, {9, "01.01 "}, {10, ""}, {15, ""}}},
                                           ListingCase{"DB0XYZ> ", {}}, ListingCase{"Hallo 123 DL1ABC", {}},
                                           ListingCase{"", {}}, ListingCase{"12 dl1abc > TNC", {}}));

TEST(StationIdExpression, TakesTheFeatures) {
    TRegExpression expression = StationIdExpression();
    ASSERT_TRUE(expression.Exec("{QRN-1.0-DH$}"));
    EXPECT_EQ(expression.Match(1), "DH$");
    ASSERT_TRUE(expression.Exec("[FBB-7.00] {ABC-1.0-XYZ}\r"));
    EXPECT_EQ(expression.Match(1), "XYZ");
    // The greedy parts take as much as possible while the rest still matches.
    ASSERT_TRUE(expression.Exec("{A-B-C-D}"));
    EXPECT_EQ(expression.Match(1), "D");
    EXPECT_FALSE(expression.Exec("{ABC-1.0}"));
}

TEST(LastLoginExpression, ReadsDateAndTime) {
    TRegExpression expression = LastLoginExpression();
    ASSERT_TRUE(expression.Exec("DieBox 1.9  Last Login: 01.02.03 04:05 (12 neue)\r"));
    const char* expected[] = {"01", "02", "03", "04", "05"};
    for (int group = 1; group <= 5; ++group) {
        EXPECT_EQ(expression.Match(group), expected[group - 1]);
    }
    EXPECT_FALSE(expression.Exec("Login: 1.02.03 04:05"));
    EXPECT_FALSE(expression.Exec("DL1ABC de DB0XYZ> "));
}

// Each user gets an object of its own over the one compiled program; threads do not disturb each other.
TEST(FixedExpressions, ServeManyThreads) {
    std::vector<std::thread> threads;
    std::vector<int> hits(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &hits] {
            for (int i = 0; i < 200; ++i) {
                TRegExpression expression = LastLoginExpression();
                const std::string line = "Login: 0" + std::to_string(t) + ".02.03 04:05";
                if (expression.Exec(line) && expression.Match(1) == "0" + std::to_string(t)) {
                    ++hits[t];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(hits, std::vector<int>(4, 200));
}

// A repetition of a back-reference to an empty group consumes nothing; counting it stops at once.
TEST(RegExpressionRepeats, EmptyBackReferencesStopCounting) {
    struct Case {
        const char* pattern;
        const char* text;
        const char* whole;
    };
    const Case cases[] = {{"()\\1*x", "x", "x"},          {"()\\1{99999999}x", "x", "x"},
                          {"()\\1{3}x", "x", "x"},        {"()\\1+?x", "x", "x"},
                          {"(a*)\\1{5,}b", "b", "b"},     {"()(\\1)*x", "x", "x"},
                          {"()(\\1){3,}x", "x", "x"},     {"()(\\1)+y", "y", "y"},
                          {"(a|)(b\\1)+c", "bbc", "bbc"}, {"(a*)(\\1)*b", "aaab", "aaab"}};
    for (const Case& c : cases) {
        TRegExpression expression;
        expression.SetExpression(c.pattern);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(expression.Exec(c.text)) << c.pattern;
        EXPECT_EQ(expression.Match(0), c.whole) << c.pattern;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.pattern;
    }
}

class BudgetTest : public ::testing::Test {
protected:
    // Runs the expression over the text; true when it ended in time. Trace lines are kept.
    bool ExecQuickly(TRegExpression& expression, const std::string& text, bool& matched) {
        const ScopedTraceCapture capture([this](std::string_view line) { trace_.emplace_back(line); });
        const auto start = std::chrono::steady_clock::now();
        matched = expression.Exec(text);
        return std::chrono::steady_clock::now() - start < std::chrono::seconds(5);
    }
    bool TracedGivingUp() const {
        for (const auto& line : trace_) {
            if (line.find("TRegExpression.Exec: Suche nach") != std::string::npos &&
                line.find("abgebrochen") != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    std::vector<std::string> trace_;
};

constexpr std::size_t kHostileLength = 64 * 1024;

TEST_F(BudgetTest, ProgramExpressionsStayLinearOnLongLines) {
    struct Case {
        TRegExpression expression;
        std::string text;
        bool matches;
    };
    std::vector<Case> cases;
    cases.push_back(
        {LastLoginExpression(), "Login: " + std::string(kHostileLength, 'L') + "Login: 1", false});
    cases.push_back(
        {LastLoginExpression(), std::string(kHostileLength, 'x') + "Login: 01.02.03 04:05", true});
    cases.push_back({StationIdExpression(), "}{" + std::string(kHostileLength, '-'), false});
    cases.push_back({StationIdExpression(), "{" + std::string(kHostileLength, 'a') + "-b-c}", true});
    cases.push_back({MailboxListExpression(), "1 " + std::string(kHostileLength, '1') + "A", false});
    cases.push_back({MailboxListExpression(), "1 DL1ABC " + std::string(kHostileLength, ' ') + "x", true});
    for (auto& c : cases) {
        trace_.clear();
        bool matched = false;
        EXPECT_TRUE(ExecQuickly(c.expression, c.text, matched)) << c.expression.Expression();
        EXPECT_EQ(matched, c.matches) << c.expression.Expression();
        EXPECT_FALSE(TracedGivingUp()) << c.expression.Expression() << (trace_.empty() ? "" : trace_[0]);
    }
}

TEST_F(BudgetTest, HostileSearchGivesUpWithinTheBudget) {
    const std::pair<const char*, std::string> cases[] = {
        {"^(a|aa)*$", std::string(kHostileLength, 'a') + "b"},
        {"^(x+x+)+$", std::string(kHostileLength, 'x') + "z"},
        {"(\\w+\\s?)*$", std::string(kHostileLength, 'a') + "!"},
    };
    for (const auto& [pattern, text] : cases) {
        trace_.clear();
        TRegExpression expression;
        expression.SetExpression(pattern);
        bool matched = true;
        EXPECT_TRUE(ExecQuickly(expression, text, matched)) << pattern;
        EXPECT_FALSE(matched) << pattern;
        EXPECT_TRUE(TracedGivingUp()) << pattern;
    }
}

} // namespace
} // namespace quarn
