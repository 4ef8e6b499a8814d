#pragma once

#include "platform/AudioPlayer.h"
#include "platform/AudioSink.h"
#include "platform/Event.h"
#include "platform/audio_test_support.h"
#include "stations/KlaengeMelodien.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

namespace quarn::test {

struct RecordedSound {
    AudioFormat format;
    std::vector<std::int16_t> samples;
    bool drained = false;
};

// What a RecordingSink saw, shared with the test after the sink went to its owner. With `hold` set, the
// next sound stops in its first Write (after setting `started`) until `release` is set.
struct Recording {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<RecordedSound> sounds; // closed sounds
    RecordedSound current;
    bool hold = false;
    Event started{EventReset::Manual};
    Event release{EventReset::Manual};

    bool WaitForSounds(std::size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return sounds.size() >= count; });
    }
    template <typename Predicate> bool WaitUntil(Predicate done) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return done(sounds); });
    }
    std::vector<RecordedSound> Sounds() {
        std::lock_guard lock(mutex);
        return sounds;
    }
};

class RecordingSink final : public IAudioSink {
public:
    // `pace`: each write also takes its playing time, as on a device.
    explicit RecordingSink(std::shared_ptr<Recording> recording, bool pace = false)
        : recording_(std::move(recording)), pacer_(pace ? MakeSilentAudioSink() : nullptr) {}

    void Open(const AudioFormat& format) override {
        std::lock_guard lock(recording_->mutex);
        recording_->current = RecordedSound{format, {}, false};
        if (pacer_) {
            pacer_->Open(format);
        }
    }
    void Write(std::span<const std::int16_t> samples) override {
        bool wait = false;
        {
            std::lock_guard lock(recording_->mutex);
            recording_->current.samples.insert(recording_->current.samples.end(), samples.begin(),
                                               samples.end());
            wait = recording_->hold;
            recording_->hold = false;
        }
        if (wait) {
            recording_->started.Set();
            recording_->release.Wait(10000);
        } else {
            recording_->started.Set();
        }
        if (pacer_) {
            pacer_->Write(samples);
        }
    }
    void Close(bool drain) override {
        std::lock_guard lock(recording_->mutex);
        recording_->current.drained = drain;
        recording_->sounds.push_back(std::move(recording_->current));
        recording_->current = {};
        recording_->changed.notify_all();
    }

private:
    std::shared_ptr<Recording> recording_;
    std::unique_ptr<IAudioSink> pacer_;
};

// Whether a recorded sound is exactly this tone sequence: every step's length in frames, silence in the
// pauses, the frequency within 1 % in the tones.
inline bool IsToneSequence(const RecordedSound& sound, std::span<const AudioTone> tones) {
    const unsigned rate = sound.format.sampleRate;
    std::size_t pos = 0;
    for (const AudioTone& tone : tones) {
        const std::size_t frames = std::size_t(tone.durationMs) * rate / 1000;
        if (pos + frames > sound.samples.size()) {
            return false;
        }
        if (tone.frequencyHz == 0) {
            for (std::size_t i = pos; i < pos + frames; ++i) {
                if (sound.samples[i] != 0) {
                    return false;
                }
            }
        } else {
            const double f = ToneFrequency(sound.samples, pos, pos + frames, rate);
            if (f < tone.frequencyHz * 0.99 || f > tone.frequencyHz * 1.01) {
                return false;
            }
        }
        pos += frames;
    }
    return pos == sound.samples.size();
}

// The event whose PC-speaker melody the sound is, or -1.
inline int MelodyEvent(const RecordedSound& sound) {
    for (int event = 0; event < 20; ++event) {
        if (IsToneSequence(sound, PCSpeakerMelody(event))) {
            return event;
        }
    }
    return -1;
}

} // namespace quarn::test
