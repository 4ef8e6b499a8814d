// The run loop's polling: standard and extended poll, channels above the TNC's count, the full-check
// counter, monitor frames, the cycle's wait on the program clock and stopping in the middle of a resync.
#include "HostmodeLoopFixture.h"
#include "TraceLines.h"
#include "support/Elapsed.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <map>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

// How many "G" each channel got.
std::map<int, int> PollCounts(const TncSimCore& core) {
    std::map<int, int> counts;
    for (const ReceivedFrame& frame : core.Received()) {
        if (frame.command && frame.data == "G") {
            ++counts[frame.channel];
        }
    }
    return counts;
}

std::map<int, int> Difference(const std::map<int, int>& after, const std::map<int, int>& before) {
    std::map<int, int> difference;
    for (const auto& [channel, count] : after) {
        const auto found = before.find(channel);
        const int added = count - (found != before.end() ? found->second : 0);
        if (added > 0) {
            difference[channel] = added;
        }
    }
    return difference;
}

struct PollRow {
    const char* name;
    bool extended;
    bool fullCheck;                       // the measured cycle is a full check
    std::function<void(TncSimCore&)> arm; // just before the measured cycle
    std::map<int, int> polls;             // "G" per channel in the measured cycle
};

TEST_F(LoopTest, StandardAndExtendedPoll) {
    // A list from the extended poll naming channel 1 and channel 7, which the TNC of 4 does not have.
    const std::string listWithChannel7("\xff\x01\x02\x08\x00", 5);
    const std::vector<PollRow> rows = {
        {"standard", false, false, {}, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {"standard, full check", false, true, {}, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {"standard, data on 2",
         false,
         false,
         [](TncSimCore& core) {
             core.IncomingConnect(2, "DL2BBB");
             core.RemoteData(2, "x");
         },
         {{0, 1}, {1, 1}, {2, 3}, {3, 1}, {4, 1}}},
        {"extended, nothing pending", true, false, {}, {{255, 1}}},
        {"extended, full check", true, true, {}, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {"extended, data on 2",
         true,
         false,
         [](TncSimCore& core) {
             core.IncomingConnect(2, "DL2BBB");
             core.RemoteData(2, "x");
         },
         {{255, 1}, {2, 3}}},
        {"extended, monitor",
         true,
         false,
         [](TncSimCore& core) { core.Monitor("fm DL2BBB to CQ ctl UI^ pid F0", "beacon"); },
         {{255, 1}, {0, 3}}},
        {"extended, a channel above the TNC's",
         true,
         false,
         [&](TncSimCore& core) { core.ReplaceNextReply(listWithChannel7); },
         {{255, 1}, {1, 1}, {7, 7}}},
    };
    for (const PollRow& row : rows) {
        SCOPED_TRACE(row.name);
        TncSimCore core(LoopTnc(row.extended));
        Run(core, [&](LoopDevice& d) {
            const int cycles = row.fullCheck ? 50 : 1; // the first ran already; 52 is a full check
            for (int i = 0; i < cycles; ++i) {
                d.Zyklus();
            }
            if (row.arm) {
                row.arm(core);
            }
            const std::map<int, int> before = PollCounts(core);
            d.Zyklus();
            EXPECT_EQ(Difference(PollCounts(core), before), row.polls);
        });
    }
}

TEST_F(LoopTest, MonitorFramesReachTheMonitorChannel) {
    TncSimCore core(LoopTnc());
    std::vector<TMonitorFrame> frames;
    Run(core, [&](LoopDevice& d) {
        core.Monitor("fm DL2BBB to CQ ctl UI^ pid F0", std::string("bea\0con", 7));
        core.Monitor("fm DL2BBB to DL3CCC ctl SABM+", "");
        d.Zyklus();
        frames = d.Frames();
    });
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].from, "DL2BBB");
    EXPECT_EQ(frames[0].kind, 10);
    EXPECT_EQ(frames[0].information, std::string("bea\0con", 7));
    EXPECT_EQ(frames[1].kind, 5);
    EXPECT_EQ(frames[1].information, "");
}

// The cycles in which channel 1 was asked what it is connected to: the full checks.
TEST_F(LoopTest, FullChecksFallOnCycles1_52_103AndAfterEverySwitchIntoHostMode) {
    for (const bool switched : {false, true}) {
        SCOPED_TRACE(switched ? "TNC fell back to terminal mode in cycle 60" : "undisturbed");
        TncSimCore core(LoopTnc());
        std::vector<int> fullChecks;
        Run(core, [&](LoopDevice& d) {
            int asked = core.CountCommand("C", 1);
            EXPECT_EQ(asked, 1); // the first cycle
            fullChecks.push_back(1);
            for (int cycle = 2; cycle <= 112; ++cycle) {
                if (switched && cycle == 60) {
                    core.FallBackToTerminalMode();
                }
                d.Zyklus();
                if (core.CountCommand("C", 1) > asked) {
                    fullChecks.push_back(cycle);
                    asked = core.CountCommand("C", 1);
                }
            }
        });
        EXPECT_EQ(fullChecks, switched ? (std::vector<int>{1, 52, 61, 112}) : (std::vector<int>{1, 52, 103}));
    }
}

TEST(HostmodeLoopClock, TheCycleWaitsForTheProgramClockAndAStopCutsTheWaitShort) {
    ManualClock clock;
    const ScopedClock scoped(clock);
    TncSimCore core(LoopTnc());
    auto device = std::make_shared<LoopDevice>(core);
    device->calls = kLoopCalls;
    device->Init();
    ASSERT_TRUE(WaitFor([&] { return core.CountCommand("G", 1) == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(core.CountCommand("G", 1), 1); // the clock stands: no second cycle
    clock.Advance(49);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(core.CountCommand("G", 1), 1);
    clock.Advance(1);
    EXPECT_TRUE(WaitFor([&] { return core.CountCommand("G", 1) == 2; }));
    const auto start = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_FALSE(device->HasThread());
}

TEST(HostmodeLoopClock, AStopDuringResyncEndsTheThreadInUnderASecond) {
    TncSimCore core(LoopTnc());
    auto device = std::make_shared<LoopDevice>(core);
    device->calls = kLoopCalls;
    TraceLines trace;
    device->Init();
    ASSERT_TRUE(WaitFor([&] { return core.CountCommand("G", 1) >= 2; }));
    core.SetSilent(true);
    ASSERT_TRUE(WaitFor([&] { return trace.Contains("Fehler beim Abfragen von Kanal"); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // inside the resync's waits
    const auto start = std::chrono::steady_clock::now();
    device->DeInit();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_FALSE(device->HasThread());
}

} // namespace
} // namespace quarn::test
