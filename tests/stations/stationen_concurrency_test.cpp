// Lookups and releases of the same stations from many threads: an entry must never be handed out while
// it is dying, every holder of one station must see one object, and no write-back may get lost. Run it
// in the ThreadSanitizer build too.

#include "stationen_test_fixture.h"

#include <atomic>
#include <thread>

namespace quarn {
namespace {

using ConcurrencyTest = test::StationenDatenbankFixture;

TEST_F(ConcurrencyTest, LookupsAndLastReleasesRaceSafely) {
    Open();
    constexpr int kStations = 4;
    constexpr int kThreads = 6;
    constexpr int kRounds = 600;
    for (int s = 0; s < kStations; ++s) {
        database->CreateEintrag("DL" + std::to_string(s) + "RACE");
    }
    std::atomic<int> mismatches{0};
    std::atomic<int> missing{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string call = "DL" + std::to_string((t + round) % kStations) + "RACE";
                auto first = database->GetEintrag(call);
                auto second = database->FindEintrag(call, true);
                if (!first || !second) {
                    ++missing;
                    continue;
                }
                if (first.get() != second.get()) {
                    ++mismatches;
                }
                // Each thread owns one remote command per station; its last value must survive.
                first->SetRemoteCommand("cmd" + std::to_string(t), round % 2 == 0);
                first->SetTyp(static_cast<TStationType>(round % 6));
                if (round % 50 == 0) {
                    first->SetName("round " + std::to_string(round));
                }
            }
        });
    }
    threads.emplace_back([&] {
        for (int round = 0; round < kRounds; ++round) {
            const std::string call = "DL9TEMP";
            database->CreateEintrag(call);
            database->DeleteEintrag(call);
        }
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(missing.load(), 0);
    EXPECT_EQ(mismatches.load(), 0);

    Reopen();
    for (int s = 0; s < kStations; ++s) {
        auto entry = database->GetEintrag("DL" + std::to_string(s) + "RACE");
        ASSERT_TRUE(entry);
        for (int t = 0; t < kThreads; ++t) {
            // Thread t touched station s in every round r with (t + r) % kStations == s; its last one
            // decides.
            int last = kRounds - 1;
            while ((t + last) % kStations != s) {
                --last;
            }
            bool allowed = false;
            ASSERT_TRUE(entry->GetRemoteCommand("cmd" + std::to_string(t), allowed)) << s << "/" << t;
            EXPECT_EQ(allowed, last % 2 == 0) << s << "/" << t;
        }
    }
}

} // namespace
} // namespace quarn
