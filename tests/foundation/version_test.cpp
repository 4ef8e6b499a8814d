#include "foundation/VersionInfo.h"

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>

namespace quarn {
namespace {

TEST(ProgramVersion, ShowsMajorTwoDigitMinorAndThreeDigitBuildWithTheSpecialBuild) {
    const struct {
        FileVersion version;
        const char* specialBuild;
        const char* shown;
    } cases[] = {
        {{1, 2, 0, 345}, "beta", "1.02.345 beta"},
        {{1, 2, 0, 345}, "-rc1", "1.02.345-rc1"},
        {{1, 2, 0, 345}, "/x", "1.02.345/x"},
        {{1, 2, 7, 345}, "", "1.02.345"}, // the release number is not shown
        {{1, 0, 0, 0}, "", "1.00.000"},
        {{12, 34, 0, 5678}, "", "12.34.5678"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatProgramVersion(c.version, c.specialBuild), c.shown) << c.shown;
    }
}

TEST(ProgramVersion, IsThisBuildsFileVersionInThatForm) {
    EXPECT_EQ(ProgramVersion(), FormatProgramVersion(ProgramFileVersion(), SpecialBuild()));
    EXPECT_TRUE(std::regex_match(ProgramVersion(), std::regex(R"(\d+\.\d{2}\.\d{3,}([ \-/].+)?)")))
        << ProgramVersion();
}

TEST(ParseFileVersion, TakesOneToFourNumbersAndNothingElse) {
    const struct {
        const char* text;
        std::optional<FileVersion> version;
    } cases[] = {
        {"1.2.0.345", FileVersion{1, 2, 0, 345}},
        {"1.0.0", FileVersion{1, 0, 0, 0}},
        {"7", FileVersion{7, 0, 0, 0}},
        {"65535.0.0.1", FileVersion{65535, 0, 0, 1}},
        {"", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"1..2", std::nullopt},
        {"1.2.", std::nullopt},
        {"65536.0", std::nullopt},
        {"1.02.345 beta", std::nullopt},
        {"-1.0", std::nullopt},
        {"+1.0", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseFileVersion(c.text), c.version) << c.text;
    }
}

} // namespace
} // namespace quarn
