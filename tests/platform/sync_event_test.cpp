#include "platform/Event.h"
#include "platform/WaitForAny.h"

#include "support/Elapsed.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace quarn {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

using test::msSince;

template <typename Predicate> bool eventually(Predicate predicate, milliseconds limit = milliseconds(5000)) {
    const auto end = SteadyClock::now() + limit;
    while (!predicate()) {
        if (SteadyClock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

struct Pipe {
    Pipe() {
        int ends[2];
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        read.reset(ends[0]);
        write.reset(ends[1]);
    }
    FileDescriptor read;
    FileDescriptor write;
};

struct EventCase {
    const char* name;
    EventReset reset;
    bool initiallySet;
    int sets;
    bool firstWait;
    bool secondWait;
};

class EventStateTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventStateTest, WaitConsumesOnlyAnAutoResetSignal) {
    const EventCase& c = GetParam();
    Event event(c.reset, c.initiallySet);
    for (int i = 0; i < c.sets; ++i) {
        event.Set();
    }
    EXPECT_EQ(event.IsSet(), c.firstWait);
    EXPECT_EQ(event.IsSet(), c.firstWait) << "IsSet must not consume";
    EXPECT_EQ(event.Wait(0), c.firstWait);
    EXPECT_EQ(event.Wait(0), c.secondWait);
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
    EXPECT_FALSE(event.IsSet());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EventStateTest,
    ::testing::Values(EventCase{"ManualUnset", EventReset::Manual, false, 0, false, false},
                      EventCase{"ManualInitiallySet", EventReset::Manual, true, 0, true, true},
                      EventCase{"ManualSetTwice", EventReset::Manual, false, 2, true, true},
                      EventCase{"AutoUnset", EventReset::Auto, false, 0, false, false},
                      EventCase{"AutoInitiallySet", EventReset::Auto, true, 0, true, false},
                      EventCase{"AutoSetOnce", EventReset::Auto, false, 1, true, false},
                      // Setting a set event changes nothing: one wait takes it all.
                      EventCase{"AutoSetThrice", EventReset::Auto, false, 3, true, false},
                      EventCase{"AutoInitiallySetAndSet", EventReset::Auto, true, 1, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EventTest, WaitOnAnUnsetEventLastsTheWholeTimeOut) {
    Event event(EventReset::Auto);
    const auto start = SteadyClock::now();
    EXPECT_FALSE(event.Wait(40));
    EXPECT_GE(msSince(start), 40);
}

TEST(EventTest, ManualResetReleasesEveryWaiter) {
    Event event(EventReset::Manual);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            if (event.Wait(kInfinite)) {
                ++released;
            }
        });
    }
    event.Set();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released.load(), 4);
    EXPECT_TRUE(event.IsSet());
}

TEST(EventTest, AutoResetReleasesExactlyOneWaiterPerSet) {
    Event event(EventReset::Auto);
    Event done(EventReset::Manual);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] {
            while (WaitForAny({event, done}, kInfinite) == 0) {
                ++released;
            }
        });
    }
    for (int round = 1; round <= 3; ++round) {
        event.Set();
        ASSERT_TRUE(eventually([&] { return released.load() == round; }));
        // The losers must have gone back to waiting instead of counting the same signal.
        std::this_thread::sleep_for(milliseconds(20));
        EXPECT_EQ(released.load(), round);
    }
    done.Set();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released.load(), 3);
    EXPECT_FALSE(event.IsSet());
}

TEST(EventTest, LosingWaiterWaitsOnlyForTheRestOfItsTimeOut) {
    Event event(EventReset::Auto);
    std::array<long long, 2> elapsed{};
    std::array<bool, 2> result{};
    std::vector<std::thread> waiters;
    const auto start = SteadyClock::now();
    for (int i = 0; i < 2; ++i) {
        waiters.emplace_back([&, i] {
            result[i] = event.Wait(300);
            elapsed[i] = msSince(start);
        });
    }
    std::this_thread::sleep_for(milliseconds(150));
    event.Set();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    ASSERT_NE(result[0], result[1]) << "exactly one waiter wins";
    const int loser = result[0] ? 1 : 0;
    EXPECT_GE(elapsed[loser], 300);
    EXPECT_LT(elapsed[loser], 430) << "the loser started its time-out again";
}

TEST(EventTest, WhatTheSetterWroteIsVisibleToTheWaiter) {
    // A data race here would be reported by ThreadSanitizer.
    for (EventReset reset : {EventReset::Manual, EventReset::Auto}) {
        Event event(reset);
        int payload = 0;
        std::thread setter([&] {
            payload = 42;
            event.Set();
        });
        ASSERT_TRUE(event.Wait(kInfinite));
        EXPECT_EQ(payload, 42);
        setter.join();
    }
}

struct OrderCase {
    const char* name;
    std::array<bool, 3> set; // handles: auto, manual, auto
    int expected;
    std::array<bool, 3> setAfter;
};

class WaitOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(WaitOrderTest, LowestSignalledIndexWinsAndOnlyItIsConsumed) {
    const OrderCase& c = GetParam();
    Event first(EventReset::Auto, c.set[0]);
    Event second(EventReset::Manual, c.set[1]);
    Event third(EventReset::Auto, c.set[2]);
    EXPECT_EQ(WaitForAny({first, second, third}, 0), c.expected);
    EXPECT_EQ(first.IsSet(), c.setAfter[0]);
    EXPECT_EQ(second.IsSet(), c.setAfter[1]);
    EXPECT_EQ(third.IsSet(), c.setAfter[2]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WaitOrderTest,
    ::testing::Values(OrderCase{"None", {false, false, false}, kWaitTimeout, {false, false, false}},
                      OrderCase{"All", {true, true, true}, 0, {false, true, true}},
                      OrderCase{"ManualBeforeAuto", {false, true, true}, 1, {false, true, true}},
                      OrderCase{"AutoBeforeAuto", {true, false, true}, 0, {false, false, true}},
                      OrderCase{"OnlyLast", {false, false, true}, 2, {false, false, false}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WaitForAnyTest, TimesOutAfterTheGivenTime) {
    Event event(EventReset::Manual);
    Pipe pipe;
    const auto start = SteadyClock::now();
    EXPECT_EQ(WaitForAny({event, WaitHandle::Fd(pipe.read.get(), POLLIN)}, 50), kWaitTimeout);
    EXPECT_GE(msSince(start), 50);
}

TEST(WaitForAnyTest, ReadableFileDescriptorEndsTheWait) {
    Event event(EventReset::Auto);
    Pipe pipe;
    std::thread writer([&] {
        std::this_thread::sleep_for(milliseconds(20));
        EXPECT_EQ(::write(pipe.write.get(), "x", 1), 1);
    });
    EXPECT_EQ(WaitForAny({event, WaitHandle::Fd(pipe.read.get(), POLLIN)}, 5000), 1);
    writer.join();
    // Still readable: the wait leaves the data to its reader.
    EXPECT_EQ(WaitForAny({WaitHandle::Fd(pipe.read.get(), POLLIN)}, 0), 0);
}

TEST(WaitForAnyTest, ClosedPeerAndWritableEndAreReady) {
    Pipe pipe;
    EXPECT_EQ(WaitForAny({WaitHandle::Fd(pipe.write.get(), POLLOUT)}, 0), 0);
    pipe.write.reset();
    // End of file must end the wait too, or a reader would never learn that its peer is gone.
    EXPECT_EQ(WaitForAny({WaitHandle::Fd(pipe.read.get(), POLLIN)}, 1000), 0);
}

void ignoreSignal(int) {}

TEST(WaitForAnyTest, SignalDoesNotShortenTheWait) {
    struct sigaction action {};
    action.sa_handler = ignoreSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

    Event event(EventReset::Auto);
    std::atomic<bool> waiting{false};
    int result = 0;
    long long elapsed = 0;
    std::thread waiter([&] {
        const auto start = SteadyClock::now();
        waiting = true;
        result = WaitForAny({event}, 200);
        elapsed = msSince(start);
    });
    ASSERT_TRUE(eventually([&] { return waiting.load(); }));
    // Restarting with the full time-out after the last signal would end near 360 ms.
    for (int i = 0; i < 4; ++i) {
        std::this_thread::sleep_for(milliseconds(40));
        ::pthread_kill(waiter.native_handle(), SIGUSR1);
    }
    waiter.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(result, kWaitTimeout);
    EXPECT_GE(elapsed, 200);
    EXPECT_LT(elapsed, 320) << "each interruption must continue with the remaining time";
}

} // namespace
} // namespace quarn
