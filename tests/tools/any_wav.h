// WAV files of every sample format the analyzer reads, written from
// signals of full scale +-1, for tests that compare a recording read
// through each format with its 16-bit mono 44 100 Hz original.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <span>
#include <vector>

#include "core/wav_file.h"
#include "tests/core/wav_builder.h"

namespace tensikon::test {

using Signal = std::vector<double>;

struct WavSpec {
    SampleType type = SampleType::Integer;
    std::uint16_t bits = 16;
    std::uint16_t channels = 1;
    std::uint32_t rate = 44100;
    bool extensible = false;
};

// One sample, rounded and clipped as a recorder would store it.
inline void putSample(Bytes& out, double v, const WavSpec& spec)
{
    if (spec.type == SampleType::Float) {
        if (spec.bits == 64)
            for (int i = 0; i < 8; ++i) // the eight bytes, low first
                out.push_back(static_cast<std::uint8_t>(std::bit_cast<std::uint64_t>(v) >> 8 * i));
        else
            putLe(out, std::bit_cast<std::uint32_t>(static_cast<float>(v)), 4);
        return;
    }
    const double top = std::ldexp(1.0, spec.bits - 1);
    const double q = std::clamp(std::round(v * top), -top, top - 1);
    if (spec.bits == 8)
        out.push_back(static_cast<std::uint8_t>(q + 128));
    else
        putLe(out, static_cast<std::uint32_t>(static_cast<std::int64_t>(q)), spec.bits / 8);
}

// Channel c holds signals[c % signals.size()]; all are as long as the first.
inline Bytes anyWav(const WavSpec& spec, std::span<const Signal> signals)
{
    const auto align = static_cast<std::uint16_t>(spec.channels * spec.bits / 8);
    const Fmt fmt{spec.extensible ? std::uint16_t{0xFFFE}
                  : spec.type == SampleType::Float ? std::uint16_t{3}
                                                   : std::uint16_t{1},
                  spec.channels, spec.rate, align, spec.bits};
    Bytes data;
    data.reserve(signals[0].size() * align);
    for (std::size_t n = 0; n < signals[0].size(); ++n)
        for (std::size_t c = 0; c < spec.channels; ++c)
            putSample(data, signals[c % signals.size()][n], spec);
    const std::uint16_t sub = spec.type == SampleType::Float ? 3 : 1;
    return riff({spec.extensible ? extensibleFmtChunk(fmt, sub) : fmtChunk(fmt),
                 chunk("data", data)});
}

inline Bytes anyWav(const WavSpec& spec, const Signal& mono)
{
    return anyWav(spec, std::span(&mono, 1));
}

} // namespace tensikon::test
