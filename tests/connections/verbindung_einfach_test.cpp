// The plain handler behind RunStandard: received text reaches the channel, typed text the transmit queue,
// and the link going down ends it with the connection's current handler cleared.
#include "connections/FakeModulVerbindung.h"
#include "connections/VerbindungAbstractU.h"
#include "foundation/GlobalU.h"
#include "support/Elapsed.h"

#include <future>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quarn::test {
namespace {

using namespace std::string_literals;

TEST(VerbindungEinfach, MovesTextBothWaysUntilTheLinkGoesDown) {
    auto connection = std::make_shared<FakeModulVerbindung>();
    auto thread = std::async(std::launch::async, [connection] { RunStandard(connection); });
    ASSERT_TRUE(WaitFor([&] { return connection->GetModul() != nullptr; }));
    const std::weak_ptr<IVerbindungAbstract> handler = connection->GetModul();
    EXPECT_EQ(handler.lock()->GetClassName(), "TVerbindungEinfach");

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

TEST(VerbindungEinfach, QuittingTheProgramEndsIt) {
    auto connection = std::make_shared<FakeModulVerbindung>();
    auto thread = std::async(std::launch::async, [connection] { RunStandard(connection); });
    ASSERT_TRUE(WaitFor([&] { return connection->GetModul() != nullptr; }));
    QuitEvent().Set();
    const bool ended = thread.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    QuitEvent().Reset();
    ASSERT_TRUE(ended);
    EXPECT_EQ(connection->GetModul(), nullptr);
}

} // namespace
} // namespace quarn::test
