// The standard handler behind RunStandard on its own thread, and its feed of the PGP watcher.
#include "StandardFixture.h"
#include "connections/VerbindungAbstractU.h"
#include "foundation/ConfigU.h"
#include "foundation/GlobalU.h"
#include "platform/Registry.h"
#include "support/Elapsed.h"
#include "support/TempDir.h"

#include <future>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quarn::test {
namespace {

using namespace std::string_literals;

TEST(StandardRun, MovesTextBothWaysUntilTheLinkGoesDown) {
    auto connection = std::make_shared<StandardVerbindung>();
    auto thread = std::async(std::launch::async, [connection] { RunStandard(connection); });
    ASSERT_TRUE(WaitFor([&] { return connection->GetModul() != nullptr; }));
    const std::weak_ptr<IVerbindungAbstract> handler = connection->GetModul();
    EXPECT_EQ(handler.lock()->GetClassName(), "TVerbindungStandard");

    const std::vector<std::string> received = {"Hallo\r", "bin\0\xff\r"s, "ohne Ende"};
    for (const std::string& piece : received) {
        connection->receive.PushString(piece);
    }
    const std::vector<std::string> typed = {"eins\r", "zwei\r", "drei\r"};
    for (const std::string& piece : typed) {
        connection->typed.PushString(piece);
    }
    ASSERT_TRUE(
        WaitFor([&] { return connection->Shown().size() == 3 && connection->transmit.Count() == 3; }));
    EXPECT_EQ(connection->Shown(), received);
    for (const std::string& piece : typed) {
        EXPECT_EQ(connection->transmit.PopString(), piece); // each piece on its own, in order
    }

    connection->disconnect.Set();
    ASSERT_EQ(thread.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    thread.get();
    EXPECT_EQ(connection->GetModul(), nullptr);
    EXPECT_TRUE(handler.expired());
}

TEST(StandardRun, QuittingTheProgramEndsIt) {
    auto connection = std::make_shared<StandardVerbindung>();
    auto thread = std::async(std::launch::async, [connection] { RunStandard(connection); });
    ASSERT_TRUE(WaitFor([&] { return connection->GetModul() != nullptr; }));
    QuitEvent().Set();
    const bool ended = thread.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    QuitEvent().Reset();
    ASSERT_TRUE(ended);
    EXPECT_EQ(connection->GetModul(), nullptr);
}

TEST_F(StandardFixture, CompleteLinesFeedThePgpWatcher) {
    TempDir dir;
    RegistryStore store{dir / "registry"};
    TConfig config{store};
    const ScopedConfig published{config};
    config.SetCollectPublicKeys(false);
    Start();
    // The block arrives in pieces; only whole lines reach the watcher, which answers when it ends.
    Receive({"-----BEGIN PGP PUBLIC", " KEY BLOCK-----\r", "\r", "mQENBF\r",
             "-----END PGP PUBLIC KEY BLOCK-----\r"});
    ASSERT_EQ(connection->prompts.size(), 1U);
    EXPECT_NE(connection->prompts.front().find("ausgeschaltet"), std::string::npos)
        << connection->prompts.front();
}

} // namespace
} // namespace quarn::test
