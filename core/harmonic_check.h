// The spectrum's word on a pitch found from how the sound repeats: whether
// it is the pitch, or a half, a third ... of it.
#pragma once

#include <cstddef>
#include <span>

namespace tensikon {

// The highest multiple checked for; a frame whose period is up to this many
// periods of the pitch also counts for the pitch.
inline constexpr std::size_t kMostPitchMultiple = 5;

// `hz`, or the largest multiple of it (up to kMostPitchMultiple and the
// highest pitch read) that the harmonics of `sound`, the sound after the
// attack, say is the pitch.
double pitchFromHarmonics(std::span<const float> sound, double hz);

} // namespace tensikon
