// Test signals built from their formulas, as 16-bit little-endian PCM.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

#include "core/capture_format.h"

namespace tensikon::test {

using Samples = std::vector<std::int16_t>;
using Bytes = std::vector<std::uint8_t>;

enum class Rounding { Nearest, Down, Up };

inline double roundWith(double v, Rounding r)
{
    switch (r) {
    case Rounding::Down:
        return std::floor(v);
    case Rounding::Up:
        return std::ceil(v);
    case Rounding::Nearest:
        break;
    }
    return std::round(v);
}

// 30000 sin(2 pi f n / 44100), decaying with a time constant of 0.25 s when asked.
inline Samples tone(double hz, bool decaying, Rounding r = Rounding::Nearest,
                    std::size_t count = kAnalysisBufferBytes / 2)
{
    Samples s(count);
    for (std::size_t n = 0; n < count; ++n) {
        const double envelope = decaying ? std::exp(-static_cast<double>(n) / 11025.0) : 1.0;
        const double v = 30000.0 * envelope *
                         std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(n) / 44100.0);
        s[n] = static_cast<std::int16_t>(roundWith(v, r));
    }
    return s;
}

inline Bytes toBytes(const Samples& samples)
{
    Bytes b(samples.size() * 2);
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const auto u = static_cast<std::uint16_t>(samples[k]);
        b[2 * k] = static_cast<std::uint8_t>(u & 0xFF);
        b[2 * k + 1] = static_cast<std::uint8_t>(u >> 8);
    }
    return b;
}

inline AnalysisBuffer asBuffer(const Bytes& b)
{
    return AnalysisBuffer(b.data(), kAnalysisBufferBytes);
}

// A buffer of the given samples, zero-padded to 44 100 bytes.
inline Bytes bufferOf(Samples samples)
{
    samples.resize(kAnalysisBufferBytes / 2, 0);
    return toBytes(samples);
}

} // namespace tensikon::test
