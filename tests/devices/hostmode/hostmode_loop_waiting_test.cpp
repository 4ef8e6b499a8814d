// What waits in the run loop and what does not: the pause only for a TNC with nothing more, a queued
// line or a thread message served between two exchanges of a round, "@B" only for a link with data.
#include "HostmodeLoopFixture.h"
#include "support/Elapsed.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace quarn::test {
namespace {

using namespace quarn::tncsim;

// The index of the first frame after `from` that matches, -1 when none does.
int FirstFrame(const TncSimCore& core, std::size_t from,
               const std::function<bool(const ReceivedFrame&)>& match) {
    const std::vector<ReceivedFrame> frames = core.Received();
    for (std::size_t i = from; i < frames.size(); ++i) {
        if (match(frames[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// A device running its own loop on its thread (real cycles, real pauses by the program clock).
class LoopThread {
public:
    explicit LoopThread(TncSimCore& core, SimTiming timing = SimTiming::Instant)
        : device(std::make_shared<LoopDevice>(core, timing)) {
        device->calls = kLoopCalls;
        device->Init();
    }
    ~LoopThread() {
        device->DeInit();
        for (int c = 0; c < TGeraetHostmode::kKanaele; ++c) {
            device->KanalFreigeben(c);
        }
    }
    std::shared_ptr<LoopDevice> device;
};

TEST_F(LoopTest, ThePauseComesOnlyWhenTheTncHasNothingMore) {
    // The program clock stands still: every cycle after a pause would wait for ever.
    ManualClock clock;
    const ScopedClock scoped(clock);
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended ? "extended poll" : "standard poll");
        TncSimCore core(LoopTnc(extended));
        ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
        std::string sent;
        for (int i = 0; i < 30; ++i) {
            const std::string frame = "frame " + std::to_string(i) + "\r";
            ASSERT_TRUE(core.RemoteData(1, frame)); // more than four cycles' 7 polls
            sent += frame;
        }
        LoopThread loop(core);
        ASSERT_TRUE(WaitFor([&] { return core.Channel(1).pendingData == 0; }, 5000))
            << core.Channel(1).pendingData << " frames still wait in the TNC";
        const auto link = Fake(loop.device->GetKanalVerbindung(1));
        ASSERT_NE(link, nullptr);
        EXPECT_TRUE(WaitFor([&] { return link->Empfangen() == sent; }));
        // Nothing more: now the loop pauses, and with the clock standing it asks nothing more.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::size_t quiet = core.Received().size();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(core.Received().size(), quiet);
        EXPECT_FALSE(loop.device->GetMehrArbeit());
    }
}

TEST_F(LoopTest, AQueuedLineEndsThePauseAndGoesOut) {
    ManualClock clock;
    const ScopedClock scoped(clock);
    TncSimCore core(LoopTnc(true));
    ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
    LoopThread loop(core);
    ASSERT_TRUE(WaitFor([&] { return loop.device->GetKanalVerbindung(1) != nullptr; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // into the pause
    const std::size_t before = core.Received().size();
    Fake(loop.device->GetKanalVerbindung(1))->SendText("#OK#\r");
    EXPECT_TRUE(WaitFor([&] { return core.CountInformation("#OK#\r", 1) == 1; }, 2000))
        << "the line waited for the program clock";
    // "L", "@B" and the frame: nothing else came first.
    EXPECT_LE(FirstFrame(core, before, [](const ReceivedFrame& f) { return !f.command; }),
              static_cast<int>(before) + 3);
}

// A monitor that keeps channel 0 busy for 20 polls a cycle, with an exchange taking a few milliseconds.
TEST_F(LoopTest, ALineAndAThreadMessageGoOutBetweenTwoPollsOfARound) {
    TncSimConfig config = LoopTnc(false, 40);
    config.exchangeDelayMs = 4;
    TncSimCore core(config);
    ASSERT_TRUE(core.IncomingConnect(5, "DL2BBB"));
    LoopThread loop(core, SimTiming::Real);
    ASSERT_TRUE(WaitFor([&] { return loop.device->GetKanalVerbindung(5) != nullptr; }));
    struct Row {
        const char* name;
        std::function<void()> ask;
        std::function<bool(const ReceivedFrame&)> sent;
    };
    const std::vector<Row> rows = {
        {"a line", [&] { Fake(loop.device->GetKanalVerbindung(5))->SendText("#ABORT#\r"); },
         [](const ReceivedFrame& f) { return !f.command && f.data == "#ABORT#\r"; }},
        {"a disconnect", [&] { loop.device->PostMessage(msg_trennen, 5); },
         [](const ReceivedFrame& f) { return f.command && f.channel == 5 && f.data == "D"; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (int i = 0; i < 60; ++i) {
            core.Monitor("fm DL7MON to CQ ctl UI^ pid F0", "beacon " + std::to_string(i));
        }
        // Once channel 0 is being read, the request comes.
        const int polls = core.CountCommand("G", 0);
        ASSERT_TRUE(WaitFor([&] { return core.CountCommand("G", 0) >= polls + 2; }));
        const std::size_t asked = core.Received().size();
        row.ask();
        ASSERT_TRUE(WaitFor([&] { return FirstFrame(core, asked, row.sent) >= 0; }, 5000));
        const int sent = FirstFrame(core, asked, row.sent);
        // Within a few exchanges ("L" and "@B" for the line), while channel 0 still had frames to give.
        EXPECT_LE(sent - static_cast<int>(asked), 4);
        const int nextChannel =
            FirstFrame(core, asked, [](const ReceivedFrame& f) { return f.channel == 1; });
        EXPECT_TRUE(nextChannel < 0 || sent < nextChannel) << "it waited for the round";
    }
}

TEST_F(LoopTest, AConnectBeingSetUpIsAskedForItsReportBetweenTheChannelsOfARound) {
    TncSimConfig config = LoopTnc(false, 40);
    config.exchangeDelayMs = 4;
    TncSimCore core(config);
    LoopThread loop(core, SimTiming::Real);
    // A round has just begun: channel 1 was asked.
    const int rounds = core.CountCommand("G", 1);
    ASSERT_TRUE(WaitFor([&] { return core.CountCommand("G", 1) > rounds; }));
    const std::size_t start = core.Received().size();
    const auto connection = Outgoing(*loop.device, 40, "DL2BBB");
    ASSERT_TRUE(core.IncomingConnect(40, "DL2BBB")); // the TNC reports "CONNECTED to" there
    ASSERT_TRUE(WaitFor([&] { return connection->GetState() == 3; }));
    const int report = FirstFrame(core, start, [](const ReceivedFrame& f) { return f.channel == 40; });
    const int roundEnd = FirstFrame(core, start, [](const ReceivedFrame& f) { return f.channel == 39; });
    EXPECT_TRUE(roundEnd < 0 || report < roundEnd) << "the report waited for the round";
}

TEST_F(LoopTest, BIsAskedOnlyOfALinkWithDataToSend) {
    TncSimCore core(LoopTnc());
    Run(core, [&](LoopDevice& d) {
        ASSERT_TRUE(core.IncomingConnect(1, "DL2BBB"));
        for (int i = 0; i < 3; ++i) {
            d.Zyklus();
        }
        EXPECT_EQ(core.CountCommand("L", 1), 3);
        EXPECT_EQ(core.CountCommand("@B", 1), 0);
        Fake(d.GetKanalVerbindung(1))->SendText("hello\r");
        d.Zyklus();
        EXPECT_EQ(core.CountCommand("@B", 1), 1);
        EXPECT_EQ(core.CountInformation("hello\r", 1), 1);
        d.Zyklus();
        EXPECT_EQ(core.CountCommand("@B", 1), 1); // sent: nothing more to ask for
    });
}

} // namespace
} // namespace quarn::test
