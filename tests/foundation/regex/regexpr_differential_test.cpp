// Generated expressions and texts, matched by our engine and by PCRE2 over the syntax both share: the
// match and every group's position must agree.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "foundation/regex/RegExpressionU.h"

#include <gtest/gtest.h>
#include <pcre2.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace quarn {
namespace {

// One generated expression in both spellings (they differ only where the two syntaxes do).
struct Pattern {
    std::string ours;
    std::string pcre;
    int groups = 0;
};

class PatternGenerator {
public:
    explicit PatternGenerator(std::uint32_t seed) : random_(seed) {}

    Pattern Next() {
        pattern_ = Pattern{};
        closed_.clear();
        Alternation(0);
        return pattern_;
    }

    std::string Text() {
        static const std::string alphabet = "aabbc1 -A";
        std::string text;
        const int length = Pick(12);
        for (int i = 0; i < length; ++i) {
            text += alphabet[Pick(static_cast<int>(alphabet.size()) - 1)];
        }
        return text;
    }

private:
    int Pick(int maxInclusive) { return std::uniform_int_distribution<int>(0, maxInclusive)(random_); }
    void Both(const std::string& text) {
        pattern_.ours += text;
        pattern_.pcre += text;
    }

    void Alternation(int depth) {
        Branch(depth);
        if (Pick(4) == 0) {
            Both("|");
            Branch(depth);
        }
    }

    void Branch(int depth) {
        const int pieces = 1 + Pick(3);
        for (int i = 0; i < pieces; ++i) {
            Piece(depth);
        }
    }

    void Piece(int depth) {
        // PCRE2 10.42 takes a "^" inside a group counted {0} as anchoring the whole expression.
        const int zero = Atom(depth) ? 1 : 0;
        switch (Pick(9)) {
        case 0:
            Both("*");
            break;
        case 1:
            Both("+");
            break;
        case 2:
            Both("?");
            break;
        case 3:
            Both("{" + std::to_string(zero + Pick(2)) + "}");
            break;
        case 4:
            Both("{" + std::to_string(zero + Pick(2)) + ",}");
            break;
        case 5: {
            const int low = zero + Pick(2);
            Both("{" + std::to_string(low) + "," + std::to_string(low + Pick(2)) + "}");
            break;
        }
        default:
            return;
        }
        if (Pick(2) == 0) {
            Both("?");
        }
    }

    // True for a group.
    bool Atom(int depth) {
        static const char* const kAtoms[] = {"a",     "b",   "c",    "1",      "\\-",   ".",   "[ab]", "[^a]",
                                             "[a-c]", "\\d", "\\w",  "\\s",    "\\W",   "\\b", "\\B",  "^",
                                             "$",     "A",   "[-1]", "[\\d ]", "\\x61", "\\A"};
        const int choice = Pick(depth < 3 ? 27 : 21);
        if (choice <= 21) {
            Both(kAtoms[choice]);
            return false;
        }
        if (choice == 22) {
            pattern_.ours += "\\Z";
            pattern_.pcre += "\\z";
            return false;
        }
        if (choice == 23 && !closed_.empty()) {
            const int group = closed_[Pick(static_cast<int>(closed_.size()) - 1)];
            pattern_.ours += "\\" + std::to_string(group);
            pattern_.pcre += "\\g{" + std::to_string(group) + "}";
            return false;
        }
        if (pattern_.groups >= 9) {
            Both("a");
            return false;
        }
        const int group = ++pattern_.groups;
        Both("(");
        Alternation(depth + 1);
        Both(")");
        closed_.push_back(group);
        return true;
    }

    std::mt19937 random_;
    Pattern pattern_;
    std::vector<int> closed_;
};

struct PcreCodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct PcreMatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

TEST(RegExprDifferential, AgreesWithPcre2) {
    PatternGenerator generator(20240611);
    const std::unique_ptr<pcre2_match_data, PcreMatchDataDeleter> data(pcre2_match_data_create(32, nullptr));
    int compared = 0;
    int matched = 0;
    for (int round = 0; round < 20000; ++round) {
        const Pattern pattern = generator.Next();
        const bool caseless = round % 5 == 0;

        TRegExpression ours;
        ours.SetExpression(pattern.ours);
        if (caseless) {
            ours.SetModifierStr("i");
        }
        try {
            ours.Exec("");
        } catch (const ERegExpression&) {
            continue; // outside the shared syntax (a repeated operand that can be empty)
        }
        int error = 0;
        PCRE2_SIZE offset = 0;
        const std::unique_ptr<pcre2_code, PcreCodeDeleter> code(pcre2_compile(
            reinterpret_cast<PCRE2_SPTR>(pattern.pcre.data()), pattern.pcre.size(),
            PCRE2_DOTALL | PCRE2_DOLLAR_ENDONLY | (caseless ? PCRE2_CASELESS : 0), &error, &offset, nullptr));
        if (code == nullptr) {
            continue; // PCRE2 refuses a repeated assertion
        }

        for (int t = 0; t < 8; ++t) {
            const std::string text = generator.Text();
            const int rc = pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0,
                                       0, data.get(), nullptr);
            ASSERT_TRUE(rc > 0 || rc == PCRE2_ERROR_NOMATCH) << pattern.pcre << " rc " << rc;
            const bool ourMatch = ours.Exec(text);
            ASSERT_EQ(ourMatch, rc > 0) << pattern.ours << " on \"" << text << '"';
            ++compared;
            if (!ourMatch) {
                continue;
            }
            ++matched;
            const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data.get());
            for (int g = 0; g <= pattern.groups; ++g) {
                const bool set = g < rc && vector[2 * g] != PCRE2_UNSET;
                const std::ptrdiff_t start = set ? static_cast<std::ptrdiff_t>(vector[2 * g]) : -1;
                const std::ptrdiff_t length =
                    set ? static_cast<std::ptrdiff_t>(vector[2 * g + 1] - vector[2 * g]) : -1;
                ASSERT_EQ(ours.MatchPos(g), start) << pattern.ours << " on \"" << text << "\" group " << g;
                ASSERT_EQ(ours.MatchLen(g), length) << pattern.ours << " on \"" << text << "\" group " << g;
            }
        }
    }
    // The generator must exercise both sides: many comparisons, matches and failures alike.
    EXPECT_GT(compared, 60000);
    EXPECT_GT(matched, compared / 5);
    EXPECT_LT(matched, compared - compared / 5);
}

} // namespace
} // namespace quarn
