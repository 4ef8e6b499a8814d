// The quit event is set once per process and never reset, so this runs in a test program of its own.
#include "foundation/GlobalU.h"
#include "klaenge_test_support.h"
#include "stations/KlaengeU.h"
#include "support/Elapsed.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

TEST(KlaengeQuitTest, QuitEventEndsTheSoundAndThePlayer) {
    test::TempDir dir;
    RegistryStore store(dir / "registry");
    test::WriteWave(dir / "long.wav", 8000, 1, std::vector<std::int16_t>(8000 * 30, 1000));
    store.WriteDWord(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Klaenge\\11", "Signal", 3);
    store.WriteString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Klaenge\\11", "SignalWavFile",
                      (dir / "long.wav").string());
    auto recording = std::make_shared<test::Recording>();
    auto klaenge = std::make_unique<TKlaenge>(store, std::make_unique<test::RecordingSink>(recording, true));
    ASSERT_TRUE(klaenge->Play(11, std::string_view()));
    ASSERT_TRUE(recording->started.Wait(10000));

    const auto start = std::chrono::steady_clock::now();
    QuitEvent().Set();
    ASSERT_TRUE(recording->WaitForSounds(1));
    EXPECT_LT(test::msSince(start), 200);
    EXPECT_FALSE(recording->Sounds()[0].drained);

    // Still accepted, never played; the object goes at once.
    EXPECT_TRUE(klaenge->Play(11, std::string_view()));
    const auto destroyed = std::chrono::steady_clock::now();
    klaenge.reset();
    EXPECT_LT(test::msSince(destroyed), 200);
    EXPECT_EQ(recording->Sounds().size(), 1u);
}

} // namespace
} // namespace quarn
