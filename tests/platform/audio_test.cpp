#include "platform/AudioPlayer.h"
#include "platform/AudioSink.h"
#include "platform/audio_test_support.h"
#include "support/Elapsed.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

namespace quarn {
namespace {

using test::msSince;
using test::TempDir;

// ALSA's "file" device writes the raw samples it is given to a file, so the tests hear what a speaker
// would.
class AudioFileDeviceTest : public ::testing::Test {
protected:
    std::string Device() const { return "file:'" + raw.string() + "',raw"; }
    std::vector<std::int16_t> Played() const {
        std::ifstream in(raw, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::vector<std::int16_t> samples(bytes.size() / 2);
        if (!samples.empty()) {
            std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        }
        return samples;
    }

    TempDir dir;
    std::filesystem::path raw = dir / "out.raw";
    Event stop{EventReset::Manual};
};

TEST_F(AudioFileDeviceTest, WaveFileReachesTheDeviceUnchanged) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 3000; ++i) {
        samples.push_back(std::int16_t(i * 7 - 10000));
    }
    test::WriteWave(dir / "ramp.wav", 8000, 2, samples);
    TAudioPlayer player(MakeAudioSink(Device()));
    EXPECT_EQ(player.PlayWave(dir / "ramp.wav", {&stop}), AudioResult::Played);
    EXPECT_EQ(Played(), samples);
}

TEST_F(AudioFileDeviceTest, TonesAndPausesKeepFrequencyAndLength) {
    const AudioTone tones[] = {{440, 100}, {0, 50}, {1000, 30}, {18, 40}};
    TAudioPlayer player(MakeAudioSink(Device()));
    ASSERT_EQ(player.PlayTones(tones, {&stop}), AudioResult::Played);
    const std::vector<std::int16_t> samples = Played();
    constexpr unsigned rate = TAudioPlayer::kToneSampleRate;
    ASSERT_EQ(samples.size(), rate * 220 / 1000);
    EXPECT_NEAR(test::ToneFrequency(samples, 0, 4410, rate), 440.0, 2.0);
    EXPECT_EQ(std::count(samples.begin() + 4410, samples.begin() + 6615, 0), 2205);
    EXPECT_NEAR(test::ToneFrequency(samples, 6615, 7938, rate), 1000.0, 5.0);
    // Too low for a speaker: as long as asked, but silent.
    EXPECT_EQ(std::count(samples.begin() + 7938, samples.end(), 0), 1764);
}

TEST_F(AudioFileDeviceTest, WhatIsNoSoundFilePlaysNothing) {
    std::ofstream(dir / "text.wav") << "not a sound at all";
    TAudioPlayer player(MakeAudioSink(Device()));
    EXPECT_EQ(player.PlayWave(dir / "text.wav", {&stop}), AudioResult::Unreadable);
    EXPECT_EQ(player.PlayWave(dir / "missing.wav", {&stop}), AudioResult::Unreadable);
    EXPECT_TRUE(Played().empty());
}

TEST_F(AudioFileDeviceTest, AStopAlreadySetPlaysNothing) {
    stop.Set();
    const AudioTone tones[] = {{440, 100}};
    TAudioPlayer player(MakeAudioSink(Device()));
    EXPECT_EQ(player.PlayTones(tones, {&stop}), AudioResult::Stopped);
    EXPECT_TRUE(Played().empty());
}

TEST(AudioStopTest, StopEndsALongSoundWithinAPeriod) {
    Event first{EventReset::Manual};
    Event second{EventReset::Manual};
    const AudioTone tones[] = {{440, 30000}};
    TAudioPlayer player(MakeSilentAudioSink());
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        second.Set();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(player.PlayTones(tones, {&first, &second}), AudioResult::Stopped);
    stopper.join();
    EXPECT_LT(msSince(start), 200);
}

TEST(AudioNoDeviceTest, AMissingDeviceIsSilentButTakesTheSoundsTime) {
    test::ManualClock clock;
    const ScopedClock scoped(clock);
    Event stop{EventReset::Manual};
    const AudioTone tones[] = {{440, 300}, {0, 200}};
    TAudioPlayer player(MakeAudioSink("quarn_no_such_device"));
    const std::uint64_t before = clock.NowMs();
    EXPECT_EQ(player.PlayTones(tones, {&stop}), AudioResult::Played);
    EXPECT_NEAR(double(clock.NowMs() - before), 500.0, 2.0);
}

} // namespace
} // namespace quarn
