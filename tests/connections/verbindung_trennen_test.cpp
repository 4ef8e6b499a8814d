// The disconnect escalation: the level table, the device's steps, and the graceful end that waits on
// the GUI thread's 500 ms timer until everything queued has gone out.
#include "VerbindungTestFixture.h"

#include <gtest/gtest.h>

namespace quarn::test {
namespace {

using VerbindungTrennenTest = VerbindungFixture;

struct Step {
    std::uint8_t before;
    std::uint8_t after;
    bool trenne; // the device is asked at once
};

TEST_F(VerbindungTrennenTest, EachDisconnectGoesOneLevelUp) {
    const std::vector<Step> steps = {
        {0, 1, false}, {1, 3, true}, {2, 3, true}, {3, 5, true}, {4, 5, true}, {5, 5, true}, {6, 6, true},
    };
    for (const Step& step : steps) {
        const auto connection = Make();
        // Reach the level the way the device does: disconnect and done steps.
        const std::vector<std::vector<int>> route = {{},         {0},       {0, -1},      {0, 0},
                                                     {0, 0, -1}, {0, 0, 0}, {0, 0, 0, -1}};
        for (const int action : route[step.before]) {
            action == 0 ? connection->Disconnect() : connection->DiscLevelDone();
        }
        ASSERT_EQ(connection->GetDiscLevel(), step.before);
        const int before = device->trennen.load();
        connection->Disconnect();
        EXPECT_EQ(connection->GetDiscLevel(), step.after) << "from " << int(step.before);
        EXPECT_EQ(device->trennen.load() - before, step.trenne ? 1 : 0) << "from " << int(step.before);
        connection->Release();
    }
}

TEST_F(VerbindungTrennenTest, TwoDisconnectsGoEndThenCancelAndTheSecondAsksTheDevice) {
    const auto connection = Make();
    connection->Disconnect();
    EXPECT_EQ(connection->GetDiscLevel(), 1);
    EXPECT_EQ(device->trennen.load(), 0);
    EXPECT_TRUE(connection->TimerActive());

    connection->Disconnect();
    EXPECT_EQ(connection->GetDiscLevel(), 3);
    EXPECT_EQ(device->trennen.load(), 1);
    EXPECT_EQ(device->lastLevel.load(), 3);
    EXPECT_FALSE(connection->TimerActive()) << "Cancel does not wait";
}

TEST_F(VerbindungTrennenTest, EndWaitsForQueuesAndOutstandingFramesOnTheTimer) {
    const auto connection = Make();
    connection->GetTransmitQueue().PushString("still to go");
    connection->GetStatus()->SetOutstanding(2);
    connection->Disconnect();

    // Ticks pass while something is queued or unacknowledged.
    QElapsedTimer elapsed;
    elapsed.start();
    PumpUntil([&] { return elapsed.elapsed() > 1200; });
    EXPECT_EQ(device->trennen.load(), 0);

    connection->GetTransmitQueue().PopString();
    PumpUntil([&] { return elapsed.elapsed() > 2400; });
    EXPECT_EQ(device->trennen.load(), 0) << "two frames not yet acknowledged";

    connection->GetStatus()->SetOutstanding(0);
    ASSERT_TRUE(PumpUntil([&] { return device->trennen.load() == 1; }));
    EXPECT_EQ(device->lastLevel.load(), 1);
    EXPECT_FALSE(connection->TimerActive());

    connection->DiscLevelDone();
    EXPECT_EQ(connection->GetDiscLevel(), 2);
    EXPECT_EQ(connection->GetState(), 1);
}

TEST_F(VerbindungTrennenTest, DisconnectWithoutDeviceKillsAndAsksNoDevice) {
    const auto connection = Make(false);
    connection->Disconnect();
    EXPECT_EQ(connection->GetDiscLevel(), 5);
    EXPECT_EQ(device->trennen.load(), 0);
    EXPECT_FALSE(connection->TimerActive());

    // A device that has gone counts as none.
    auto gone = std::make_shared<FakeGeraet>();
    const auto orphan = TVerbindung::Create(gone, &store);
    gone.reset();
    orphan->Disconnect();
    EXPECT_EQ(orphan->GetDiscLevel(), 5);
    orphan->Release();
}

TEST_F(VerbindungTrennenTest, ReleasedConnectionStopsItsTimer) {
    const auto connection = Make();
    connection->Disconnect();
    ASSERT_TRUE(connection->TimerActive());
    connection->Release();
    EXPECT_FALSE(connection->TimerActive());
}

TEST_F(VerbindungTrennenTest, DoneStepsOutsideAnEscalationChangeNothing) {
    const auto connection = Make();
    connection->DiscLevelDone();
    EXPECT_EQ(connection->GetDiscLevel(), 0);
    EXPECT_EQ(connection->GetState(), 1);
}

} // namespace
} // namespace quarn::test
