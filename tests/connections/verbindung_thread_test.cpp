// The connection's thread: greeting, handler, and its end when the device reports the link down -
// promptly, after the handler has shown what came in, and for a handler that does not end at all.
#include "VerbindungTestFixture.h"
#include "connections/VerbindungSenden.h"
#include "devices/TraceLines.h"
#include "foundation/QuarnException.h"
#include "foundation/VersionInfo.h"
#include "platform/WaitForAny.h"
#include "support/ManualClock.h"

#include <future>
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace quarn::test {
namespace {

using namespace std::chrono_literals;

using VerbindungThreadTest = VerbindungFixture;

// Runs Getrennt on a thread of its own, as the device does.
std::future<void> GetrenntOnDeviceThread(const std::shared_ptr<TVerbindung>& connection, int reason) {
    return std::async(std::launch::async, [connection, reason] { connection->Getrennt(reason); });
}

TEST_F(VerbindungThreadTest, NewLinkIsGreetedRunsAndEndsPromptly) {
    config.SetSendSID(true);
    config.SetHideSentSID(false);
    const auto connection = Make();
    const auto channel = std::make_shared<RecordingKanal>();
    connection->SetKanal(channel);
    connection->Set_Path("DB0ABC");
    connection->SetConnectText(true);
    connection->Start();

    // The standard handler moves typed text out: the identification line reaches the transmit queue.
    const std::string sid = SidZeile(ProgramVersion(), false);
    ASSERT_TRUE(PumpUntil([&] { return !connection->GetTransmitQueue().IsEmpty(); }));
    EXPECT_EQ(connection->GetTransmitQueue().PopString(), sid);
    EXPECT_TRUE(channel->Has("Verbunden"));
    EXPECT_EQ(connection->ZeigeEmpfangen("x"), 7) << "the channel's console row";
    EXPECT_EQ(connections.Count(), 1);
    EXPECT_EQ(connection->GetState(), 3);
    // The status bar must leave "Verbinde..." when the link comes up.
    const std::vector<std::string> lines = channel->Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Status"), 2) << "once when attached, once when started";

    const auto ended = GetrenntOnDeviceThread(connection, 1);
    ASSERT_EQ(ended.wait_for(2s), std::future_status::ready) << "a prompt handler ends at once";
    EXPECT_EQ(connection->GetState(), 0);
    EXPECT_TRUE(channel->Has("Getrennt 1"));
    EXPECT_EQ(channel->Connection(), nullptr) << "detached";
    EXPECT_EQ(connection->GetKanal(), nullptr);
    EXPECT_EQ(connections.Count(), 0);
}

TEST_F(VerbindungThreadTest, RestoredLinkIsNotGreeted) {
    const auto connection = Make();
    const auto channel = std::make_shared<RecordingKanal>();
    connection->SetKanal(channel);
    connection->SetConnectText(false);
    connection->Start(true);
    ASSERT_TRUE(PumpUntil([&] { return channel->Has("VerbindungGeaendert"); }));
    EXPECT_FALSE(channel->Has("Verbunden"));
    connection->Getrennt(0);
    EXPECT_TRUE(connection->GetTypedTextQueue().IsEmpty());
    EXPECT_TRUE(connection->GetTransmitQueue().IsEmpty());
}

// An outgoing link can come up on the device thread before the caller of the connect has attached its
// channel: the channel still learns of it, once, when it is attached.
TEST_F(VerbindungThreadTest, ALinkUpBeforeItsChannelIsAttachedIsAnnouncedOnceWhenItIs) {
    for (const bool restored : {false, true}) {
        SCOPED_TRACE(restored ? "restored" : "new");
        const std::string event = restored ? "VerbindungGeaendert" : "Verbunden";
        const auto connection = Make();
        connection->Start(restored);
        ASSERT_TRUE(PumpUntil([&] { return connections.Count() == 1; }));
        const auto channel = std::make_shared<RecordingKanal>();
        connection->SetKanal(channel);
        ASSERT_TRUE(PumpUntil([&] { return channel->Has(event); }));
        connection->SetKanal(channel);
        const std::vector<std::string> lines = channel->Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), event), 1);
        connection->Getrennt(0);
        ASSERT_TRUE(PumpUntil([&] { return connections.Count() == 0; }));
    }
}

// A device that goes releases its live links without Getrennt (the TNC keeps them for the next start):
// their threads must end all the same, and with them the last hold on the connection.
TEST_F(VerbindungThreadTest, ReleaseWithoutGetrenntEndsTheThread) {
    auto connection = TVerbindung::Create(device, &store);
    const auto channel = std::make_shared<RecordingKanal>();
    connection->SetKanal(channel);
    connection->Start();
    ASSERT_TRUE(PumpUntil([&] { return channel->Has("Verbunden") && connections.Count() == 1; }));
    const std::weak_ptr<TVerbindung> weak = connection;
    connection->Release();
    connection.reset();
    EXPECT_TRUE(PumpUntil([&] { return weak.expired(); }));
    EXPECT_EQ(connections.Count(), 0);
    EXPECT_FALSE(channel->Has("Getrennt 0"));
}

TEST_F(VerbindungThreadTest, GetrenntLetsTheHandlerShowWhatCameInFirst) {
    // A slow handler: it takes one piece at a time and notes whether the link was already down.
    auto order = std::make_shared<std::vector<std::string>>();
    TVerbindungThread::SetHandlerForTests([order](const std::shared_ptr<IVerbindungFuerModul>& connection) {
        for (;;) {
            const int woke = WaitForAny({*connection->GetHandle(4), *connection->GetHandle(5)}, kInfinite);
            if (woke == 0) {
                order->push_back("down");
                return;
            }
            std::this_thread::sleep_for(20ms);
            order->push_back(connection->GetReceiveQueue().PopString());
        }
    });
    const auto connection = Make();
    connection->Start();
    for (const char* piece : {"one", "two", "three"}) {
        connection->EmpfangeText(piece);
    }
    connection->Getrennt(0);
    EXPECT_EQ(*order, (std::vector<std::string>{"one", "two", "three", "down"}));
}

TEST_F(VerbindungThreadTest, GetrenntDoesNotWaitForAQueueOfAnEndedThread) {
    ManualClock clock;
    ScopedClock scopedClock(clock);
    TVerbindungThread::SetHandlerForTests([](const std::shared_ptr<IVerbindungFuerModul>&) {});
    const auto connection = Make();
    connection->Start();
    connection->EmpfangeText("nobody reads this");
    // The clock does not move: only the thread's end can end the wait.
    const auto ended = GetrenntOnDeviceThread(connection, 0);
    EXPECT_EQ(ended.wait_for(5s), std::future_status::ready);
}

TEST_F(VerbindungThreadTest, StubbornHandlerIsLeftRunningAndKeepsWhatItUses) {
    ManualClock clock;
    ScopedClock scopedClock(clock);
    TraceLines trace;
    auto release = std::make_shared<Event>(EventReset::Manual, false);
    auto handlerEnded = std::make_shared<Event>(EventReset::Manual, false);
    std::weak_ptr<TVerbindung> watch;
    TVerbindungThread::SetHandlerForTests(
        [release, handlerEnded](const std::shared_ptr<IVerbindungFuerModul>& connection) {
            release->Wait(kInfinite); // ignores the disconnect event and the queues
            // What the handler holds must still work when it finally moves on.
            connection->GetTransmitQueue().PushString("late");
            handlerEnded->Set();
        });
    {
        const auto connection = TVerbindung::Create(device, &store);
        watch = connection;
        connection->Start();
        connection->EmpfangeText("nobody reads this");

        auto ended = GetrenntOnDeviceThread(connection, 0);
        // Time passes only by the clock: the receive wait and the end wait each get 4 s.
        while (ended.wait_for(10ms) != std::future_status::ready) {
            clock.Advance(500);
        }
        ended.get();
        EXPECT_TRUE(trace.Contains("ENDTHREAD"));
        EXPECT_EQ(connection->GetState(), 0);
        connection->Release();
    }
    EXPECT_FALSE(watch.expired()) << "the abandoned thread keeps its connection";
    release->Set();
    ASSERT_TRUE(handlerEnded->Wait(10000));
    EXPECT_TRUE(PumpUntil([&] { return watch.expired(); }));
}

TEST_F(VerbindungThreadTest, GetrenntOnTheGuiThreadRunsTheHandlersGuiCalls) {
    auto ranOnGui = std::make_shared<std::atomic<bool>>(false);
    TVerbindungThread::SetHandlerForTests(
        [ranOnGui](const std::shared_ptr<IVerbindungFuerModul>& connection) {
            connection->GetHandle(4)->Wait(kInfinite);
            // Ending the link shows something on the GUI thread while that thread waits for us.
            Synchronize([ranOnGui] { ranOnGui->store(IsGuiThread()); });
        });
    const auto connection = Make();
    connection->Start();
    QElapsedTimer elapsed;
    elapsed.start();
    connection->Getrennt(0);
    EXPECT_TRUE(ranOnGui->load());
    EXPECT_LT(elapsed.elapsed(), 3000);
}

TEST_F(VerbindungThreadTest, HandlerExceptionIsReportedAndTheThreadEndsCleanly) {
    TVerbindungThread::SetHandlerForTests([](const std::shared_ptr<IVerbindungFuerModul>&) {
        throw QuarnException("TestHandler", "EventLoop", "kaputt");
    });
    const auto connection = Make();
    connection->Start();
    ASSERT_TRUE(PumpUntil([&] { return connection->GetHandle(3)->IsSet(); }));
    ASSERT_TRUE(PumpUntil([&] { return !Reports().empty(); }));
    EXPECT_NE(Reports().front().find("While RunStandard"), std::string::npos) << Reports().front();
    EXPECT_EQ(connections.Count(), 0);
    connection->Getrennt(2);
    EXPECT_EQ(connection->GetState(), 0);
}

} // namespace
} // namespace quarn::test
