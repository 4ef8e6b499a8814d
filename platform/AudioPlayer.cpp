#include "platform/AudioPlayer.h"

#include <sndfile.h>

#include <algorithm>

namespace quarn {

namespace {

constexpr unsigned kLowestAudibleHz = 18;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

// Closes the sink's sound on every way out, dropping it when it did not end normally.
class SoundScope {
public:
    SoundScope(IAudioSink& sink, const AudioFormat& format) : sink_(sink) { sink_.Open(format); }
    ~SoundScope() { sink_.Close(finished_); }
    SoundScope(const SoundScope&) = delete;
    SoundScope& operator=(const SoundScope&) = delete;
    void Finished() { finished_ = true; }

private:
    IAudioSink& sink_;
    bool finished_ = false;
};

} // namespace

bool AudioStop::Requested() const {
    return std::any_of(events_.begin(), events_.end(), [](const Event* event) { return event->IsSet(); });
}

TAudioPlayer::TAudioPlayer(std::unique_ptr<IAudioSink> sink) : sink_(std::move(sink)) {}

AudioResult TAudioPlayer::PlayWave(const std::filesystem::path& file, const AudioStop& stop) {
    SF_INFO info{};
    SndFilePtr sound(sf_open(file.c_str(), SFM_READ, &info));
    if (!sound || info.channels <= 0 || info.samplerate <= 0) {
        return AudioResult::Unreadable;
    }
    const AudioFormat format{static_cast<unsigned>(info.samplerate), static_cast<unsigned>(info.channels)};
    const sf_count_t periodFrames = std::max<sf_count_t>(1, info.samplerate * kAudioPeriodMs / 1000);
    std::vector<std::int16_t> period(static_cast<std::size_t>(periodFrames * info.channels));
    if (stop.Requested()) {
        return AudioResult::Stopped;
    }
    SoundScope scope(*sink_, format);
    for (;;) {
        if (stop.Requested()) {
            return AudioResult::Stopped;
        }
        const sf_count_t frames = sf_readf_short(sound.get(), period.data(), periodFrames);
        if (frames <= 0) {
            break;
        }
        sink_->Write(
            std::span<const std::int16_t>(period.data(), static_cast<std::size_t>(frames * info.channels)));
    }
    scope.Finished();
    return AudioResult::Played;
}

AudioResult TAudioPlayer::PlayTones(std::span<const AudioTone> tones, const AudioStop& stop) {
    if (stop.Requested()) {
        return AudioResult::Stopped;
    }
    constexpr std::size_t kPeriodFrames = kToneSampleRate * kAudioPeriodMs / 1000;
    std::vector<std::int16_t> period;
    period.reserve(kPeriodFrames);
    SoundScope scope(*sink_, AudioFormat{kToneSampleRate, 1});
    for (const AudioTone& tone : tones) {
        const std::uint64_t frames = std::uint64_t(tone.durationMs) * kToneSampleRate / 1000;
        const bool audible = tone.frequencyHz > kLowestAudibleHz;
        // Frame i of the tone is in the high half of its cycle when (2 f i / rate) is even; counting in
        // integers keeps every half-cycle the same length over long tones.
        for (std::uint64_t done = 0; done < frames;) {
            if (stop.Requested()) {
                return AudioResult::Stopped;
            }
            const std::uint64_t count = std::min<std::uint64_t>(kPeriodFrames, frames - done);
            period.clear();
            for (std::uint64_t i = done; i < done + count; ++i) {
                std::int16_t sample = 0;
                if (audible) {
                    const std::uint64_t halfCycles =
                        2 * std::uint64_t(tone.frequencyHz) * i / kToneSampleRate;
                    sample = halfCycles % 2 == 0 ? kToneAmplitude : std::int16_t(-kToneAmplitude);
                }
                period.push_back(sample);
            }
            sink_->Write(period);
            done += count;
        }
    }
    scope.Finished();
    return AudioResult::Played;
}

} // namespace quarn
