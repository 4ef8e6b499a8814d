#pragma once

#include "platform/AudioPlayer.h"

#include <span>

namespace quarn {

// The PC-speaker melody of a sound event (0..19): tones and pauses in playing order; empty for any
// other number.
std::span<const AudioTone> PCSpeakerMelody(int event);

} // namespace quarn
