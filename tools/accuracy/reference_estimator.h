// A conventional estimator to compare the measuring estimator with: the
// peak of the spectrum of the whole half second, refined by fitting a
// parabola through the logarithms of the peak bin and its two neighbours.
#pragma once

#include <optional>

#include "core/capture_format.h"

namespace tensikon::bench {

// Searched range: wider than any belt, narrow enough to skip mains hum's
// harmonics at the top and the lowest bins' noise.
inline constexpr double kReferenceLowHz = 30.0;
inline constexpr double kReferenceHighHz = 1000.0;

// The frequency in hertz, or nothing for a buffer without sound.
std::optional<double> fftPeakFrequency(AnalysisBuffer buffer);

} // namespace tensikon::bench
