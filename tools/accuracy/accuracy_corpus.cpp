#include "tools/accuracy/accuracy_corpus.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <span>

#include "core/capture_format.h"

namespace tensikon::bench {

namespace {

constexpr double kTwoPi = 6.283185307179586476925;
constexpr double kRate = kSampleRate;

// The lead-ins put the onset anywhere in its 0.25 s block, so the analysed
// half second holds anything from 0.25 to 0.5 s of the pluck.
constexpr std::size_t kPluckSamples = kSampleRate; // one second after the onset

double noiselessPluck(const Pluck& p, double scale, std::size_t n)
{
    const double t = static_cast<double>(n) / kRate;
    const double fundamental =
        std::exp(-t / p.decaySeconds) * std::sin(kTwoPi * p.hz * t + p.phase);
    const double second = p.harmonicRatio * std::exp(-2.0 * t / p.decaySeconds) *
                          std::sin(2.0 * kTwoPi * p.hz * t + p.harmonicPhase);
    return scale * (fundamental + second);
}

// The amplitude of the fundamental at which the noiseless pluck's largest
// sample (within its first two periods, where it is largest) is p.peak.
double amplitudeFor(const Pluck& p)
{
    const auto span = static_cast<std::size_t>(2.0 * kRate / p.hz);
    double largest = 0;
    for (std::size_t n = 0; n <= span; ++n) {
        largest = std::max(largest, std::fabs(noiselessPluck(p, 1.0, n)));
    }
    return p.peak / largest;
}

std::int16_t toSample(double v)
{
    return static_cast<std::int16_t>(std::clamp(std::round(v), -32768.0, 32767.0));
}

Pluck randomPluck(Random& random, const Band& band, double snrDb)
{
    Pluck p;
    p.hz = random.uniform(band.low, band.high);
    p.decaySeconds = kDecayLow * std::pow(kDecayHigh / kDecayLow, random.uniform(0.0, 1.0));
    p.harmonicRatio = random.uniform(kHarmonicLow, kHarmonicHigh);
    p.phase = random.uniform(0.0, kTwoPi);
    p.harmonicPhase = random.uniform(0.0, kTwoPi);
    // Loud enough for the pluck test (level 96 is a sample of 24 576).
    p.peak = random.uniform(kPeakLow, kPeakHigh);
    p.snrDb = snrDb;
    p.leadInSamples = static_cast<std::size_t>(random.uniform(kLeadInLow, kLeadInHigh) * kRate);
    p.noiseSeed = random.next();
    return p;
}

} // namespace

std::uint64_t Random::next()
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double Random::uniform(double low, double high)
{
    const double unit = static_cast<double>(next() >> 11) * 0x1.0p-53;
    return low + (high - low) * unit;
}

double Random::gaussian()
{
    // Box-Muller; 1 - u keeps the logarithm's argument above 0.
    const double u = 1.0 - uniform(0.0, 1.0);
    const double v = uniform(0.0, 1.0);
    return std::sqrt(-2.0 * std::log(u)) * std::cos(kTwoPi * v);
}

std::vector<Pluck> makeCorpus(int perCell, std::uint64_t seed)
{
    Random random(seed);
    std::vector<Pluck> corpus;
    for (double snr : kSnrLevelsDb) {
        for (const Band& band : kBands) {
            for (int k = 0; k < perCell; ++k) {
                Pluck p = randomPluck(random, band, snr);
                p.id = static_cast<int>(corpus.size());
                corpus.push_back(p);
            }
        }
    }
    return corpus;
}

std::vector<std::int16_t> recordingOf(const Pluck& p)
{
    const double amplitude = amplitudeFor(p);
    // Power of the pluck at its onset: both partials' mean squares.
    const double onsetPower =
        amplitude * amplitude * (1.0 + p.harmonicRatio * p.harmonicRatio) / 2.0;
    const double noiseDeviation = std::sqrt(onsetPower / std::pow(10.0, p.snrDb / 10.0));
    Random noise(p.noiseSeed);
    std::vector<std::int16_t> samples(p.leadInSamples + kPluckSamples);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        double v = noiseDeviation * noise.gaussian();
        if (n >= p.leadInSamples) {
            v += noiselessPluck(p, amplitude, n - p.leadInSamples);
        }
        samples[n] = toSample(v);
    }
    return samples;
}

std::vector<std::uint8_t> littleEndianBytes(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const auto u = static_cast<std::uint16_t>(samples[k]);
        bytes[2 * k] = static_cast<std::uint8_t>(u & 0xFF);
        bytes[2 * k + 1] = static_cast<std::uint8_t>(u >> 8);
    }
    return bytes;
}

std::optional<Capture> captureOf(const std::vector<std::int16_t>& recording)
{
    const std::vector<std::uint8_t> bytes = littleEndianBytes(recording);
    const std::size_t blocks = bytes.size() / kCaptureBlockBytes;
    for (std::size_t b = 0; b + 1 < blocks; ++b) {
        const std::span<const std::uint8_t> block(bytes.data() + b * kCaptureBlockBytes,
                                                  kCaptureBlockBytes);
        if (blockHasPluck(block, kCaptureBlockBytes)) {
            const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(b * kCaptureBlockBytes);
            return Capture{{first, first + kAnalysisBufferBytes}, b};
        }
    }
    return std::nullopt;
}

bool writeWav(const std::string& path, const std::vector<std::uint8_t>& pcm)
{
    std::ofstream out(path, std::ios::binary);
    const auto put = [&out](std::uint32_t value, int bytes) {
        for (int k = 0; k < bytes; ++k) {
            out.put(static_cast<char>((value >> (8 * k)) & 0xFF));
        }
    };
    const auto size = static_cast<std::uint32_t>(pcm.size());
    out.write("RIFF", 4);
    put(36 + size, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4);
    put(1, 2); // PCM
    put(kChannels, 2);
    put(kSampleRate, 4);
    put(kSampleRate * 2, 4);
    put(2, 2);
    put(kBitsPerSample, 2);
    out.write("data", 4);
    put(size, 4);
    out.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
    return static_cast<bool>(out);
}

} // namespace tensikon::bench
