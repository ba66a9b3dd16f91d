// A corpus of synthetic belt plucks with known frequencies, laid out as the
// live capture would see them, for measuring how accurately the estimator
// reads a pluck and comparing it with other estimators.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tensikon::bench {

// A small deterministic generator (SplitMix64): the same corpus on every
// machine and standard library, unlike the std:: distributions.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    double uniform(double low, double high); // [low, high)
    double gaussian();                       // mean 0, deviation 1

  private:
    std::uint64_t state_;
};

// Frequency bands of the report; each gets the same number of plucks.
struct Band {
    double low;
    double high;
};
inline constexpr Band kBands[] = {{60, 100}, {100, 150}, {150, 200}, {200, 250}};
inline constexpr double kSnrLevelsDb[] = {40, 30, 20, 10};

// The ranges the plucks are drawn from, evenly (the decay on a log scale).
inline constexpr double kDecayLow = 0.05, kDecayHigh = 0.5;      // seconds
inline constexpr double kHarmonicLow = 0.1, kHarmonicHigh = 0.5; // of the fundamental
inline constexpr double kPeakLow = 30000, kPeakHigh = 32700;     // largest sample
inline constexpr double kLeadInLow = 0.3, kLeadInHigh = 0.8;     // seconds

// One pluck: a decaying tone with a faster-decaying second harmonic, after
// a lead-in of background noise, with that noise going on under it.
struct Pluck {
    int id = 0;
    double hz = 0;            // the true frequency
    double decaySeconds = 0;  // time constant of the fundamental
    double harmonicRatio = 0; // second harmonic's amplitude at the onset, relative
    double phase = 0;         // of the fundamental at the onset, radians
    double harmonicPhase = 0; // of the second harmonic at the onset
    double peak = 0;          // largest sample of the noiseless pluck
    double snrDb = 0;         // pluck power at the onset over noise power
    std::size_t leadInSamples = 0;
    std::uint64_t noiseSeed = 0;
};

// perCell plucks for every noise level and band, in a fixed order.
std::vector<Pluck> makeCorpus(int perCell, std::uint64_t seed);

// The whole recording of one pluck: lead-in, then one second from the onset,
// as 16-bit samples (clipped to the 16-bit range, like a sound card).
std::vector<std::int16_t> recordingOf(const Pluck& pluck);

// What the capture hands the estimator: the first 22 050-byte block in
// which blockHasPluck fires and the block after it, or nothing when no
// block fires. blockIndex tells which block fired.
struct Capture {
    std::vector<std::uint8_t> buffer; // 44 100 bytes
    std::size_t blockIndex = 0;
};
std::optional<Capture> captureOf(const std::vector<std::int16_t>& recording);

std::vector<std::uint8_t> littleEndianBytes(const std::vector<std::int16_t>& samples);

// Writes 16-bit mono 44 100 Hz PCM bytes as a WAV file.
bool writeWav(const std::string& path, const std::vector<std::uint8_t>& pcm);

} // namespace tensikon::bench
