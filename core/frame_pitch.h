// The period of the sound in each of its short frames.
//
// Each frame is compared with itself shifted by every candidate period (a
// cumulative mean normalised difference), and its period is the shortest at
// which it repeats well, so a multiple of the period is not taken for it,
// and a strong overtone cannot pass for the fundamental, since the sound
// does not repeat at the overtone's period. The pitch estimator weighs the
// frames' readings against each other and against the spectrum.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/mains_hum.h"

namespace tensikon {

// One frame's reading.
struct FramePitch {
    double hz = 0;
    double confidence = 0; // 1 where the frame repeats exactly at its period
    // How much better the frame repeats over 2 to 4 of its periods than over
    // one: about 1 for the pitch's own period, large for an overtone's.
    double gain = 1;
};

// What the frames heard: the pitch of each frame that repeats, out of how
// many were loud enough to be read.
struct Frames {
    std::vector<FramePitch> periodic;
    std::size_t heard = 0;
};

// The frames of `x`, read over its first `most` samples at most, in frames
// of 46 ms that overlap by three quarters; nothing when `x` is too short
// for one frame.
std::optional<Frames> framesOf(const Samples& x, std::size_t most);

} // namespace tensikon
