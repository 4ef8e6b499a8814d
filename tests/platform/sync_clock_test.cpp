#include "platform/Clock.h"

#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace quarn {
namespace {

TEST(ClockTest, SystemClockIsMonotonicAndSleepLastsAtLeastTheTime) {
    const std::uint64_t before = Clock().NowMs();
    const auto realBefore = std::chrono::steady_clock::now();
    Sleep(25);
    const auto realMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - realBefore)
            .count();
    const std::uint64_t after = Clock().NowMs();
    EXPECT_GE(realMs, 25);
    EXPECT_GE(after - before, 24u); // millisecond truncation of both readings
    EXPECT_LE(after - before, static_cast<std::uint64_t>(realMs) + 1);
}

TEST(ClockTest, ScopedClocksReplaceAndRestoreInOrder) {
    IClock& system = Clock();
    test::ManualClock outer(5000);
    {
        ScopedClock useOuter(outer);
        EXPECT_EQ(&Clock(), &outer);
        Sleep(250); // passes at once, as time on the replacement clock
        EXPECT_EQ(Clock().NowMs(), 5250u);
        test::ManualClock inner(7);
        {
            ScopedClock useInner(inner);
            EXPECT_EQ(GetTickCount(), 7u);
        }
        EXPECT_EQ(&Clock(), &outer);
    }
    EXPECT_EQ(&Clock(), &system);
}

TEST(ClockTest, TickCountWrapsLikeTheWindowsCounter) {
    test::ManualClock clock(0xFFFF'FFF0u);
    ScopedClock use(clock);
    const std::uint32_t start = GetTickCount();
    clock.Advance(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    EXPECT_EQ(GetTickCount() - start, 0x20u) << "differences stay right across the wrap";
}

} // namespace
} // namespace quarn
