#pragma once

#include "platform/AudioSink.h"
#include "platform/Event.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

namespace quarn {

// One step of a square-tone sequence; a frequency of 0 is a pause of that length. Frequencies of 18 Hz
// and less are too low for a speaker and play as a pause too.
struct AudioTone {
    unsigned frequencyHz = 0;
    unsigned durationMs = 0;
};

// Ends a sound early: any of the events set.
class AudioStop {
public:
    AudioStop(std::initializer_list<const Event*> events) : events_(events) {}
    bool Requested() const;

private:
    std::vector<const Event*> events_;
};

enum class AudioResult { Played, Stopped, Unreadable };

// Plays wave files (anything libsndfile reads) and square-tone sequences on a sink, one sound at a time
// on the calling thread. Samples go out in periods of kAudioPeriodMs, and the stop events are looked at
// before each, so a stopped sound ends within about a period plus what the device still buffers.
class TAudioPlayer {
public:
    explicit TAudioPlayer(std::unique_ptr<IAudioSink> sink);
    TAudioPlayer(const TAudioPlayer&) = delete;
    TAudioPlayer& operator=(const TAudioPlayer&) = delete;

    // Unreadable: not a sound file, nothing played.
    AudioResult PlayWave(const std::filesystem::path& file, const AudioStop& stop);
    // The whole sequence is one sound, so tones and pauses keep their lengths exactly.
    AudioResult PlayTones(std::span<const AudioTone> tones, const AudioStop& stop);

    static constexpr unsigned kToneSampleRate = 44100;
    static constexpr std::int16_t kToneAmplitude = 6000;
    static constexpr unsigned kAudioPeriodMs = 20;

private:
    std::unique_ptr<IAudioSink> sink_;
};

} // namespace quarn
