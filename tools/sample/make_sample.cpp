// Writes the sample recording shipped in docs/samples: a second of quiet
// room noise, then a belt plucked at 1.1 s ringing at 140 Hz with a little
// of its second harmonic, dying away over the following seconds.
//
// Deterministic: the noise comes from a fixed linear congruential sequence,
// so the file can be rebuilt byte for byte.
//   tensikon-make-sample OUTPUT.wav
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <numbers>
#include <vector>

#include "core/capture_format.h"
#include "tools/analyze/wav_file.h"

namespace {

constexpr double kSeconds = 3.0;
constexpr double kPluckAt = 1.1;
constexpr double kBeltHz = 140.0;
constexpr double kDecaySeconds = 0.3;
constexpr double kAmplitude = 26000.0;
constexpr double kSecondHarmonic = 0.15;
constexpr int kNoise = 120; // peak room noise, far below the pluck threshold

// Numerical Recipes' constants: a full-period sequence of 32-bit values.
struct Noise {
    std::uint32_t state = 20240601;
    int next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>(state >> 16) % (2 * kNoise + 1) - kNoise;
    }
};

double belt(double t)
{
    if (t < 0)
        return 0;
    const double w = 2 * std::numbers::pi * kBeltHz * t;
    return kAmplitude * std::exp(-t / kDecaySeconds) *
           (std::sin(w) + kSecondHarmonic * std::sin(2 * w + 0.7));
}

std::vector<std::uint8_t> samplePcm()
{
    const auto count = static_cast<std::size_t>(kSeconds * tensikon::kSampleRate);
    std::vector<std::uint8_t> pcm(2 * count);
    Noise noise;
    for (std::size_t n = 0; n < count; ++n) {
        const double t = static_cast<double>(n) / tensikon::kSampleRate;
        const double v = std::round(belt(t - kPluckAt)) + noise.next();
        const auto s = static_cast<std::int16_t>(std::fmax(-32768.0, std::fmin(32767.0, v)));
        const auto u = static_cast<std::uint16_t>(s);
        pcm[2 * n] = static_cast<std::uint8_t>(u & 0xFF);
        pcm[2 * n + 1] = static_cast<std::uint8_t>(u >> 8);
    }
    return pcm;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: tensikon-make-sample OUTPUT.wav\n";
        return 2;
    }
    const std::vector<std::uint8_t> wav = tensikon::makeWav(samplePcm());
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    if (!out) {
        std::cerr << "tensikon-make-sample: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
