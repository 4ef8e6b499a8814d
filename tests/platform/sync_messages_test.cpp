#include "platform/ThreadMessageQueue.h"
#include "platform/WaitForAny.h"

#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quarn {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

constexpr std::uint32_t kUserMessage = 0x4441;

ThreadMessage message(std::uint32_t number, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
    ThreadMessage result;
    result.message = number;
    result.wParam = wParam;
    result.lParam = lParam;
    return result;
}

TEST(ThreadMessageQueueTest, PostedMessagesComeOutInOrderAndDriveTheEvent) {
    ThreadMessageQueue queue;
    EXPECT_FALSE(queue.Peek(true));
    EXPECT_FALSE(queue.NotEmptyEvent().IsSet());

    ThreadMessage withPayload = message(kUserMessage, 1, -1);
    withPayload.payload = std::make_shared<std::string>("text");
    queue.Post(std::move(withPayload));
    queue.Post(message(kUserMessage + 1, 2));
    EXPECT_TRUE(queue.NotEmptyEvent().IsSet());
    EXPECT_TRUE(queue.HasMessage());

    const auto peeked = queue.Peek(false);
    ASSERT_TRUE(peeked);
    EXPECT_EQ(peeked->message, kUserMessage);

    const auto first = queue.Peek(true);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->wParam, 1u);
    EXPECT_EQ(first->lParam, -1);
    EXPECT_EQ(*std::any_cast<std::shared_ptr<std::string>>(first->payload), "text");
    EXPECT_TRUE(queue.NotEmptyEvent().IsSet()) << "one message is still queued";

    const auto second = queue.Peek(true);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->message, kUserMessage + 1);
    EXPECT_FALSE(queue.NotEmptyEvent().IsSet());
    EXPECT_FALSE(queue.HasMessage());
    EXPECT_FALSE(queue.Peek(true));
}

TEST(ThreadMessageQueueTest, PostsFromManyThreadsAllArriveInEachSendersOrder) {
    constexpr int kSenders = 4;
    constexpr int kPerSender = 500;
    ThreadMessageQueue queue;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&queue, s] {
            for (int i = 0; i < kPerSender; ++i) {
                queue.Post(message(kUserMessage, static_cast<std::uintptr_t>(s), i));
            }
        });
    }
    std::vector<std::intptr_t> next(kSenders, 0);
    int received = 0;
    while (received < kSenders * kPerSender) {
        ASSERT_TRUE(queue.NotEmptyEvent().Wait(5000));
        while (auto m = queue.Peek(true)) {
            ASSERT_EQ(m->lParam, next[m->wParam]++);
            ++received;
        }
    }
    for (auto& sender : senders) {
        sender.join();
    }
    EXPECT_FALSE(queue.NotEmptyEvent().IsSet());
}

TEST(ThreadMessageQueueTest, DueTimerIsReportedOnceAndRearmedByRemoval) {
    test::ManualClock clock;
    ScopedClock use(clock);
    ThreadMessageQueue queue;
    EXPECT_EQ(queue.MsUntilNextTimer(), kInfinite);

    queue.SetTimer(7, 100);
    EXPECT_EQ(queue.MsUntilNextTimer(), 100u);
    EXPECT_FALSE(queue.Peek(true));
    EXPECT_FALSE(queue.NotEmptyEvent().IsSet()) << "timers do not touch the event";

    clock.Advance(100);
    EXPECT_EQ(queue.MsUntilNextTimer(), 0u);
    const auto peeked = queue.Peek(false);
    ASSERT_TRUE(peeked);
    EXPECT_EQ(peeked->message, WM_TIMER);
    EXPECT_EQ(queue.MsUntilNextTimer(), 0u) << "peeking without removal leaves the timer due";

    // Posted messages go before a due timer.
    queue.Post(message(kUserMessage));
    EXPECT_EQ(queue.Peek(true)->message, kUserMessage);

    const auto timer = queue.Peek(true);
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->message, WM_TIMER);
    EXPECT_EQ(timer->wParam, 7u);
    EXPECT_EQ(queue.MsUntilNextTimer(), 100u);

    // Several missed periods still give one WM_TIMER.
    clock.Advance(350);
    EXPECT_TRUE(queue.Peek(true));
    EXPECT_FALSE(queue.Peek(true));

    queue.KillTimer(7);
    clock.Advance(1000);
    EXPECT_FALSE(queue.Peek(true));
    EXPECT_EQ(queue.MsUntilNextTimer(), kInfinite);
}

TEST(ThreadMessageQueueTest, EarliestTimerFirstAndSettingAgainReplacesTheInterval) {
    test::ManualClock clock;
    ScopedClock use(clock);
    ThreadMessageQueue queue;
    queue.SetTimer(1, 300);
    queue.SetTimer(2, 200);
    queue.SetTimer(1, 50);
    EXPECT_EQ(queue.MsUntilNextTimer(), 50u);
    queue.SetTimer(3, 0);
    EXPECT_GT(queue.MsUntilNextTimer(), 0u) << "a zero interval must not leave a timer always due";

    clock.Advance(250);
    std::vector<std::uintptr_t> ids;
    while (auto m = queue.Peek(true)) {
        ids.push_back(m->wParam);
    }
    EXPECT_EQ(ids, (std::vector<std::uintptr_t>{3, 1, 2}));
}

TEST(MsgWaitForAnyTest, EndsOnAPostFromAnotherThread) {
    ThreadMessageQueue queue;
    Event stop(EventReset::Manual);
    std::thread poster([&] {
        std::this_thread::sleep_for(milliseconds(20));
        queue.Post(message(kUserMessage));
    });
    const WaitHandle handles[] = {stop};
    EXPECT_EQ(MsgWaitForAny(handles, queue, 5000), 1);
    poster.join();
    EXPECT_TRUE(queue.Peek(true));
}

TEST(MsgWaitForAnyTest, QueuedMessageEndsTheWaitAtOnceButASignalledHandleGoesFirst) {
    ThreadMessageQueue queue;
    Event stop(EventReset::Manual);
    const WaitHandle handles[] = {stop};
    queue.Post(message(kUserMessage));
    EXPECT_EQ(MsgWaitForAny(handles, queue, 0), 1);
    EXPECT_EQ(MsgWaitForAny(handles, queue, 0), 1) << "the wait does not take the message";
    stop.Set();
    EXPECT_EQ(MsgWaitForAny(handles, queue, 0), 0);
}

TEST(MsgWaitForAnyTest, EndsWhenATimerIsDueAndTimesOutWithout) {
    ThreadMessageQueue queue;
    const auto start = SteadyClock::now();
    EXPECT_EQ(MsgWaitForAny({}, queue, 30), kWaitTimeout);
    EXPECT_GE(std::chrono::duration_cast<milliseconds>(SteadyClock::now() - start).count(), 30);

    queue.SetTimer(9, 40);
    const auto armed = SteadyClock::now();
    EXPECT_EQ(MsgWaitForAny({}, queue, 5000), 0);
    EXPECT_GE(std::chrono::duration_cast<milliseconds>(SteadyClock::now() - armed).count(), 39);
    const auto timer = queue.Peek(true);
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->message, WM_TIMER);
    EXPECT_EQ(timer->wParam, 9u);
}

} // namespace
} // namespace quarn
