// How the program learns its start mode from its command line, and the activation file REGSERVER
// writes and UNREGSERVER removes.
#include "foundation/AutomationStartMode.h"
#include "platform/XdgPaths.h"
#include "support/FileContents.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

TEST(AutomationStartModeTest, SwitchesTakeEitherPrefixInAnyCase) {
    const struct {
        QStringList arguments;
        TStartMode mode;
    } cases[] = {
        {{"quarn"}, TStartMode::Standalone},
        {{"quarn", "-RegServer"}, TStartMode::RegServer},
        {{"quarn", "/regserver"}, TStartMode::RegServer},
        {{"quarn", "-UNREGSERVER"}, TStartMode::UnregServer},
        {{"quarn", "/Automation"}, TStartMode::Automation},
        {{"quarn", "-embedding"}, TStartMode::Automation},
        // Neither a bare word nor the program's own name count.
        {{"quarn", "regserver"}, TStartMode::Standalone},
        {{"-regserver"}, TStartMode::Standalone},
        {{"quarn", "-x", "--automation"}, TStartMode::Standalone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseStartMode(c.arguments), c.mode) << c.arguments.join(' ').toStdString();
    }
}

TEST(AutomationStartModeTest, RegisterWritesTheActivationFileAndUnregisterRemovesIt) {
    const std::filesystem::path file = AutomationServiceFile();
    EXPECT_EQ(file, XdgDataHome() / "dbus-1/services/org.quarn.Quarn.service");
    RegisterAutomationServer("/opt/quarn/bin/quarn");
    EXPECT_EQ(ReadFile(file),
              "[D-BUS Service]\nName=org.quarn.Quarn\nExec=/opt/quarn/bin/quarn -Automation\n");
    // A path with a blank is quoted for the bus's split of Exec.
    RegisterAutomationServer("/home/a b/quarn");
    EXPECT_EQ(ReadFile(file),
              "[D-BUS Service]\nName=org.quarn.Quarn\nExec=\"/home/a b/quarn\" -Automation\n");
    UnregisterAutomationServer();
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_NO_THROW(UnregisterAutomationServer()) << "nothing to remove is no failure";
}

} // namespace
} // namespace quarn::test
