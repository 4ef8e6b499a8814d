#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace quarn {

// Signed 16-bit PCM, channels interleaved.
struct AudioFormat {
    unsigned sampleRate = 44100;
    unsigned channels = 1;

    friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

// Where one sound after another goes. A sound is Open, any number of Writes of whole frames, Close.
// Write returns once the output has taken the samples; an output that plays in real time paces its
// caller that way, so a caller writing in short periods can stop between them. A sink never raises for
// a missing or failing device: the sound is then silent.
class IAudioSink {
public:
    virtual ~IAudioSink() = default;

    virtual void Open(const AudioFormat& format) = 0;
    virtual void Write(std::span<const std::int16_t> samples) = 0;
    // `drain`: let what was written play out; otherwise throw it away at once.
    virtual void Close(bool drain) = 0;
};

// The ALSA PCM device of that name ("default", "null", "file:'/tmp/x.raw',raw", ...), opened for each
// sound. When it cannot be opened or fails, the sound goes to the silent sink instead.
std::unique_ptr<IAudioSink> MakeAudioSink(const std::string& device = "default");

// No device: the samples are dropped, but each Write takes its playing time on Clock(), so that a
// sound lasts as long as it would on a speaker.
std::unique_ptr<IAudioSink> MakeSilentAudioSink();

} // namespace quarn
