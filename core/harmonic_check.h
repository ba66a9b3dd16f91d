// The spectrum's word on a pitch found from how the sound repeats: whether
// it is the pitch, or a half, a third ... of it.
#pragma once

#include <cstddef>
#include <span>

namespace tensikon {

// The highest multiple checked for; a frame whose period is up to this many
// periods of the pitch also counts for the pitch.
inline constexpr std::size_t kMostPitchMultiple = 5;

// A pitch is raised to a multiple when the power off that multiple's
// harmonics, per harmonic, is under this share of the power on them (17 dB
// less).
inline constexpr double kLiftBar = 0.02;

// `hz`, or the largest multiple of it (up to kMostPitchMultiple and the
// highest pitch read) that the harmonics of `sound`, the sound after the
// attack, say is the pitch.
double pitchFromHarmonics(std::span<const float> sound, double hz);

// How close a multiple of `hz` comes to being lifted to: over the multiples
// pitchFromHarmonics checks, the least power off the multiple's harmonics
// relative to that on them (below kLiftBar it is lifted; large when `hz`
// is the pitch).
double higherPitchEvidence(std::span<const float> sound, double hz);

// The strongest evidence that `hz` is a whole multiple of the pitch: over
// the lower candidates hz / 2 ... hz / kMostPitchMultiple (down to the
// lowest pitch read, or for a pitch in the belts' range to the lowest
// belt's), the largest power on their harmonics that `hz` lacks,
// per harmonic, relative to that on the harmonics of `hz`. Near 0 when `hz`
// is the pitch.
double lowerPitchEvidence(std::span<const float> sound, double hz);

// 1 where nothing speaks for another candidate a whole ratio from `hz`;
// less, down to 0, where one does:
// - `hz` is too low when the harmonics of a multiple of it hold nearly all
//   the power on its harmonics (just above kLiftBar both are plausible);
// - `hz` is too high when the frames that found it repeat much better over
//   2 to 4 of its periods (`repeatGain`, 1 when they repeat as well) and
//   the lower candidate's harmonics hold power that `hz` lacks, or when
//   they hold much power there (unless `sound` is the sound with the hum
//   taken out, `withoutHum`).
double certainty(std::span<const float> sound, double hz, double repeatGain, bool withoutHum);

// `hz`, or the lower pitch the note settled on: a string or belt plucked
// hard sounds a few per cent sharp until its swing dies down, and a room's
// echo, loudest where the note was, keeps repeating that sharp attack long
// after the note itself has settled, so the frames may read the echo. Over
// the whole of `sound`, the sound after the attack, the settled note then
// holds as much power on its harmonics as the sharp one. Never a higher
// pitch: a pitch only falls as a swing dies down.
double settledPitch(std::span<const float> sound, double hz);

// The same for a pitch on the mains' period, from `withoutHum`, the sound
// with the hum taken out: whether its double is clearly ruled out.
double certaintyOnMains(std::span<const float> withoutHum, double hz);

} // namespace tensikon
