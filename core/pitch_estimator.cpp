#include "core/pitch_estimator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <utility>
#include <vector>

#include "core/frame_pitch.h"
#include "core/harmonic_check.h"
#include "core/mains_hum.h"

namespace tensikon {

namespace {

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
// A reading after the attack in doubt (under kConfidentFrom) is taken from
// the attack instead where the attack reads this clearly, within 5 % of it.
// Not one with no confidence at all: the spectrum ruled that out (a lower
// pitch's harmonics hold power), and the attack of a string whose fourth
// partial leads is read at four times its pitch through a room as well. Set
// on the tuning half, where this turns 19 readings from "---" into right
// ones and none into wrong ones: a bar of 0.8 or a nearness of 3 % gains 8
// fewer; a bar of 0.6 gains 4 more, but shows a value on ten minutes of
// workshop machinery.
constexpr double kClearAttack = 0.7;
constexpr double kSameNote = 0.05;
// Otherwise a quarter of a second is read at most, which bounds the cost.
constexpr std::size_t kMostSamples = kSampleRate / 4;
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
// Frames within 1.5 % of the median pitch agree with it.
constexpr double kAgreement = 0.015;
// What lies below 45 Hz is taken out before the pitch is read. No belt
// rings there, but a sampled or real body's thump, a room's lowest modes
// and an engine's rumble do; under them the frames repeat less clearly, or
// only over several of the note's periods, and the note was read at a
// half, a quarter or a fifth of its pitch, or not at all. A note down to
// the lowest pitch read keeps most of its fundamental (40 Hz loses 4 dB).
// Set on the tuning half, where it turns 25 readings in the belts' range
// from "---" or wrong into right ones and one right one into "---". Of
// 35 to 55 Hz in steps of 5, the highest cut that shows no note below, in
// or above the belts' range at a whole multiple of its pitch: at 50 Hz, or
// with a second filter after this one, a 49 Hz harp note in a room is
// shown at three times its pitch.
constexpr double kRumbleHz = 45;

// A pitch estimate with the frames it was read from.
struct Reading : PitchEstimate {
    Frames frames;
};

// The buffer's samples with what lies below kRumbleHz taken out, by a
// second-order Butterworth high-pass. It starts from rest at the buffer's
// start; what that jump leaves dies away with a time constant of 5 ms, to
// under 2 % by the earliest sound read after a pluck, 20 ms on.
Samples withoutRumble(AnalysisBuffer buffer)
{
    const double w = 2 * std::numbers::pi * kRumbleHz / kSampleRate;
    const double alpha = std::sin(w) / std::numbers::sqrt2;
    const double b = (1 + std::cos(w)) / 2 / (1 + alpha);
    const double a1 = -2 * std::cos(w) / (1 + alpha);
    const double a2 = (1 - alpha) / (1 + alpha);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    Samples y;
    y.reserve(samplesIn(kAnalysisBufferBytes));
    for (std::size_t k = 0; k < samplesIn(kAnalysisBufferBytes); ++k) {
        const double x = sampleAt(buffer, k);
        const double out = b * (x - 2 * x1 + x2) - a1 * y1 - a2 * y2;
        x2 = std::exchange(x1, x);
        y2 = std::exchange(y1, out);
        y.push_back(static_cast<float>(out));
    }
    return y;
}

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

// The frames' mean confidence in a pitch from `low` to `high` (`hz` alone
// where they are one), over all frames heard. A frame that found a whole
// multiple of the period (a half ... a fifth of the pitch) found the same
// sound repeating, only over more of its periods: reverberation makes
// neighbouring periods differ more than periods further apart, so in a
// room many frames do. A pitch found in a few frames only is not trusted.
double support(const Frames& frames, double low, double high)
{
    double confidence = 0;
    for (const FramePitch& f : frames.periodic) {
        for (std::size_t k = 1; k <= kMostPitchMultiple; ++k) {
            const double found = f.hz * static_cast<double>(k);
            if (found - low >= -kAgreement * low && found - high <= kAgreement * high) {
                confidence += f.confidence;
                break;
            }
        }
    }
    return confidence / static_cast<double>(frames.heard);
}

double support(const Frames& frames, double hz)
{
    return support(frames, hz, hz);
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

// The pitch of the sound from sample `first` of the whole buffer on, read
// over `most` samples at most. Its harmonics are read in `withoutHum`, when
// given, unless the frames found the mains frequency itself, which is left
// for the caller to read again without the hum.
std::optional<Reading> pitchFrom(const Samples& all, std::size_t first,
                                 const Samples* withoutHum = nullptr,
                                 std::size_t most = kMostSamples)
{
    const std::optional<Frames> frames =
        framesOf(Samples(all.begin() + static_cast<std::ptrdiff_t>(first), all.end()), most);
    if (!frames)
        return std::nullopt;
    const std::optional<double> median = medianPitch(*frames);
    if (!median)
        return std::nullopt;
    // A note on a harmonic of the mains goes out with the hum: what is left
    // of it says nothing about its harmonics, and the whole sound is read.
    const bool spectrumWithoutHum =
        withoutHum && !onHumPeriod(kSampleRate / *median) && !mostlyHum(all, *withoutHum, first);
    const Samples& heard = spectrumWithoutHum ? *withoutHum : all;
    const auto spectrum = std::span<const float>(heard).subspan(first);
    const double hz = pitchFromHarmonics(spectrum, *median);
    const double confidence = std::min(support(*frames, hz), 1.0);
    return Reading{
        {hz, confidence * certainty(spectrum, hz, repeatGain(*frames, hz), spectrumWithoutHum)},
        *frames};
}

// The pitch again without the hum (its period is on the mains'); nothing
// when the hum was all there was.
std::optional<Reading> readWithoutHum(const Samples& all, const Reading& p, std::size_t pluck,
                                      std::size_t first, double hum)
{
    // When a short note has died away, the hum repeats better than what is
    // left of it. Unless the hum was nearly all there was, or the note reads
    // the same without it: then the sound is itself a tone near 50 or 60 Hz.
    const Samples rest = withoutRepeating(all, static_cast<std::size_t>(hum));
    if (mostlyHum(all, rest, first))
        return onlyHum(all, rest, pluck, first) ? std::nullopt : std::optional(p);
    std::optional<Reading> q = pitchFrom(rest, first);
    if (q && std::abs(q->hz - p.hz) <= kAgreement * p.hz &&
        (q->confidence >= kPeriodicWithoutHum || !onMains(p.hz)))
        q = p;
    if (q && onHumPeriod(kSampleRate / q->hz))
        q->confidence *= certaintyOnMains(std::span<const float>(rest).subspan(first), q->hz);
    return q;
}

// The pitch after the attack, from sample `first` on (the pluck is at
// sample `pluck`).
std::optional<Reading> pitchAfterAttack(const Samples& all, std::size_t pluck, std::size_t first)
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
    std::optional<Reading> p = pitchFrom(all, first, humHeard ? &hum.rest : nullptr);
    const bool inDoubt = !p || p->hz < kLowestBeltHz || p->confidence < kClearDespiteHum;
    if (inDoubt && hum.share >= kHumMasksNote && !mostlyHum(all, hum.rest, first)) {
        const std::optional<Reading> q = pitchFrom(hum.rest, first, &hum.rest);
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

// Where the frames after the attack split between pitches a few per cent
// apart (two strings of a course tuned apart, or a room's echo of the
// attack, which a hard pluck sends out a little sharp, against the note
// itself), the attack, where the string itself still leads, may read the
// note clearly.
bool clearerInAttack(const Reading& after, const std::optional<Reading>& attack)
{
    return attack && attack->confidence >= kClearAttack && attack->hz >= kLowestBeltHz &&
           std::abs(attack->hz - after.hz) <= kSameNote * after.hz;
}

// The note's pitch, from the sound after the attack or, where that is no
// better, from the attack itself.
std::optional<Reading> noteReading(const Samples& all, std::size_t pluck, std::size_t first)
{
    const std::optional<Reading> p = pitchAfterAttack(all, pluck, first);
    if (!p)
        return p;
    // A note that has died away by the end of the attack leaves to what
    // follows it (a room's echo, an engine, noise) the sound read above, and
    // that has a pitch of its own: the note is read in the attack instead.
    const auto perSample = [](double e, std::size_t n) { return e / static_cast<double>(n); };
    const std::size_t attackFrom = pluck + kEarlySkip;
    const double late = energyFrom(all, first);
    const double attack = energyFrom(all, attackFrom) - late;
    const bool diedAway =
        perSample(late, all.size() - first) < kDiedAway * perSample(attack, first - attackFrom);
    const bool split = p->confidence < kConfidentFrom && p->confidence > 0;
    if (!diedAway && !split)
        return p;
    const std::optional<Reading> early = pitchFrom(all, attackFrom, nullptr, kAttackSamples);
    if (diedAway)
        return early ? early : p;
    return clearerInAttack(*p, early) ? early : p;
}

// A note that settled lower was heard all the way down from the pitch read:
// the frames that found a pitch between the two found the same note, and
// count for it as the frames that found the pitch read counted for that.
PitchEstimate settledReading(const Reading& read, double settled)
{
    const double before = support(read.frames, read.hz);
    const double after = support(read.frames, settled, read.hz);
    const double confidence = before > 0 ? read.confidence * after / before : read.confidence;
    return {settled, std::min(confidence, 1.0)};
}

} // namespace

std::optional<PitchEstimate> estimatePitchAfter(AnalysisBuffer buffer, std::size_t pluckOffset)
{
    const std::size_t pluck = sampleIndexOf(pluckOffset);
    const std::size_t first = pluck + kSkipSamples;
    if (first >= samplesIn(kAnalysisBufferBytes))
        return std::nullopt;
    const Samples all = withoutRumble(buffer);
    const std::optional<Reading> read = noteReading(all, pluck, first);
    if (!read)
        return std::nullopt;
    const double settled = settledPitch(std::span<const float>(all).subspan(first), read->hz);
    return settled == read->hz ? PitchEstimate{*read} : settledReading(*read, settled);
}

double pitchHeldFrom(AnalysisBuffer buffer, std::size_t first, double hz)
{
    const Samples all = withoutRumble(buffer);
    if (first >= all.size())
        return 0;
    const Samples rest(all.begin() + static_cast<std::ptrdiff_t>(first), all.end());
    const std::optional<Frames> frames = framesOf(rest, rest.size());
    return frames && frames->heard > 0 ? std::min(support(*frames, hz), 1.0) : 0;
}

} // namespace tensikon
