// Link status: sticky change flags, one listener refresh per burst on the GUI thread, release, and
// destruction on any thread while a refresh is under way.
#include "connections/StatusU.h"
#include "devices/FakeKanal.h"
#include "devices/TraceLines.h"
#include "foundation/SynchronizeU.h"
#include "support/Elapsed.h"

#include <QCoreApplication>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace quarn::test {
namespace {

// A channel that counts how often it is asked to refresh its status panels.
class CountingKanal : public FakeKanal {
public:
    CountingKanal() : FakeKanal(1, false) {}

    void StatusbarAktualisieren(bool all) override {
        if (all) {
            ++fullRefreshes;
        }
        ++refreshes;
        if (onRefresh) {
            onRefresh();
        }
    }

    std::atomic<int> refreshes{0};
    std::atomic<int> fullRefreshes{0};
    std::function<void()> onRefresh;
};

// Runs the GUI thread's loop for `ms` milliseconds.
void PumpFor(long long ms) {
    const auto start = std::chrono::steady_clock::now();
    while (msSince(start) < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Runs the loop until `condition` holds, at most `limitMs`.
bool PumpUntil(const std::function<bool()>& condition, long long limitMs = 5000) {
    const auto start = std::chrono::steady_clock::now();
    while (!condition()) {
        if (msSince(start) > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Longer than a refresh delay with room for a loaded machine.
constexpr long long kQuietMs = 3 * TStatus::kRefreshDelayMs;

void OnWorker(const std::function<void()>& work) {
    std::thread worker(work);
    worker.join();
}

struct ValueAccess {
    const char* name;
    int initial;
    int (TStatus::*get)() const;
    void (TStatus::*set)(int);
    bool (TStatus::*changed)() const;
};

// The program's hand-off to the GUI thread is in place, as after start-up.
class Status : public ::testing::Test {
protected:
    void SetUp() override { InitializeSynchronize(); }
    void TearDown() override { FinalizeSynchronize(); }
};

const std::vector<ValueAccess> kValues = {
    {"Outstanding", -1, &TStatus::GetOutstanding, &TStatus::SetOutstanding, &TStatus::OutstandingChanged},
    {"Tries", -1, &TStatus::GetTries, &TStatus::SetTries, &TStatus::TriesChanged},
    {"Frack", -1, &TStatus::GetFrack, &TStatus::SetFrack, &TStatus::FrackChanged},
    {"Maxframe", -1, &TStatus::GetMaxframe, &TStatus::SetMaxframe, &TStatus::MaxframeChanged},
    {"LinkStatus", -1, &TStatus::GetLinkStatus, &TStatus::SetLinkStatus, &TStatus::LinkStatusChanged},
    {"Bitrate", 0, &TStatus::GetBitrate, &TStatus::SetBitrate, &TStatus::BitrateChanged},
};

TEST_F(Status, UnchangedValueSetsNoFlagAndTellsNobody) {
    auto status = std::make_shared<TStatus>();
    auto channel = std::make_shared<CountingKanal>();
    status->SetListener(channel);
    for (const ValueAccess& value : kValues) {
        SCOPED_TRACE(value.name);
        EXPECT_EQ(((*status).*value.get)(), value.initial);
        OnWorker([&] { ((*status).*value.set)(value.initial); });
        EXPECT_FALSE(((*status).*value.changed)());
    }
    PumpFor(kQuietMs);
    EXPECT_EQ(channel->refreshes, 0);
}

TEST_F(Status, ChangedFlagStaysSetWhenTheValueReturns) {
    auto status = std::make_shared<TStatus>();
    for (const ValueAccess& value : kValues) {
        SCOPED_TRACE(value.name);
        ((*status).*value.set)(value.initial + 5);
        ((*status).*value.set)(value.initial);
        EXPECT_EQ(((*status).*value.get)(), value.initial);
        EXPECT_TRUE(((*status).*value.changed)());
    }
}

TEST_F(Status, TenChangesFromAWorkerGiveOneRefreshPerBurst) {
    auto status = std::make_shared<TStatus>();
    auto channel = std::make_shared<CountingKanal>();
    status->SetListener(channel);

    // The GUI thread is not looking while the worker writes, so all ten land before the timer starts.
    OnWorker([&] {
        for (int i = 1; i <= 10; ++i) {
            status->SetOutstanding(i);
        }
    });
    ASSERT_TRUE(PumpUntil([&] { return channel->refreshes > 0; }));
    PumpFor(kQuietMs);
    EXPECT_EQ(channel->refreshes, 1);
    EXPECT_EQ(channel->fullRefreshes, 0);
    EXPECT_EQ(status->GetOutstanding(), 10);

    // The next burst is told again.
    OnWorker([&] {
        status->SetTries(2);
        status->SetFrack(3);
    });
    ASSERT_TRUE(PumpUntil([&] { return channel->refreshes > 1; }));
    PumpFor(kQuietMs);
    EXPECT_EQ(channel->refreshes, 2);
}

TEST_F(Status, ChangeWhileTheListenerRefreshesIsToldNextTime) {
    auto status = std::make_shared<TStatus>();
    auto channel = std::make_shared<CountingKanal>();
    status->SetListener(channel);
    channel->onRefresh = [&] {
        if (channel->refreshes == 1) {
            status->SetMaxframe(7);
        }
    };
    OnWorker([&] { status->SetMaxframe(4); });
    EXPECT_TRUE(PumpUntil([&] { return channel->refreshes == 2; }));
}

TEST_F(Status, WithoutListenerValuesAreStoredAndNobodyIsTold) {
    auto status = std::make_shared<TStatus>();
    OnWorker([&] { status->SetLinkStatus(8); });
    auto channel = std::make_shared<CountingKanal>();
    status->SetListener(channel);
    PumpFor(kQuietMs);
    EXPECT_EQ(status->GetLinkStatus(), 8);
    EXPECT_TRUE(status->LinkStatusChanged());
    EXPECT_EQ(channel->refreshes, 0);
}

TEST_F(Status, DoesNotKeepItsListenerAlive) {
    auto status = std::make_shared<TStatus>();
    auto channel = std::make_shared<CountingKanal>();
    const std::weak_ptr<CountingKanal> watch = channel;
    status->SetListener(channel);
    EXPECT_EQ(status->GetListener(), channel);

    channel.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(status->GetListener(), nullptr);
    OnWorker([&] { status->SetBitrate(1200); });
    PumpFor(kQuietMs);
    EXPECT_EQ(status->GetBitrate(), 1200);
}

TEST_F(Status, ARefreshUnderWayGoesToTheListenerOfTheTick) {
    auto status = std::make_shared<TStatus>();
    auto first = std::make_shared<CountingKanal>();
    auto second = std::make_shared<CountingKanal>();
    status->SetListener(first);
    status->SetOutstanding(1); // the timer runs now
    status->SetListener(second);
    ASSERT_TRUE(PumpUntil([&] { return second->refreshes == 1; }));
    EXPECT_EQ(first->refreshes, 0);

    // Switching the listener leaves nothing stuck: the next change is told as well.
    status->SetOutstanding(2);
    EXPECT_TRUE(PumpUntil([&] { return second->refreshes == 2; }));
}

TEST_F(Status, ReleaseStopsTellingAndLateWritesAreDroppedQuietly) {
    auto status = std::make_shared<TStatus>();
    auto channel = std::make_shared<CountingKanal>();
    status->SetListener(channel);
    OnWorker([&] { status->SetTries(1); });
    PumpFor(10); // the arm request has been run: the timer is counting

    status->Release();
    PumpFor(kQuietMs);
    EXPECT_EQ(channel->refreshes, 0);
    EXPECT_EQ(status->GetListener(), nullptr);
    EXPECT_EQ(status->GetTries(), 1);

    // The device thread's status pass and a transfer's end may still write after the link went.
    TraceLines trace;
    for (const ValueAccess& value : kValues) {
        SCOPED_TRACE(value.name);
        EXPECT_NO_THROW(OnWorker([&] { ((*status).*value.set)(value.initial + 9); }));
        EXPECT_NO_THROW(((*status).*value.set)(value.initial + 8));
        EXPECT_EQ(((*status).*value.get)(), value.name == std::string("Tries") ? 1 : value.initial);
    }
    EXPECT_TRUE(trace.Contains("Status freigegeben")) << trace.Text();
    PumpFor(kQuietMs);
    EXPECT_EQ(channel->refreshes, 0);
    status->Release(); // a second release does nothing
}

TEST_F(Status, DestroyedOnAWorkerWhileARefreshIsUnderWay) {
    std::vector<std::shared_ptr<CountingKanal>> channels;
    // Arm requests still queued when their status goes.
    for (int i = 0; i < 50; ++i) {
        auto channel = std::make_shared<CountingKanal>();
        channels.push_back(channel);
        OnWorker([&] {
            auto status = std::make_shared<TStatus>();
            status->SetListener(channel);
            status->SetOutstanding(i);
        });
    }
    // A running timer whose status is destroyed on a worker.
    auto channel = std::make_shared<CountingKanal>();
    channels.push_back(channel);
    auto status = std::make_shared<TStatus>();
    status->SetListener(channel);
    status->SetOutstanding(3);
    OnWorker([moved = std::move(status)]() mutable { moved.reset(); });

    PumpFor(kQuietMs);
    for (const auto& each : channels) {
        EXPECT_EQ(each->refreshes, 0);
    }
}

TEST_F(Status, DestroyedUnreleasedOnTheGuiThreadStopsItsTimer) {
    auto channel = std::make_shared<CountingKanal>();
    {
        TStatus status;
        status.SetListener(channel);
        status.SetFrack(2);
    }
    PumpFor(kQuietMs);
    EXPECT_EQ(channel->refreshes, 0);
}

} // namespace
} // namespace quarn::test
