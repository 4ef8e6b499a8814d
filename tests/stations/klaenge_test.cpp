#include "foundation/DebOutU.h"
#include "klaenge_test_support.h"
#include "stationen_test_fixture.h"
#include "stations/KlaengeMelodien.h"
#include "stations/KlaengeU.h"
#include "support/Elapsed.h"

#include <algorithm>
#include <thread>

namespace quarn {
namespace {

using test::MelodyEvent;
using test::RecordedSound;

constexpr int kMarker = 19;

// Sounds with a private registry and station database; what plays goes to a recording sink. A marker
// sound (event 19) played last tells when everything before it has been dealt with.
class KlaengeTest : public test::StationenDatenbankFixture {
protected:
    void SetUp() override {
        Open();
        SetGlobal(kMarker, 2);
    }
    void TearDown() override { klaenge.reset(); }

    void SetGlobal(int event, std::uint32_t signal, std::string_view wave = {},
                   std::uint32_t announcement = 0) {
        char key[64];
        std::snprintf(key, sizeof key, "\\Software\\Velmoor\\Quarn\\Klaenge\\%2.2d", event);
        store.WriteDWord(Hive::CurrentUser, key, "Signal", signal);
        store.WriteString(Hive::CurrentUser, key, "SignalWavFile", wave);
        store.WriteDWord(Hive::CurrentUser, key, "Announcement", announcement);
    }
    void SetStation(const std::string& call, int event, int signal, std::string_view wave = {}) {
        auto entry = database->GetEintrag(call);
        if (!entry) {
            entry = database->CreateEintrag(call);
        }
        ASSERT_TRUE(entry);
        if (event >= 0) {
            ASSERT_TRUE(entry->SetSoundEvent(event, signal, 0, wave));
        }
    }
    TKlaenge& Sounds(bool pace = false) {
        if (!klaenge) {
            klaenge =
                std::make_unique<TKlaenge>(store, std::make_unique<test::RecordingSink>(recording, pace));
        }
        return *klaenge;
    }
    // A droppable event is dropped until the player has turned idle after the last sound.
    bool PlayWhenIdle(int event) {
        const auto start = std::chrono::steady_clock::now();
        while (!Sounds().Play(event, std::string_view())) {
            if (test::msSince(start) > 10000) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // Everything played before the marker.
    std::vector<RecordedSound> PlayedBeforeMarker() {
        EXPECT_TRUE(Sounds().Play(kMarker, std::string_view()));
        EXPECT_TRUE(recording->WaitUntil([](const std::vector<RecordedSound>& sounds) {
            return !sounds.empty() && MelodyEvent(sounds.back()) == kMarker;
        }));
        std::vector<RecordedSound> sounds = recording->Sounds();
        EXPECT_EQ(MelodyEvent(sounds.back()), kMarker);
        sounds.pop_back();
        return sounds;
    }
    std::vector<int> MelodiesBeforeMarker() {
        std::vector<int> events;
        for (const RecordedSound& sound : PlayedBeforeMarker()) {
            events.push_back(MelodyEvent(sound));
        }
        return events;
    }

    RegistryStore store{dir / "registry"};
    std::shared_ptr<test::Recording> recording = std::make_shared<test::Recording>();
    std::unique_ptr<TKlaenge> klaenge;
};

TEST(SoundEventInfoTest, TableFlagsAndRange) {
    struct Row {
        int event;
        const char* name;
        bool hatAnsage, nurGlobal, verwerfbar, niedrig;
    };
    const Row rows[] = {
        {0, "Verbindung: Aufbau", true, false, false, true},
        {6, "Fernsteuerung: //RING", true, false, true, false},
        {7, "Zeile empfangen (aktiver Kanal)", false, false, true, true},
        {10, "Dateiübertragung: Start", false, false, false, false},
        {16, "PGP: Nachricht verändert", false, true, false, false},
        {17, "Kanalwechsel", false, true, true, true},
        {19, "Programmende", false, true, false, false},
        {0x80 | 5, "Verbindung: Fehler", true, false, false, false},
    };
    for (const Row& row : rows) {
        const TSoundEventInfo info = SoundEventInfo(row.event);
        EXPECT_EQ(info.Name, QString::fromUtf8(row.name)) << row.event;
        EXPECT_EQ(info.Nr, row.event & 0x7F);
        EXPECT_EQ(info.HatAnsage, row.hatAnsage) << row.event;
        EXPECT_EQ(info.NurGlobal, row.nurGlobal) << row.event;
        EXPECT_EQ(info.Verwerfbar, row.verwerfbar) << row.event;
        EXPECT_EQ(info.Niedrig, row.niedrig) << row.event;
    }
    for (const int outside : {20, 0x7F, 0x80 | 20, -1}) {
        const TSoundEventInfo info = SoundEventInfo(outside);
        EXPECT_TRUE(info.Name.isEmpty()) << outside;
        EXPECT_EQ(info.Nr, -1) << outside;
        EXPECT_FALSE(info.HatAnsage || info.NurGlobal || info.Verwerfbar || info.Niedrig);
    }
}

TEST(MelodyTest, MelodiesHaveTheirTonesAndLengths) {
    const std::vector<std::pair<int, std::vector<AudioTone>>> expected = {
        {1, {{698, 80}, {523, 80}, {0, 160}}},
        {9, {{748, 20}, {0, 140}}},
        {14, {{196, 80}, {196, 784}}},
        {16, {{262, 40}, {0, 40}, {262, 40}, {0, 40}, {262, 40}, {0, 40}, {262, 40}, {0, 40}}},
        {18, {{0, 640}, {262, 160}, {330, 160}, {392, 160}, {523, 320}, {0, 160}}},
    };
    for (const auto& [event, tones] : expected) {
        const auto melody = PCSpeakerMelody(event);
        ASSERT_EQ(melody.size(), tones.size()) << event;
        for (std::size_t i = 0; i < tones.size(); ++i) {
            EXPECT_EQ(melody[i].frequencyHz, tones[i].frequencyHz) << event << " step " << i;
            EXPECT_EQ(melody[i].durationMs, tones[i].durationMs) << event << " step " << i;
        }
    }
    const auto ring = PCSpeakerMelody(6);
    ASSERT_EQ(ring.size(), 24u);
    EXPECT_EQ(ring[21].frequencyHz, 523u);
    EXPECT_EQ(ring[23].frequencyHz, 784u);
    EXPECT_TRUE(PCSpeakerMelody(20).empty());
}

TEST_F(KlaengeTest, EveryEventPlaysItsMelodyInTime) {
    for (int event = 0; event < kSoundEventCount; ++event) {
        SetGlobal(event, 2);
    }
    for (int event = 0; event < kSoundEventCount; ++event) {
        ASSERT_TRUE(PlayWhenIdle(event)) << event;
        ASSERT_TRUE(recording->WaitForSounds(std::size_t(event) + 1));
    }
    const std::vector<RecordedSound> sounds = recording->Sounds();
    for (int event = 0; event < kSoundEventCount; ++event) {
        EXPECT_EQ(MelodyEvent(sounds[std::size_t(event)]), event);
        EXPECT_TRUE(sounds[std::size_t(event)].drained);
    }
    // Event 18: a 640 ms pause first, 1600 ms in all.
    EXPECT_EQ(sounds[18].samples.size(), std::size_t(TAudioPlayer::kToneSampleRate) * 1600 / 1000);
}

TEST_F(KlaengeTest, EmptyRegistryMakesNoSound) {
    for (int event = 0; event < kSoundEventCount; ++event) {
        if (event != kMarker) {
            EXPECT_FALSE(Sounds().Play(event, "DL1ABC")) << event;
        }
    }
    EXPECT_FALSE(Sounds().Play(20, std::string_view()));
    EXPECT_TRUE(PlayedBeforeMarker().empty());
}

TEST_F(KlaengeTest, StationOverrideGlobalAndFlagsDecide) {
    struct Case {
        const char* what;
        int event;
        std::uint32_t global;
        std::vector<std::pair<std::string, int>> stations; // call, signal for the event (-1: no stream)
        const char* peer;
        bool queued;
        bool plays;
    };
    const std::vector<Case> cases = {
        {"inherit takes the global melody", 4, 2, {{"DL1ABC", 0}}, "DL1ABC", true, true},
        {"none silences the station", 4, 2, {{"DL1ABC", 1}}, "DL1ABC", false, false},
        {"station melody without global", 4, 0, {{"DL1ABC", 2}}, "DL1ABC", true, true},
        {"own entry without stream: base entry not asked",
         4,
         2,
         {{"DL1ABC-7", -1}, {"DL1ABC", 1}},
         "DL1ABC-7",
         true,
         true},
        {"no own entry: base entry applies", 4, 2, {{"DL1ABC", 1}}, "DL1ABC-7", false, false},
        {"no peer: global", 4, 2, {{"DL1ABC", 1}}, "", true, true},
        {"PGP ignores the station", 14, 2, {{"DL1ABC", 1}}, "DL1ABC", true, true},
        {"program start ignores the station", 18, 0, {{"DL1ABC", 2}}, "DL1ABC", false, false},
        {"channel change ignores the station", 17, 2, {{"DL1ABC", 1}}, "DL1ABC", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        Close();
        std::filesystem::remove_all(folder);
        std::filesystem::remove_all(dir / "registry");
        Open();
        SetGlobal(kMarker, 2);
        recording = std::make_shared<test::Recording>();
        SetGlobal(c.event, c.global);
        for (const auto& [call, signal] : c.stations) {
            SetStation(call, signal < 0 ? -1 : c.event, signal);
        }
        EXPECT_EQ(Sounds().Play(c.event, std::string_view(c.peer)), c.queued);
        const std::vector<int> played = MelodiesBeforeMarker();
        EXPECT_EQ(played, c.plays ? std::vector<int>{c.event} : std::vector<int>{});
    }
}

TEST_F(KlaengeTest, WaveSettingsPlayTheFileOrNothing) {
    std::vector<std::int16_t> samples(2205 * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = std::int16_t(i % 200 * 50);
    }
    const std::filesystem::path wave = dir / "gong \xC3\xA4.wav"; // "gong ä.wav" in UTF-8
    test::WriteWave(wave, 22050, 2, samples);
    SetGlobal(10, 3, (dir / "missing.wav").string());
    SetGlobal(11, 1, {}, 2); // no signal, but an announcement: queued, silent
    SetStation("DL1ABC", 12, 3, (dir / "gong \xE4.wav").string()); // the station's text is Windows-1252

    EXPECT_TRUE(Sounds().Play(10, std::string_view()));
    EXPECT_TRUE(Sounds().Play(11, std::string_view()));
    EXPECT_TRUE(Sounds().Play(12, "DL1ABC"));
    const std::vector<RecordedSound> sounds = PlayedBeforeMarker();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].format, (AudioFormat{22050, 2}));
    EXPECT_EQ(sounds[0].samples, samples);
}

TEST_F(KlaengeTest, DroppableEventsGiveWayWhileASoundPlays) {
    for (const int event : {1, 6, 7, 8, 9, 10}) {
        SetGlobal(event, 2);
    }
    recording->hold = true;
    ASSERT_TRUE(Sounds().Play(1, std::string_view()));
    ASSERT_TRUE(recording->started.Wait(10000));
    EXPECT_FALSE(Sounds().Play(7, std::string_view()));
    EXPECT_FALSE(Sounds().Play(8, std::string_view()));
    EXPECT_FALSE(Sounds().Play(9, std::string_view()));
    EXPECT_FALSE(Sounds().Play(6, std::string_view()));
    EXPECT_TRUE(Sounds().Play(10, std::string_view())); // not droppable
    recording->started.Reset();
    recording->release.Set();
    ASSERT_TRUE(recording->WaitForSounds(2));

    {
        std::lock_guard lock(recording->mutex);
        recording->hold = true;
    }
    recording->release.Reset();
    recording->started.Reset();
    ASSERT_TRUE(PlayWhenIdle(7));
    ASSERT_TRUE(recording->started.Wait(10000));
    EXPECT_FALSE(Sounds().Play(7, std::string_view()));
    EXPECT_TRUE(Sounds().Play(6, std::string_view())); // //RING outranks a line sound
    recording->release.Set();
    EXPECT_EQ(MelodiesBeforeMarker(), (std::vector<int>{1, 10, 7, 6}));
}

TEST_F(KlaengeTest, LoadAndSaveGlobalAndStation) {
    SetStation("DL1ABC-2", -1, 0);
    SetGlobal(3, 7, "ignored", 0xFFFFFFFF); // out of range reads as inherit
    std::uint8_t announcement = 9;
    std::uint8_t signal = 9;
    std::string wave = "x";
    Sounds().Load("", 3, announcement, wave, signal);
    EXPECT_EQ(signal, 0);
    EXPECT_EQ(announcement, 0);
    EXPECT_EQ(wave, "ignored");

    Sounds().Save("", 5, 3, "C:\\x.wav", 2);
    EXPECT_EQ(store.ReadDWord(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Klaenge\\05", "Signal"), 2u);
    EXPECT_EQ(store.ReadDWord(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Klaenge\\05", "Announcement"),
              3u);
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Klaenge\\05", "SignalWavFile"),
              "C:\\x.wav");
    // Loaded once, then answered from the cache.
    store.WriteDWord(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Klaenge\\05", "Signal", 1);
    Sounds().LoadGlobal(5, announcement, wave, signal);
    EXPECT_EQ(signal, 2);

    Sounds().Save("dl1abc-2", 5, 2, "s.wav", 3);
    EXPECT_TRUE(Sounds().LoadStation("DL1ABC-2", 5, announcement, wave, signal));
    EXPECT_EQ(signal, 3);
    EXPECT_EQ(announcement, 2);
    EXPECT_EQ(wave, "s.wav");
    Sounds().Save("NOCALL", 5, 2, "s.wav", 3); // no such station: nothing made
    EXPECT_FALSE(database->GetEintrag("NOCALL"));
    EXPECT_FALSE(Sounds().LoadStation("NOCALL", 5, announcement, wave, signal));
    EXPECT_EQ(signal, 0);

    Sounds().DeleteStation("", 5);
    Sounds().DeleteStation("DL1ABC-2", 5);
    Sounds().Load("DL1ABC-2", 5, announcement, wave, signal);
    EXPECT_EQ(signal, 0);
    EXPECT_EQ(wave, "");
}

TEST_F(KlaengeTest, ShutDownStopsALongWaveAtOnce) {
    std::vector<std::int16_t> samples(8000 * 30, 1000); // 30 seconds
    test::WriteWave(dir / "long.wav", 8000, 1, samples);
    SetGlobal(10, 3, (dir / "long.wav").string());
    std::vector<std::string> trace;
    const ScopedTraceCapture capture([&](std::string_view line) { trace.emplace_back(line); });
    ASSERT_TRUE(Sounds(true).Play(10, std::string_view()));
    ASSERT_TRUE(recording->started.Wait(10000));
    const auto start = std::chrono::steady_clock::now();
    klaenge.reset();
    EXPECT_LT(test::msSince(start), 200);
    const std::vector<RecordedSound> sounds = recording->Sounds();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_FALSE(sounds[0].drained);
    EXPECT_LT(sounds[0].samples.size(), samples.size() / 10);
    EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [](const std::string& line) {
        return line.find("PlaySeqThread normal beendet.") != std::string::npos;
    }));
    EXPECT_EQ(Klaenge(), nullptr);
}

} // namespace
} // namespace quarn
