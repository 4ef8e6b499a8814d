#include "stations/KlaengeMelodien.h"

#include <array>
#include <vector>

namespace quarn {

namespace {

constexpr AudioTone Pause(unsigned ms) {
    return AudioTone{0, ms};
}

std::vector<AudioTone> Repeated(int times, std::initializer_list<AudioTone> tones) {
    std::vector<AudioTone> sequence;
    for (int i = 0; i < times; ++i) {
        sequence.insert(sequence.end(), tones);
    }
    return sequence;
}

const std::array<std::vector<AudioTone>, 20>& Melodies() {
    static const std::array<std::vector<AudioTone>, 20> melodies = {{
        {{698, 20}, Pause(20)},
        {{698, 80}, {523, 80}, Pause(160)},
        {{523, 80}, {698, 80}, Pause(160)},
        {{196, 20}, Pause(20)},
        {{196, 160}, Pause(80)},
        {{131, 160}, Pause(80)},
        Repeated(8, {{523, 20}, {659, 20}, {784, 20}}),
        {{1175, 20}, Pause(140)},
        {{1047, 20}, Pause(140)},
        {{748, 20}, Pause(140)},
        {{523, 80}, {494, 80}, {523, 80}, Pause(80)},
        {{494, 80}, {523, 80}, {494, 80}, Pause(80)},
        {{262, 80}, Pause(80)},
        {{196, 80}, Pause(80)},
        {{196, 80}, {196, 784}},
        Repeated(2, {{262, 40}, Pause(40)}),
        Repeated(4, {{262, 40}, Pause(40)}),
        {{200, 20}, Pause(20)},
        {Pause(640), {262, 160}, {330, 160}, {392, 160}, {523, 320}, Pause(160)},
        {{523, 80}, {262, 160}},
    }};
    return melodies;
}

} // namespace

std::span<const AudioTone> PCSpeakerMelody(int event) {
    if (event < 0 || event >= static_cast<int>(Melodies().size())) {
        return {};
    }
    return Melodies()[static_cast<std::size_t>(event)];
}

} // namespace quarn
