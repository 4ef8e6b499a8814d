#pragma once

#include <cstdint>
#include <filesystem>
#include <sndfile.h>
#include <stdexcept>
#include <vector>

namespace quarn::test {

// The frequency of a square tone from the first and last sign change (0 when it has fewer than two).
inline double ToneFrequency(const std::vector<std::int16_t>& samples, std::size_t begin, std::size_t end,
                            unsigned rate) {
    std::size_t first = 0;
    std::size_t last = 0;
    std::size_t changes = 0;
    for (std::size_t i = begin + 1; i < end; ++i) {
        if ((samples[i] > 0) != (samples[i - 1] > 0)) {
            if (changes == 0) {
                first = i;
            }
            last = i;
            ++changes;
        }
    }
    if (changes < 2) {
        return 0;
    }
    return double(rate) * double(changes - 1) / (2.0 * double(last - first));
}

// A 16-bit wave file of these samples.
inline void WriteWave(const std::filesystem::path& file, unsigned rate, unsigned channels,
                      const std::vector<std::int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = int(rate);
    info.channels = int(channels);
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!out) {
        throw std::runtime_error("cannot write test wave");
    }
    sf_writef_short(out, samples.data(), sf_count_t(samples.size() / channels));
    sf_close(out);
}

} // namespace quarn::test
