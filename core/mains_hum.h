// Mains hum in a capture: 50 or 60 Hz and their harmonics, which a ground
// loop or a transformer puts into a microphone input. It keeps its level
// and its waveform over the whole capture, which is how it is told from a
// note and taken out of the sound.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "core/capture_format.h"

namespace tensikon {

using Samples = std::vector<float>;

// The mains' periods, 50 and 60 Hz, in samples: 882 and 735, a whole number
// each, so hum repeats exactly.
inline constexpr std::array<std::size_t, 2> kMainsPeriods{kSampleRate / 50, kSampleRate / 60};
// A period that falls on one of them (within 6 %) is no evidence of a note:
// under hum, any tone near a harmonic of the mains repeats better there.
inline constexpr std::array<double, 2> kHumPeriods{kMainsPeriods[0], kMainsPeriods[1]};
inline constexpr double kHumSpread = 0.06;
bool onHumPeriod(double lag);
// A pitch within 1 % of 50 or 60 Hz: the mains' own.
bool onMains(double hz);

// The power of x from sample `first` on.
double energyFrom(const Samples& x, std::size_t first);

// The buffer less what repeats exactly every `period` samples over all of
// it: mains hum has a whole number of samples per period (882 at 50 Hz, 735
// at 60 Hz) and keeps its level, so its waveform is what all periods of the
// buffer have in common.
Samples withoutRepeating(const Samples& all, std::size_t period);

// The share of the sound from sample `first` on that is the mains, 50 or
// 60 Hz, whichever repeats more, and the sound without it.
struct Hum {
    double share = 0;
    Samples rest;
};
Hum humIn(const Samples& all, std::size_t first);

// True when taking the hum out of `all` left `rest` under a tenth of the
// sound from sample `first` on: the hum, or a note on a harmonic of the
// mains that went out with it, was nearly all there was.
bool mostlyHum(const Samples& all, const Samples& rest, std::size_t first);

// True when the sound after the attack (from sample `first` on; the pluck
// at sample `pluck`) is hum alone, `rest` being the sound without it.
bool onlyHum(const Samples& all, const Samples& rest, std::size_t pluck, std::size_t first);

} // namespace tensikon
