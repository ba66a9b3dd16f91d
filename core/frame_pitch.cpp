#include "core/frame_pitch.h"

#include <algorithm>
#include <cmath>

#include "core/capture_format.h"
#include "core/pitch_estimator.h"

namespace tensikon {

namespace {

// Periods in samples for 1000 Hz down to 40 Hz; one more lag on each side
// for the parabola through the bottom of a dip.
constexpr std::size_t kShortestLag = static_cast<std::size_t>(kSampleRate / kHighestPitchHz);
constexpr std::size_t kLongestLag = static_cast<std::size_t>(kSampleRate / kLowestPitchHz) + 1;
constexpr std::size_t kLags = kLongestLag + 2;
// Periods are looked for from 2000 Hz on, so that a sound above 1000 Hz is
// found to be out of range rather than read at half or a third of its pitch.
constexpr std::size_t kSearchFromLag = static_cast<std::size_t>(kSampleRate / 2000.0);

// The sound is cut into blocks; every four blocks in a row (46 ms, two
// periods at 40 Hz) are one frame, and frames overlap by three blocks.
constexpr std::size_t kBlockSamples = 512;
constexpr std::size_t kFrameBlocks = 4;

// A frame's period is the first dip of its normalised difference below
// this (YIN's absolute threshold): the shortest period at which the sound
// repeats well, so a sub-multiple of the period is not taken for it.
constexpr double kDipThreshold = 0.15;
// ... unless twice or three times that period repeats this many times
// better: then the shorter one was an overtone (a plucked string whose odd
// partials are weak repeats almost as well at half its period).
constexpr double kMultipleBetter = 8.0;
// Only a dip that is not already nearly perfect is questioned that way.
constexpr double kQuestionFrom = 0.015;
// Frames whose dip is shallower than this are not periodic: left out.
constexpr double kPeriodicFrom = 0.3;
// Frames much quieter than the loudest (12 dB) are the tail of a dead note,
// where hum and noise take over: left out as well.
constexpr double kQuietFrame = 1.0 / 16.0;
// A dip this deep is as good as perfect.
constexpr double kDeepestDip = 1e-4;

// d(t) = sum of (x[j] - x[j + t])^2 over one block, for every lag t. The
// loop over t is innermost so that each d(t) is its own accumulator and a
// compiler may run several lags at once; the sums are kept in a local
// array, which the samples cannot alias, so it does. Four samples are taken
// per pass, so that each d(t) is loaded and stored a quarter as often: that
// pass is most of the pitch's cost, and this takes a third off it.
// (A plain array rather than std::array: unoptimised test builds would
// otherwise call operator[] some half a million times per block.)
void blockDifferences(const float* x, float* d)
{
    static_assert(kBlockSamples % 4 == 0);
    float sums[kLags] = {};
    for (std::size_t j = 0; j < kBlockSamples; j += 4) {
        const float x0 = x[j];
        const float x1 = x[j + 1];
        const float x2 = x[j + 2];
        const float x3 = x[j + 3];
        for (std::size_t t = 1; t < kLags; ++t) {
            const float d0 = x0 - x[j + t];
            const float d1 = x1 - x[j + 1 + t];
            const float d2 = x2 - x[j + 2 + t];
            const float d3 = x3 - x[j + 3 + t];
            sums[t] += (d0 * d0 + d1 * d1) + (d2 * d2 + d3 * d3);
        }
    }
    std::copy(sums, sums + kLags, d);
}

// d'(t) = d(t) / (mean of d(1..t)), with d'(0) = 1: near 0 where the sound
// repeats, near 1 where it is unrelated to itself.
std::vector<double> normalised(const std::vector<double>& d)
{
    std::vector<double> n(d.size(), 1.0);
    double running = 0;
    for (std::size_t t = 1; t < d.size(); ++t) {
        running += d[t];
        n[t] = running > 0 ? d[t] * static_cast<double>(t) / running : 1.0;
    }
    return n;
}

// The deepest point within two lags of k times t, when it repeats much
// better than t itself.
std::size_t preferMultiple(const std::vector<double>& n, std::size_t t)
{
    if (n[t] < kQuestionFrom)
        return t;
    for (std::size_t k = 2; k <= 3 && k * t + 2 <= kLongestLag; ++k) {
        std::size_t best = k * t - 2;
        for (std::size_t m = best + 1; m <= k * t + 2; ++m)
            best = n[m] < n[best] ? m : best;
        if (!onHumPeriod(static_cast<double>(best)) && n[best] * kMultipleBetter < n[t])
            return best;
    }
    return t;
}

// The first dip below the threshold, followed down to its bottom; without
// one, the deepest point of the whole range.
std::size_t chooseLag(const std::vector<double>& n)
{
    for (std::size_t t = kSearchFromLag; t <= kLongestLag; ++t) {
        if (n[t] < kDipThreshold) {
            while (t + 1 <= kLongestLag && n[t + 1] < n[t])
                ++t;
            return preferMultiple(n, t);
        }
    }
    const auto first = n.begin() + static_cast<std::ptrdiff_t>(kSearchFromLag);
    const auto last = n.begin() + static_cast<std::ptrdiff_t>(kLongestLag + 1);
    return static_cast<std::size_t>(std::min_element(first, last) - n.begin());
}

// The bottom of the parabola through the three points around lag t.
double refine(const std::vector<double>& n, std::size_t t)
{
    const double a = n[t - 1];
    const double b = n[t];
    const double c = n[t + 1];
    const double curvature = a - 2 * b + c;
    if (curvature <= 0)
        return static_cast<double>(t);
    return static_cast<double>(t) + std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
}

// How much better the sound repeats over 2 to 4 periods `t` than over one:
// about 1 for the pitch's own period, since a periodic sound repeats as
// well over any number of its periods, and large for a period that is a
// half or a third of the true one that only just passed the threshold.
// Not over the mains' period, which any tone near a harmonic of the hum
// repeats better over.
double multipleGain(const std::vector<double>& n, std::size_t t)
{
    double gain = 1.0;
    for (std::size_t k = 2; k <= 4 && k * t + 2 <= kLongestLag; ++k) {
        const auto near = n.begin() + static_cast<std::ptrdiff_t>(k * t - 2);
        const auto best = std::min_element(near, near + 5);
        if (!onHumPeriod(static_cast<double>(best - n.begin())))
            gain = std::max(gain, n[t] / std::max(*best, kDeepestDip));
    }
    return gain;
}

// The pitch of one frame from its summed differences, or nothing when the
// frame does not repeat itself or repeats faster than 1000 times a second.
std::optional<FramePitch> framePitch(const std::vector<double>& d)
{
    const std::vector<double> n = normalised(d);
    const std::size_t lag = chooseLag(n);
    const double confidence = 1.0 - n[lag];
    if (confidence < kPeriodicFrom || lag < kShortestLag)
        return std::nullopt;
    return FramePitch{kSampleRate / refine(n, lag), std::min(confidence, 1.0),
                      multipleGain(n, lag)};
}

// Each frame's differences are the sum of its blocks', so every block is
// compared with its shifts once, however many frames it is part of.
Frames framesOfBlocks(const Samples& x, std::size_t blocks)
{
    std::vector<float> partial(blocks * kLags, 0.0f);
    std::vector<double> energy(blocks, 0.0);
    for (std::size_t b = 0; b < blocks; ++b) {
        const float* block = x.data() + b * kBlockSamples;
        blockDifferences(block, partial.data() + b * kLags);
        for (std::size_t j = 0; j < kBlockSamples; ++j)
            energy[b] += static_cast<double>(block[j]) * block[j];
    }
    std::vector<double> frameEnergy(blocks - kFrameBlocks + 1, 0.0);
    for (std::size_t f = 0; f < frameEnergy.size(); ++f)
        for (std::size_t b = f; b < f + kFrameBlocks; ++b)
            frameEnergy[f] += energy[b];
    const double loudest = *std::max_element(frameEnergy.begin(), frameEnergy.end());
    Frames frames;
    for (std::size_t f = 0; f < frameEnergy.size(); ++f) {
        if (frameEnergy[f] < kQuietFrame * loudest)
            continue;
        ++frames.heard;
        std::vector<double> d(kLags, 0.0);
        for (std::size_t b = f; b < f + kFrameBlocks; ++b)
            for (std::size_t t = 0; t < kLags; ++t)
                d[t] += partial[b * kLags + t];
        if (const auto p = framePitch(d))
            frames.periodic.push_back(*p);
    }
    return frames;
}

} // namespace

std::optional<Frames> framesOf(const Samples& x, std::size_t most)
{
    if (x.size() < kLags)
        return std::nullopt;
    const std::size_t blocks = std::min(x.size() - kLags, most) / kBlockSamples;
    if (blocks < kFrameBlocks)
        return std::nullopt;
    return framesOfBlocks(x, blocks);
}

} // namespace tensikon
