// A belt-like capture for fuzzing and benchmarks: silence, then a pluck at a
// chosen sample that rings as a decaying cosine, with optional noise.
#pragma once

#include <algorithm>
#include <cmath>

#include "tests/core/signals.h"

namespace tensikon::test {

// The cosine starts at its peak, so the pluck is found at the first sample
// of the tone: at sample 11000 that is offset 22001, the last one the live
// scan of a block tests, which leaves the estimator the least room.
inline Bytes plucked(double hz, std::size_t pluckSample, double decaySeconds, int noise = 0,
                     std::uint32_t seed = 1)
{
    Samples s(kAnalysisBufferBytes / 2, 0);
    for (std::size_t n = 0; n < s.size(); ++n) {
        seed = seed * 1664525u + 1013904223u;
        const int hiss = static_cast<int>(seed >> 16) % (2 * noise + 1) - noise;
        double v = hiss;
        if (n >= pluckSample) {
            const double t = static_cast<double>(n - pluckSample) / 44100.0;
            v += 31000 * std::exp(-t / decaySeconds) * std::cos(2 * kPi * hz * t);
        }
        s[n] = static_cast<std::int16_t>(std::clamp(std::round(v), -32768.0, 32767.0));
    }
    return toBytes(s);
}

} // namespace tensikon::test
