// WAV files of every sample format the analyzer reads, written from
// signals of full scale +-1, for tests that compare a recording read
// through each format with its 16-bit mono 44 100 Hz original.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <span>
#include <vector>

#include "tests/tools/wav_builder.h"
#include "tools/analyze/wav_file.h"

namespace tensikon::test {

using Signal = std::vector<double>;

struct WavSpec {
    SampleType type = SampleType::Integer;
    std::uint16_t bits = 16;
    std::uint16_t channels = 1;
    std::uint32_t rate = 44100;
    bool extensible = false;
};

// One sample at `out`, rounded and clipped as a recorder would store it:
// its bytes, low first. Returns the place after it.
inline std::uint8_t* putSample(std::uint8_t* out, double v, const WavSpec& spec)
{
    std::uint64_t bits = 0;
    if (spec.type == SampleType::Float) {
        bits = spec.bits == 64 ? std::bit_cast<std::uint64_t>(v)
                               : std::bit_cast<std::uint32_t>(static_cast<float>(v));
    } else {
        const double top = std::ldexp(1.0, spec.bits - 1);
        const double q = std::clamp(std::round(v * top), -top, top - 1);
        bits = spec.bits == 8 ? static_cast<std::uint64_t>(q + 128)
                              : static_cast<std::uint64_t>(static_cast<std::int64_t>(q));
    }
    for (int i = 0; i < spec.bits / 8; ++i)
        *out++ = static_cast<std::uint8_t>(bits >> 8 * i);
    return out;
}

// Channel c holds signals[c % signals.size()]; all are as long as the first.
inline Bytes anyWav(const WavSpec& spec, std::span<const Signal> signals)
{
    const auto align = static_cast<std::uint16_t>(spec.channels * spec.bits / 8);
    const Fmt fmt{spec.extensible ? std::uint16_t{0xFFFE}
                  : spec.type == SampleType::Float ? std::uint16_t{3}
                                                   : std::uint16_t{1},
                  spec.channels, spec.rate, align, spec.bits};
    Bytes data(signals[0].size() * align);
    std::uint8_t* at = data.data();
    for (std::size_t n = 0; n < signals[0].size(); ++n)
        for (std::size_t c = 0; c < spec.channels; ++c)
            at = putSample(at, signals[c % signals.size()][n], spec);
    const std::uint16_t sub = spec.type == SampleType::Float ? 3 : 1;
    return riff({spec.extensible ? extensibleFmtChunk(fmt, sub) : fmtChunk(fmt),
                 chunk("data", data)});
}

inline Bytes anyWav(const WavSpec& spec, const Signal& mono)
{
    return anyWav(spec, std::span(&mono, 1));
}

} // namespace tensikon::test
