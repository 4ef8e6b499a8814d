// The registry of open connections: one instance, set semantics, and walks under its lock while other
// threads add and remove.
#include "connections/ConnectionsListU.h"
#include "platform/Exception.h"
#include "stations/fake_verbindung.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace quarn::test {
namespace {

std::shared_ptr<IVerbindung> Connection(const char* call) {
    return std::make_shared<FakeVerbindung>(call);
}

TEST(ConnectionsList, ExactlyOneInstanceIsReachable) {
    EXPECT_EQ(TConnectionsList::Instance(), nullptr);
    {
        TConnectionsList list;
        EXPECT_EQ(TConnectionsList::Instance(), &list);
        EXPECT_THROW(TConnectionsList second, EAssertionFailed);
        EXPECT_EQ(TConnectionsList::Instance(), &list);
    }
    EXPECT_EQ(TConnectionsList::Instance(), nullptr);
}

TEST(ConnectionsList, AddsOnceAndRemovesOnlyWhatIsListed) {
    TConnectionsList list;
    const auto first = Connection("DL1AAA");
    const auto second = Connection("DL2BBB");

    list.Add(first);
    list.Add(second);
    list.Add(first);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(0), first);
    EXPECT_EQ(list.Get(1), second);

    list.Remove(Connection("DL1AAA")); // same call, another connection
    EXPECT_EQ(list.Count(), 2);

    list.Remove(first);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Get(0), second);
    list.Remove(first);
    EXPECT_EQ(list.Count(), 1);
}

TEST(ConnectionsList, MisuseIsAnAssertion) {
    TConnectionsList list;
    list.Add(Connection("DL1AAA"));
    EXPECT_THROW(list.Get(1), EAssertionFailed);
    EXPECT_THROW(list.Get(-1), EAssertionFailed);
    EXPECT_THROW(list.Add(nullptr), EAssertionFailed);
}

TEST(ConnectionsList, WalksUnderTheLockSeeAStableList) {
    TConnectionsList list;
    constexpr int kWalkers = 3;
    constexpr int kChangers = 3;
    constexpr int kRounds = 2000;
    std::atomic<int> torn{0};
    std::atomic<bool> changing{true};

    std::vector<std::thread> threads;
    for (int w = 0; w < kWalkers; ++w) {
        threads.emplace_back([&] {
            while (changing) {
                const TConnectionsList::ScopedLock locked(list);
                const int count = list.Count();
                for (int i = 0; i < count; ++i) {
                    if (list.Get(i) == nullptr) {
                        ++torn;
                    }
                    std::this_thread::yield(); // give the changers a chance to break in
                }
                if (list.Count() != count) {
                    ++torn;
                }
            }
        });
    }
    std::vector<std::thread> changers;
    for (int c = 0; c < kChangers; ++c) {
        changers.emplace_back([&] {
            const auto own = Connection("DB0AAA");
            const auto kept = Connection("DB0BBB");
            list.Add(kept);
            for (int round = 0; round < kRounds; ++round) {
                list.Add(own);
                list.Add(own);
                list.Remove(own);
            }
        });
    }
    for (auto& changer : changers) {
        changer.join();
    }
    changing = false;
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(list.Count(), kChangers);
}

} // namespace
} // namespace quarn::test
