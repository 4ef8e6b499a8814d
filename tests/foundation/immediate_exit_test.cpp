// The immediate end of the process: what must reach the disk is written first.
#include "foundation/ImmediateExit.h"
#include "platform/Registry.h"
#include "support/FileContents.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>

namespace quarn {
namespace {

TEST(ImmediateExitDeathTest, RunsTheHooksThenWritesTheSettingsAndEndsWithTheCode) {
    GTEST_FLAG_SET(death_test_style, "fast"); // the child writes where the parent looks
    const test::TempDir dir;
    const auto datei = dir / "hooks.txt";
    const std::string key = "Software\\Velmoor\\Quarn";
    EXPECT_EXIT(
        {
            const auto schreiben = [&](const char* text) {
                test::WriteFile(datei, test::ReadFile(datei) + text);
            };
            const TImmediateExitHook eins([&] { schreiben("eins "); });
            const TImmediateExitHook kaputt([] { throw std::runtime_error("voll"); });
            auto weg = std::make_unique<TImmediateExitHook>([&] { schreiben("weg "); });
            const TImmediateExitHook zwei([&] { schreiben("zwei"); });
            weg.reset();
            RegistryStore::Instance().WriteString(Hive::CurrentUser, key, "Sofort", "1");
            ImmediateExit(7);
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(test::ReadFile(datei), "eins zwei");
    EXPECT_EQ(RegistryStore(RegistryStore::Instance().folder()).ReadString(Hive::CurrentUser, key, "Sofort"),
              "1");
}

} // namespace
} // namespace quarn
