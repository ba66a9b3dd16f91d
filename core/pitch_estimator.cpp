#include "core/pitch_estimator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "core/harmonic_check.h"
#include "core/mains_hum.h"

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

// The first tenth of a second after the pluck is left out: the attack is
// clipped, noisy and often not yet periodic (a bass string's thump, a
// harp's buzz), and read from there the period comes out an octave or a
// twelfth off on real plucks far more often than read later.
constexpr std::size_t kSkipSamples = kSampleRate / 10;
// ... unless the note dies away within it: less power per sample after it
// than this share of the power from 20 ms after the pluck on (10 dB less).
// Then the 0.125 s from there are read: a clipped attack is read an octave
// off more often than what follows it, but a note that dies this fast
// leaves nothing better.
constexpr double kDiedAway = 0.1;
constexpr std::size_t kEarlySkip = kSampleRate / 50;
constexpr std::size_t kAttackSamples = kSampleRate / 8;
// The sound after that is cut into blocks; every four blocks in a row
// (46 ms, two periods at 40 Hz) are one frame, and frames overlap by three
// blocks. A quarter of a second is read at most, which bounds the cost.
constexpr std::size_t kBlockSamples = 512;
constexpr std::size_t kFrameBlocks = 4;
constexpr std::size_t kMostSamples = kSampleRate / 4;

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
// A tone near the mains frequency reads the same without the hum, though
// taking the hum out takes some of the tone with it. Only a pitch right on
// the mains (within 1 %) that repeats poorly without the hum was the hum.
constexpr double kPeriodicWithoutHum = 0.5;
// The mains take this share of the sound after the attack (10 dB under the
// note) before a pitch is checked without them.
constexpr double kHumShare = 0.02;
// From this share on (a twentieth of the power) the hum's fundamental, reversed
// half a period later, keeps the note's own period from repeating well: the
// frames read the sound without the hum as well. Set on the tuning half:
// from a smaller share on, notes through a room, whose echo repeats nearly
// with the mains, lose more readings than notes under strong hum gain.
constexpr double kHumMasksNote = 0.05;
// A reading this clear with the hum is not read again without it: a tone
// near a mains harmonic loses to what taking the hum out leaves of it.
constexpr double kClearDespiteHum = 0.9;
// Frames whose dip is shallower than this are not periodic: left out.
constexpr double kPeriodicFrom = 0.3;
// Frames much quieter than the loudest (12 dB) are the tail of a dead note,
// where hum and noise take over: left out as well.
constexpr double kQuietFrame = 1.0 / 16.0;
// Frames within 1.5 % of the median pitch agree with it.
constexpr double kAgreement = 0.015;
// A dip this deep is as good as perfect.
constexpr double kDeepestDip = 1e-4;

// Full 16-bit samples from `first` to the buffer's end.
Samples samplesFrom(AnalysisBuffer buffer, std::size_t first)
{
    Samples x;
    x.reserve(samplesIn(kAnalysisBufferBytes) - first);
    for (std::size_t k = first; k < samplesIn(kAnalysisBufferBytes); ++k)
        x.push_back(static_cast<float>(sampleAt(buffer, k)));
    return x;
}

// d(t) = sum of (x[j] - x[j + t])^2 over one block, for every lag t. The
// loop over t is innermost so that each d(t) is its own accumulator: no
// reordered sums, and a compiler may run several lags at once; the sums are
// kept in a local array, which the samples cannot alias, so it does.
// (A plain array rather than std::array: unoptimised test builds would
// otherwise call operator[] some half a million times per block.)
void blockDifferences(const float* x, float* d)
{
    float sums[kLags] = {};
    for (std::size_t j = 0; j < kBlockSamples; ++j) {
        const float xj = x[j];
        for (std::size_t t = 1; t < kLags; ++t) {
            const float diff = xj - x[j + t];
            sums[t] += diff * diff;
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

// One frame's reading.
struct FramePitch {
    double hz = 0;
    double confidence = 0;
    double gain = 1; // multipleGain at its period
};

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

// What the frames heard: the pitch of each frame that repeats, out of how
// many were loud enough to be read.
struct Frames {
    std::vector<FramePitch> periodic;
    std::size_t heard = 0;
};

// The frames' median pitch, averaged over the frames that agree with it, so
// a frame read an octave or a twelfth off is outvoted.
std::optional<double> medianPitch(const Frames& frames)
{
    if (frames.periodic.empty())
        return std::nullopt;
    std::vector<double> pitches;
    for (const FramePitch& f : frames.periodic)
        pitches.push_back(f.hz);
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    const double median = pitches[pitches.size() / 2];
    double sum = 0;
    std::size_t agreeing = 0;
    for (const FramePitch& f : frames.periodic) {
        if (std::abs(f.hz - median) <= kAgreement * median) {
            sum += f.hz;
            ++agreeing;
        }
    }
    return sum / static_cast<double>(agreeing);
}

// The frames' mean confidence in `hz`, over all frames heard. A frame that
// found a whole multiple of the period (`hz` / 2 ... `hz` / 5) found the
// same sound repeating, only over more of its periods: reverberation makes
// neighbouring periods differ more than periods further apart, so in a
// room many frames do. A pitch found in a few frames only is not trusted.
double support(const Frames& frames, double hz)
{
    double confidence = 0;
    for (const FramePitch& f : frames.periodic) {
        for (std::size_t k = 1; k <= kMostPitchMultiple; ++k) {
            if (std::abs(f.hz * static_cast<double>(k) - hz) <= kAgreement * hz) {
                confidence += f.confidence;
                break;
            }
        }
    }
    return confidence / static_cast<double>(frames.heard);
}

// How much better the frames that found `hz` repeat over 2 to 4 of its
// periods than over one (their geometric mean); 1 without such frames.
double repeatGain(const Frames& frames, double hz)
{
    double logGain = 0;
    std::size_t count = 0;
    for (const FramePitch& f : frames.periodic) {
        if (std::abs(f.hz - hz) <= kAgreement * hz) {
            logGain += std::log(f.gain);
            ++count;
        }
    }
    return count > 0 ? std::exp(logGain / static_cast<double>(count)) : 1.0;
}

// Each frame's differences are the sum of its blocks', so every block is
// compared with its shifts once, however many frames it is part of.
Frames framesOf(const Samples& x, std::size_t blocks)
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

// The pitch of the sound from sample `first` of the whole buffer on, read
// over `most` samples at most. Its harmonics are read in `withoutHum`, when
// given, unless the frames found the mains frequency itself, which is left
// for the caller to read again without the hum.
std::optional<PitchEstimate> pitchFrom(const Samples& all, std::size_t first,
                                       const Samples* withoutHum = nullptr,
                                       std::size_t most = kMostSamples)
{
    const Samples x(all.begin() + static_cast<std::ptrdiff_t>(first), all.end());
    if (x.size() < kLags)
        return std::nullopt;
    const std::size_t blocks = std::min(x.size() - kLags, most) / kBlockSamples;
    if (blocks < kFrameBlocks)
        return std::nullopt;
    const Frames frames = framesOf(x, blocks);
    const std::optional<double> median = medianPitch(frames);
    if (!median)
        return std::nullopt;
    // A note on a harmonic of the mains goes out with the hum: what is left
    // of it says nothing about its harmonics, and the whole sound is read.
    const bool spectrumWithoutHum =
        withoutHum && !onHumPeriod(kSampleRate / *median) && !mostlyHum(all, *withoutHum, first);
    const Samples& heard = spectrumWithoutHum ? *withoutHum : all;
    const auto spectrum = std::span<const float>(heard).subspan(first);
    const double hz = pitchFromHarmonics(spectrum, *median);
    const double confidence = std::min(support(frames, hz), 1.0);
    return PitchEstimate{
        hz, confidence * certainty(spectrum, hz, repeatGain(frames, hz), spectrumWithoutHum)};
}

// The pitch again without the hum (its period is on the mains'); nothing
// when the hum was all there was.
std::optional<PitchEstimate> readWithoutHum(const Samples& all, const PitchEstimate& p,
                                            std::size_t pluck, std::size_t first, double hum)
{
    // When a short note has died away, the hum repeats better than what is
    // left of it. Unless the hum was nearly all there was, or the note reads
    // the same without it: then the sound is itself a tone near 50 or 60 Hz.
    const Samples rest = withoutRepeating(all, static_cast<std::size_t>(hum));
    if (mostlyHum(all, rest, first))
        return onlyHum(all, rest, pluck, first) ? std::nullopt : std::optional(p);
    std::optional<PitchEstimate> q = pitchFrom(rest, first);
    if (q && std::abs(q->hz - p.hz) <= kAgreement * p.hz &&
        (q->confidence >= kPeriodicWithoutHum || !onMains(p.hz)))
        q = p;
    if (q && onHumPeriod(kSampleRate / q->hz))
        q->confidence *= certaintyOnMains(std::span<const float>(rest).subspan(first), q->hz);
    return q;
}

// The pitch after the attack, from sample `first` on (the pluck is at
// sample `pluck`).
std::optional<PitchEstimate> pitchAfterAttack(const Samples& all, std::size_t pluck,
                                              std::size_t first)
{
    // Under strong hum a period that spans two or more periods of the note
    // also comes close to a whole period of the mains, so it repeats better
    // than the note's own (a note of 92 Hz is read at 46), and the mains'
    // lines fill the harmonics of that half pitch which the note lacks: its
    // harmonics are read without the hum. Under hum strong enough its periods
    // are read without the hum too, and the clearer reading is kept; but not
    // one below the belts, which is what is left of a note on a mains
    // harmonic when the hum is taken out with it.
    const Hum hum = humIn(all, first);
    const bool humHeard = hum.share >= kHumShare;
    std::optional<PitchEstimate> p = pitchFrom(all, first, humHeard ? &hum.rest : nullptr);
    const bool inDoubt = !p || p->hz < kLowestBeltHz || p->confidence < kClearDespiteHum;
    if (inDoubt && hum.share >= kHumMasksNote && !mostlyHum(all, hum.rest, first)) {
        const std::optional<PitchEstimate> q = pitchFrom(hum.rest, first, &hum.rest);
        if (q && q->hz >= kLowestBeltHz &&
            (!p || p->hz < kLowestBeltHz || q->confidence > p->confidence))
            p = q;
    }
    if (!p)
        return p;
    for (const double period : kHumPeriods) {
        if (std::abs(kSampleRate / p->hz - period) <= kHumSpread * period) {
            p = readWithoutHum(all, *p, pluck, first, period);
            break;
        }
    }
    return p;
}

} // namespace

std::optional<PitchEstimate> estimatePitchAfter(AnalysisBuffer buffer, std::size_t pluckOffset)
{
    const std::size_t pluck = sampleIndexOf(pluckOffset);
    const std::size_t first = pluck + kSkipSamples;
    if (first >= samplesIn(kAnalysisBufferBytes))
        return std::nullopt;
    const Samples all = samplesFrom(buffer, 0);
    const std::optional<PitchEstimate> p = pitchAfterAttack(all, pluck, first);
    if (!p)
        return p;
    // A note that has died away by the end of the attack leaves to what
    // follows it (a room's echo, an engine, noise) the sound read above, and
    // that has a pitch of its own: the note is read in the attack instead.
    const auto perSample = [](double e, std::size_t n) { return e / static_cast<double>(n); };
    const std::size_t attackFrom = pluck + kEarlySkip;
    const double late = energyFrom(all, first);
    const double attack = energyFrom(all, attackFrom) - late;
    if (perSample(late, all.size() - first) < kDiedAway * perSample(attack, first - attackFrom)) {
        if (const auto early = pitchFrom(all, attackFrom, nullptr, kAttackSamples))
            return early;
    }
    return p;
}

} // namespace tensikon
