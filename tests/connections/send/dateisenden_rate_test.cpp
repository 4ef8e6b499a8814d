// The send item's throughput: the bit rate it writes to the link's status, from the ring of bytes per
// second, and the once-a-second tick on the thread that started the transfer.
#include "VerbindungTestFixture.h"
#include "connections/send/DateiSendenU.h"
#include "connections/FakeModulVerbindung.h"
#include "connections/VerbindungAbstractU.h"
#include "devices/TraceLines.h"
#include "platform/ThreadTimer.h"
#include "platform/WaitForAny.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace quarn::test {
namespace {

using namespace std::chrono_literals;

class DateiSendenRateTest : public VerbindungFixture {
protected:
    DateiSendenRateTest() {
        connection->Set_Call("DL1ABC");
        item->Starten();
    }
    void TearDown() override {
        // The fixture counts live connections: ours go first.
        item->Release();
        item.reset();
        connection.reset();
        VerbindungFixture::TearDown();
    }

    int Bitrate() const { return connection->GetStatus()->GetBitrate(); }
    void Seconds(int count) { clock.Advance(std::uint64_t(count) * 1000); }

    ManualClock clock;
    ScopedClock scopedClock{clock};
    std::shared_ptr<TVerbindung> connection = Make(false);
    std::shared_ptr<TDateiSenden> item = std::make_shared<TDateiSenden>(connection);
};

TEST_F(DateiSendenRateTest, NoRateUntil3585BytesThenTheStartBytesAreNotCounted) {
    item->AddBytes(3000);
    Seconds(1);
    item->AddBytes(584);
    Seconds(1);
    item->Tick();
    EXPECT_EQ(Bitrate(), 0) << "3584 bytes: not counting yet";

    item->AddBytes(1); // 3585: counting starts now, this block stays out of the ring
    Seconds(1);
    item->AddBytes(1000);
    Seconds(1);
    item->Tick();
    // Two seconds since the start, window 2: (0 + 1000) / 2 bytes per second.
    EXPECT_EQ(Bitrate(), 500 * 8);

    item->Beenden();
    EXPECT_EQ(Bitrate(), 0);
}

TEST_F(DateiSendenRateTest, WindowComesFromFrackWithinTwentyAndTwoNinetyNineSeconds) {
    struct Case {
        int frack;
        int elapsed;
        int window;
    };
    const std::vector<Case> cases = {
        {0, 350, 40},    {-1, 350, 40},   {3, 350, 20}, {10, 350, 21},
        {100, 350, 210}, {200, 350, 299}, {0, 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Frack " << c.frack << " after " << c.elapsed << " s");
        const auto fresh = std::make_shared<TDateiSenden>(connection);
        fresh->Starten();
        connection->GetStatus()->SetFrack(c.frack);
        fresh->AddBytes(TDateiSenden::kZaehlenAb);
        Seconds(c.elapsed);
        // One burst in the last second: the rate shows over how many seconds it was spread.
        constexpr std::int64_t kBurst = 4 * 5 * 7 * 3 * 299 * 10;
        fresh->AddBytes(kBurst);
        fresh->Tick();
        EXPECT_EQ(Bitrate(), kBurst / c.window * 8);
        fresh->Release();
    }
}

TEST_F(DateiSendenRateTest, WhenTheWindowGrowsTheAverageWidensOneSecondPerTick) {
    connection->GetStatus()->SetFrack(3); // window 20
    item->AddBytes(TDateiSenden::kZaehlenAb);
    Seconds(200); // silent
    item->Tick();
    for (int second = 201; second <= 250; ++second) {
        Seconds(1);
        item->AddBytes(1050);
        item->Tick();
    }
    EXPECT_EQ(Bitrate(), 1050 * 8);
    // Window 210 now: taken at once it would average in 160 silent seconds (255 bytes per second).
    connection->GetStatus()->SetFrack(100);
    for (int second = 251; second <= 270; ++second) {
        Seconds(1);
        item->AddBytes(1050);
        item->Tick();
        ASSERT_EQ(Bitrate(), 1050 * 8) << "second " << second;
    }
}

TEST_F(DateiSendenRateTest, SilentSecondsCountAsNothingAlsoAfterTheRingWrapped) {
    item->AddBytes(TDateiSenden::kZaehlenAb);
    for (int second = 1; second <= 40; ++second) {
        Seconds(1);
        item->AddBytes(1200);
        item->Tick();
    }
    EXPECT_EQ(Bitrate(), 1200 * 8);
    // The link stalls; the tick goes on. A ring turn later the old counters must not come back.
    for (int second = 41; second <= 400; ++second) {
        Seconds(1);
        item->Tick();
        if (second > 80) {
            ASSERT_EQ(Bitrate(), 0) << "second " << second;
        }
    }
    Seconds(1);
    item->AddBytes(4000);
    item->Tick();
    EXPECT_EQ(Bitrate(), 4000 / 40 * 8);
}

// A thread that dispatches its own messages, as the connection thread does.
class TickThread {
public:
    explicit TickThread(std::shared_ptr<TDateiSenden> item) {
        std::promise<std::shared_ptr<ThreadMessageQueue>> ready;
        auto future = ready.get_future();
        thread_ = std::thread([this, item, &ready] {
            const auto queue = CurrentThreadMessages();
            item->Starten();
            ready.set_value(queue);
            const WaitHandle handles[] = {stop_};
            while (MsgWaitForAny(handles, *queue, kInfinite) == 1) {
                while (const auto message = queue->Peek(true)) {
                    DispatchThreadTimer(*message);
                }
                ++rounds_;
            }
        });
        queue_ = future.get();
    }
    ~TickThread() {
        stop_.Set();
        thread_.join();
    }
    TickThread(const TickThread&) = delete;
    TickThread& operator=(const TickThread&) = delete;

    // Wakes the thread and waits until it has dispatched everything due.
    void Pump() {
        const int before = rounds_;
        queue_->Post(ThreadMessage{});
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (rounds_ == before && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
    }

private:
    Event stop_{EventReset::Manual, false};
    std::atomic<int> rounds_{0};
    std::shared_ptr<ThreadMessageQueue> queue_;
    std::thread thread_;
};

TEST_F(DateiSendenRateTest, TickRunsOnTheStartingThreadAndStopsWhenEndedFromAnother) {
    const auto remote = std::make_shared<TDateiSenden>(connection);
    TickThread thread(remote);
    remote->AddBytes(TDateiSenden::kZaehlenAb);
    Seconds(1);
    remote->AddBytes(2000);
    Seconds(1);
    // This thread dispatches nothing: only the starting thread's wait can have run the tick.
    thread.Pump();
    EXPECT_EQ(Bitrate(), 1000 * 8);

    remote->Beenden();
    EXPECT_EQ(Bitrate(), 0);
    connection->GetStatus()->SetBitrate(777);
    Seconds(5);
    thread.Pump();
    EXPECT_EQ(Bitrate(), 777) << "no tick after Beenden";
    remote->Release();
}

// The program's end releases a live link while its transfer still runs; the transfer's last tick and its
// end then write into the released status, which takes nothing and raises nothing.
TEST_F(DateiSendenRateTest, ATransferEndingAfterItsLinkWasReleasedWritesNothing) {
    item->AddBytes(TDateiSenden::kZaehlenAb);
    Seconds(1);
    item->AddBytes(2000);
    Seconds(1);
    item->Tick();
    ASSERT_EQ(Bitrate(), 1000 * 8);

    connection->Release();
    const TraceLines trace;
    item->AddBytes(5000);
    Seconds(1);
    EXPECT_NO_THROW(item->Tick());
    EXPECT_NO_THROW(item->Beenden());
    EXPECT_EQ(Bitrate(), 1000 * 8);
    EXPECT_TRUE(trace.Contains("Status freigegeben")) << trace.Text();
}

// A handler that does nothing but wait.
class Wartend final : public TVerbindungAbstract {
public:
    using TVerbindungAbstract::TVerbindungAbstract;
    std::string GetClassName() const override { return "Wartend"; }
};

TEST(VerbindungAbstractTimer, HandlerWaitRunsTheThreadsTimers) {
    auto connection = std::make_shared<FakeModulVerbindung>();
    const auto handler = TVerbindungAbstract::Erzeuge<Wartend>(nullptr, connection);
    auto loop = std::async(std::launch::async, [&] {
        ThreadTimer timer;
        timer.Start(10, [&] { handler->Finish(); });
        handler->EventLoop();
    });
    EXPECT_EQ(loop.wait_for(5s), std::future_status::ready) << "the timer's tick ended the loop";
    handler->Release();
}

} // namespace
} // namespace quarn::test
