// A belt-like capture for fuzzing and benchmarks: silence, then a pluck at a
// chosen sample that rings as a decaying cosine, with optional noise.
#pragma once

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

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
            v += 31000 * std::exp(-t / decaySeconds) * std::cos(2 * std::numbers::pi * hz * t);
        }
        s[n] = static_cast<std::int16_t>(std::clamp(std::round(v), -32768.0, 32767.0));
    }
    return toBytes(s);
}

} // namespace tensikon::test

namespace tensikon::test {

// What a real string or belt adds to a plain tone: overtones, an attack
// loud enough to clip, mains hum and hiss.
struct Ringing {
    double hz = 140;
    std::vector<double> partials{0.4, 1.0, 0.8, 0.6, 0.5}; // fundamental first
    double stretch = 0;     // inharmonicity: partial k sits at k hz sqrt(1 + stretch k^2)
    double overdrive = 2.5; // gain before the clip at full scale
    double hum = 0;         // 50 Hz hum and its third harmonic, in full scale
    double hiss = 0;        // white noise, in full scale
    double thump = 0;       // a body's 26 Hz swing from the pluck on, dying as the note does
    std::size_t pluckSample = 3000;
    // From this many seconds after the pluck on, the pitch swings 3.5 % down
    // and up every 60 ms, as a room's echo or a second string can make the
    // frames read it (0: never).
    double splitAfter = 0;
};

// How many seconds the swing has put the string's phase ahead by time t.
inline double swingLead(const Ringing& r, double t)
{
    if (r.splitAfter <= 0 || t < r.splitAfter)
        return 0;
    const double within = std::fmod(t - r.splitAfter, 0.12);
    return 0.035 * (std::max(within - 0.06, 0.0) - std::min(within, 0.06));
}

inline Bytes ringing(const Ringing& r)
{
    std::vector<double> v(kAnalysisBufferBytes / 2, 0.0);
    double peak = 1e-9;
    for (std::size_t n = r.pluckSample; n < v.size(); ++n) {
        const double t = static_cast<double>(n - r.pluckSample) / 44100.0;
        for (std::size_t k = 1; k <= r.partials.size(); ++k) {
            const double kk = static_cast<double>(k);
            const double f = kk * r.hz * std::sqrt(1 + r.stretch * kk * kk);
            v[n] += r.partials[k - 1] * std::exp(-t * 3 * kk) *
                    std::sin(2 * std::numbers::pi * f * (t + swingLead(r, t)) + kk);
        }
        peak = std::max(peak, std::abs(v[n]));
    }
    std::uint32_t seed = 7;
    Samples s(v.size());
    for (std::size_t n = 0; n < v.size(); ++n) {
        const double t = static_cast<double>(n) / 44100.0;
        seed = seed * 1664525u + 1013904223u;
        const double white = (static_cast<double>(seed >> 8) / 8388608.0 - 1.0) * std::sqrt(3.0);
        const double mains = std::sin(2 * std::numbers::pi * 50 * t) +
                             0.5 * std::sin(2 * std::numbers::pi * 150 * t);
        const double since =
            n >= r.pluckSample ? t - static_cast<double>(r.pluckSample) / 44100.0 : 0;
        const double thump = std::exp(-since * 3) * std::sin(2 * std::numbers::pi * 26 * since);
        const double x =
            v[n] / peak * r.overdrive + r.hum * mains + r.hiss * white + r.thump * thump;
        s[n] = static_cast<std::int16_t>(std::clamp(std::round(x * 32767), -32768.0, 32767.0));
    }
    return toBytes(s);
}

} // namespace tensikon::test

namespace tensikon::test {

// A harmonic 150 Hz tone from sample 3000 on whose level swells and sinks
// by 5 dB four times a second, as a voice does with its syllables and a
// sampled string may in a room. Its pitch glides down by `glide` (a share
// of it per second), as a voice's does, or holds (0), as a string's does.
inline Bytes swelling(double glide)
{
    Samples s(kAnalysisBufferBytes / 2, 0);
    for (std::size_t n = 3000; n < s.size(); ++n) {
        const double t = static_cast<double>(n) / 44100.0;
        const double phase = 2 * std::numbers::pi * 150 * (t - glide * t * t / 2);
        double v = 0;
        for (int k = 1; k <= 6; ++k)
            v += std::sin(k * phase) / k;
        const double level = std::pow(10.0, std::sin(8 * std::numbers::pi * t) / 4);
        s[n] = static_cast<std::int16_t>(16000 * level * v);
    }
    return toBytes(s);
}

} // namespace tensikon::test
