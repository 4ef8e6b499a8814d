#include "foundation/CommaText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace quarn {
namespace {

using Items = std::vector<std::string>;

std::string Bytes(const char* text, std::size_t size) {
    return std::string(text, size);
}

struct FormatCase {
    Items items;
    std::string text;
};

TEST(CommaText, FormatsAndReadsBackEachItem) {
    const std::vector<FormatCase> cases = {
        {{}, ""},
        {{""}, "\"\""},
        {{"DL1ABC"}, "DL1ABC"},
        {{"DL1ABC", "DB0XYZ-7"}, "DL1ABC,DB0XYZ-7"},
        {{"0", "C:\\Sounds\\ring.wav", "1"}, "0,C:\\Sounds\\ring.wav,1"},
        {{"dir=1", "read=0"}, "dir=1,read=0"},
        {{"a b"}, "\"a b\""},
        {{" lead", "trail "}, "\" lead\",\"trail \""},
        {{"x,y"}, "\"x,y\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"\""}, "\"\"\"\""},
        {{"line\r\n"}, "\"line\r\n\""},
        {{"tab\there"}, "\"tab\there\""},
        {{Bytes("nul\0", 4)}, Bytes("\"nul\0\"", 6)},
        {{"del\x7F"}, "\"del\x7F\""},
        {{"\xC4rger \xFC"}, "\"\xC4rger \xFC\""},
        {{"\xC4rger"}, "\xC4rger"},
        {{"a", "", "b"}, "a,,b"},
        {{"", ""}, ","},
        {{"a", ""}, "a,"},
        {{"", "a"}, ",a"},
        {{"1", ""}, "1,"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatCommaText(c.items), c.text);
        EXPECT_EQ(ParseCommaText(c.text), c.items) << "text: " << c.text;
    }
}

struct ParseCase {
    std::string text;
    Items items;
};

TEST(CommaText, ReadsHandEditedAndOlderForms) {
    const std::vector<ParseCase> cases = {
        {"   ", {}},
        {" a , b ", {"a", "b"}},
        {"\ta,\r\nb", {"a", "b"}},
        {"a, ,b", {"a", "", "b"}},
        {"a,,", {"a", "", ""}},
        {"a b,c", {"a b", "c"}},
        {"\"a b\" , c", {"a b", "c"}},
        {"\"a\"b,c", {"ab", "c"}},
        {"\"a\" b ,c", {"a b", "c"}},
        {"\"\",\"\"", {"", ""}},
        {"x\"y", {"x\"y"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseCommaText(c.text), c.items) << "text: " << c.text;
    }
}

TEST(CommaText, UnterminatedQuoteRunsToTheEnd) {
    // clang-format off
    const std::vector<ParseCase> cases = {
        {"\"", {""}},
        {"\"abc", {"abc"}},
        {"\"abc  ", {"abc  "}},
        {"a,\"b,c", {"a", "b,c"}},
        {"\"ab\"\"", {"ab\""}},
        {"\"\"\"", {"\""}},
        {"a,\"", {"a", ""}},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(ParseCommaText(c.text), c.items) << "text: " << c.text;
    }
    const std::string manyQuotes(100001, '"');
    EXPECT_EQ(ParseCommaText(manyQuotes), Items{std::string(50000, '"')});
}

std::string RandomItem(std::mt19937& random) {
    // Mostly short items drawn from the characters that matter, now and then any byte.
    static const std::string interesting = "ab ,\"\r\n\t\x7F\xE4=";
    std::uniform_int_distribution<int> length(0, 6);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(interesting.size()) + 3);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string item;
    for (int n = length(random); n > 0; --n) {
        const int p = pick(random);
        item += p < static_cast<int>(interesting.size()) ? interesting[p] : static_cast<char>(byte(random));
    }
    return item;
}

TEST(CommaText, EveryListSurvivesARoundTrip) {
    std::mt19937 random(1705);
    std::uniform_int_distribution<int> count(0, 5);
    for (int run = 0; run < 5000; ++run) {
        Items items;
        for (int n = count(random); n > 0; --n) {
            items.push_back(RandomItem(random));
        }
        const std::string text = FormatCommaText(items);
        ASSERT_EQ(ParseCommaText(text), items) << "text: " << text;
    }
}

TEST(CommaText, ArbitraryTextReadsAsAListThatRoundTrips) {
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> count(0, 4);
    for (int run = 0; run < 5000; ++run) {
        std::string text;
        for (int n = count(random); n > 0; --n) {
            text += RandomItem(random);
        }
        const Items items = ParseCommaText(text);
        ASSERT_EQ(ParseCommaText(FormatCommaText(items)), items) << "text: " << text;
    }
}

} // namespace
} // namespace quarn
