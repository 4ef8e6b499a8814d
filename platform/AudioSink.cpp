#include "platform/AudioSink.h"

#include "platform/Clock.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <mutex>

namespace quarn {

namespace {

// How much the device buffers: short enough that draining a stopped sound is quick.
constexpr unsigned kLatencyUs = 100000;

class SilentSink final : public IAudioSink {
public:
    void Open(const AudioFormat& format) override {
        format_ = format;
        carryUs_ = 0;
    }
    void Write(std::span<const std::int16_t> samples) override {
        const std::uint64_t frames = samples.size() / (format_.channels ? format_.channels : 1);
        carryUs_ += frames * 1000000u / (format_.sampleRate ? format_.sampleRate : 1);
        const std::uint64_t ms = carryUs_ / 1000;
        carryUs_ %= 1000;
        if (ms > 0) {
            Sleep(static_cast<std::uint32_t>(ms));
        }
    }
    void Close(bool) override {}

private:
    AudioFormat format_;
    std::uint64_t carryUs_ = 0;
};

// ALSA writes its complaints to stderr (a machine without a sound card complains on every open); the
// program treats a missing device as silence, so they are of no use.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmPtr = std::unique_ptr<snd_pcm_t, PcmCloser>;

class AlsaSink final : public IAudioSink {
public:
    explicit AlsaSink(std::string device) : device_(std::move(device)) {
        static std::once_flag quiet;
        std::call_once(quiet, [] { snd_lib_error_set_handler(&QuietAlsaErrors); });
    }
    ~AlsaSink() override { CloseDevice(false); }

    void Open(const AudioFormat& format) override {
        CloseDevice(false);
        format_ = format;
        silent_.Open(format);
        snd_pcm_t* opened = nullptr;
        if (snd_pcm_open(&opened, device_.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0) {
            return;
        }
        pcm_.reset(opened);
        if (snd_pcm_set_params(pcm_.get(), SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                               format.sampleRate, 1, kLatencyUs) < 0) {
            CloseDevice(false);
        }
    }

    void Write(std::span<const std::int16_t> samples) override {
        if (!pcm_) {
            silent_.Write(samples);
            return;
        }
        const unsigned channels = format_.channels ? format_.channels : 1;
        snd_pcm_uframes_t left = samples.size() / channels;
        const std::int16_t* next = samples.data();
        while (left > 0) {
            snd_pcm_sframes_t written = snd_pcm_writei(pcm_.get(), next, left);
            if (written < 0) {
                written = snd_pcm_recover(pcm_.get(), static_cast<int>(written), 1);
            }
            if (written < 0) {
                // The device went away in the middle of a sound: the rest is silent.
                CloseDevice(false);
                silent_.Write(std::span<const std::int16_t>(next, left * channels));
                return;
            }
            left -= static_cast<snd_pcm_uframes_t>(written);
            next += static_cast<std::size_t>(written) * channels;
        }
    }

    void Close(bool drain) override { CloseDevice(drain); }

private:
    void CloseDevice(bool drain) {
        if (!pcm_) {
            return;
        }
        if (drain) {
            snd_pcm_drain(pcm_.get());
        } else {
            snd_pcm_drop(pcm_.get());
        }
        pcm_.reset();
    }

    const std::string device_;
    AudioFormat format_;
    PcmPtr pcm_;
    SilentSink silent_;
};

} // namespace

std::unique_ptr<IAudioSink> MakeAudioSink(const std::string& device) {
    return std::make_unique<AlsaSink>(device);
}

std::unique_ptr<IAudioSink> MakeSilentAudioSink() {
    return std::make_unique<SilentSink>();
}

} // namespace quarn
