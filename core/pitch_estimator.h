// The pitch of one capture, from how the waveform repeats itself.
//
// The crossing count reads overtones when a plucked waveform crosses its
// resting level more than twice per period, as real strings and belts do.
// This estimator takes out what lies below any belt (a body's thump, a
// room's lowest modes), then compares the sound after the pluck with itself
// shifted by every candidate period (a cumulative mean normalised
// difference) and takes the shortest period at which it repeats well, so a
// multiple of the period is not taken for it, and a strong overtone cannot
// pass for the fundamental, since the sound does not repeat at the
// overtone's period.
// It does so in overlapping frames of 46 ms over up to a quarter second and
// takes the frames' median, so a frame that is read an octave off is
// outvoted. The spectrum then checks that the median is not a sub-multiple
// of the pitch, and a median on the mains frequency is read again with the
// hum taken out, so that a note that dies quickly is not read as the hum.
// Last, where a room's echo repeats the sharp attack of a hard pluck, the
// reading falls to the lower pitch the note itself settled on.
#pragma once

#include <cstddef>
#include <optional>

#include "core/capture_format.h"

namespace tensikon {

inline constexpr double kLowestPitchHz = 40.0;
inline constexpr double kHighestPitchHz = 1000.0;
// No belt rings below this: under it an engine's firing, a machine's drone
// or a note read at half its pitch is far more likely, and a pitch there is
// believed only when nearly certain.
inline constexpr double kLowestBeltHz = 60.0;
inline constexpr double kSureBelowBelts = 0.9;
// Nor does one ring above this; the notes the estimator's rules were set on
// lie between the two.
inline constexpr double kHighestBeltHz = 250.0;
// A pitch shown on its own must be heard, repeating well, in at least about
// half the frames after the attack. Set on real plucks through a phone
// microphone, a room, hum and noise: lower shows more wrong values, higher
// more "---" where the pitch was right.
inline constexpr double kConfidentFrom = 0.5;

struct PitchEstimate {
    double hz = 0; // the fundamental, to a small fraction of a hertz
    // 0..1: how well the sound repeats at that period, times the share of
    // the frames that found it (or a whole multiple of it); 1 when every
    // frame repeats exactly.
    double confidence = 0;
};

// The pitch of the sound from the pluck at `pluckOffset` (odd, as findPluck
// gives it) to the buffer's end, read at full 16-bit resolution; nothing
// when there is too little sound after the pluck, when it is only mains hum,
// or when there is no period in 40..1000 Hz at all.
std::optional<PitchEstimate> estimatePitchAfter(AnalysisBuffer buffer, std::size_t pluckOffset);

// How steadily the sound from sample `first` to the buffer's end holds the
// pitch `hz`: the frames' mean confidence in it (or in a whole multiple of
// their own pitch), over all its frames that were heard; 0..1.
double pitchHeldFrom(AnalysisBuffer buffer, std::size_t first, double hz);

} // namespace tensikon
