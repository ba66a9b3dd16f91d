#include "core/ring_down.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/mains_hum.h"

namespace tensikon {

namespace {

// The attack is left out: it may clip, and a room or a small microphone
// smears it.
constexpr std::size_t kAttackSamples = kSampleRate / 20;
// The level just after the attack and at the end of the capture, each over a
// tenth of a second.
constexpr std::size_t kStretchSamples = kSampleRate / 10;
constexpr std::size_t kBufferSamples = kAnalysisBufferBytes / 2;
// A sound whose end keeps this share of the power just after its attack
// holds its level. Sampled plucked and struck strings often ring that long
// at an even level; a machine or a voice held that long is told from them
// by what follows. Without a pitch of even this clearness, a held sound is
// no string at all.
constexpr double kHeldShare = 0.8;
constexpr double kClearPitch = 0.5;
// A sound that keeps most of its power is judged by its level and pitch as
// well: a belt that rings that long is a clean, even tone. Held vowels keep
// 0.7 or more of it; notes in a room that only just keep half may wobble.
constexpr double kMostlyHeld = 0.6;
// Read in steps of 50 ms, the level of a ringing string falls or holds; its
// beats and a room's echoes bring it back up by up to 6 dB, all rises
// together (5.7 dB on real plucked and struck notes). A voice's syllables
// and an engine speeding up add more, mostly far more. Not all: one spoken
// phrase comes back 7.3 dB with a clear pitch, while sampled pizzicato and
// double bass notes, whose level swells again on their own, come back 6.4
// to 9.9 dB through a room. Their pitch tells them apart (below).
constexpr std::size_t kStepSamples = kSampleRate / 20;
constexpr double kMostRegainDb = 6.0;
// Read in frames of whole periods, about 10 ms long, the level of a held
// note lies on a straight line (in dB) within about 2 dB rms; a held vowel
// wobbles with its voice, 2.3 dB or more. Set on real notes against speech;
// through a room some notes wobble as much as a voice.
constexpr std::size_t kWobbleFrameSamples = kSampleRate / 100;
constexpr double kMostWobbleDb = 2.2;
// Either bar stands only where the pitch does not hold throughout: a
// voice's pitch moves with its words, while a string's stays put however
// its level swells and sinks. Over the whole sound after the attack, the
// frames' confidence in the pitch (`pitchHeldFrom`) comes to 0.62 at most
// on ten minutes of speech; on the tuning half it comes to 0.41 at most
// where the bars took a pitch read wrong, and up to 0.91 where they took
// one read right. Set there and against speech, with room to spare above
// the voice.
constexpr double kHoldsPitch = 0.7;
// The envelope is read in frames of 10 ms. A ringing belt never comes back
// 16 dB (a power of 40) over its quietest frame so far (a new word or a new
// knock does), and never falls 20 dB (a power of 100) within 50 ms (a word
// stops that fast). Frames quieter than 20 dB under the loudest are left out
// of the rise, where noise takes over.
constexpr std::size_t kFrameSamples = kSampleRate / 100;
constexpr double kMostRise = 40.0;
constexpr std::size_t kFallFrames = 5;
constexpr double kMostFall = 100.0;
constexpr double kHeard = 0.01;
// Hum repeats every 882 (50 Hz) or 735 (60 Hz) samples; what differs from
// one period to the next is this share of the power or less.
constexpr double kRepeatsFrom = 0.2;
// Half a period later most of it differs: the hum's fundamental is reversed.
constexpr double kDiffersFrom = 0.5;

// Mean square of `count` samples from `first`, at least 1 (a sample of one
// step), so that silence compares as a level like any other.
double powerOf(AnalysisBuffer buffer, std::size_t first, std::size_t count)
{
    double sum = 0;
    for (std::size_t k = first; k < first + count; ++k)
        sum += static_cast<double>(sampleAt(buffer, k)) * sampleAt(buffer, k);
    return std::max(sum / static_cast<double>(count), 1.0);
}

// The share of the power from `first` on that differs from the sound `lag`
// samples before.
double differsAt(AnalysisBuffer buffer, std::size_t first, std::size_t lag)
{
    double differs = 0, total = 0;
    for (std::size_t k = first + lag; k < kBufferSamples; ++k) {
        const double a = sampleAt(buffer, k);
        const double b = sampleAt(buffer, k - lag);
        differs += (a - b) * (a - b);
        total += a * a + b * b;
    }
    return total > 0 ? differs / total : 1.0;
}

// Repeats with the mains period, and not half a period later: a steady or
// slowly moving level repeats at every lag, and is no hum.
bool repeatsWithMains(AnalysisBuffer buffer, std::size_t first)
{
    return std::any_of(kMainsPeriods.begin(), kMainsPeriods.end(), [&](std::size_t lag) {
        return differsAt(buffer, first, lag) <= kRepeatsFrom &&
               differsAt(buffer, first, lag + lag / 2) >= kDiffersFrom;
    });
}

// The power of each whole frame of `frameSamples` from `first` on.
std::vector<double> framePowers(AnalysisBuffer buffer, std::size_t first, std::size_t frameSamples)
{
    std::vector<double> frames;
    for (std::size_t k = first; k + frameSamples <= kBufferSamples; k += frameSamples)
        frames.push_back(powerOf(buffer, k, frameSamples));
    return frames;
}

// True when the envelope from `first` on comes back up or stops dead.
bool breaksOff(AnalysisBuffer buffer, std::size_t first)
{
    const std::vector<double> frames = framePowers(buffer, first, kFrameSamples);
    const double loudest = *std::max_element(frames.begin(), frames.end());
    double quietest = frames[0];
    for (std::size_t j = 1; j < frames.size(); ++j) {
        if (frames[j] >= kHeard * loudest && frames[j] >= kMostRise * quietest)
            return true;
        quietest = std::min(quietest, frames[j]);
        if (j >= kFallFrames && frames[j] * kMostFall <= frames[j - kFallFrames])
            return true;
    }
    return false;
}

double decibels(double power)
{
    return 10.0 * std::log10(power);
}

// All the rises of the level from one 50 ms step to the next, in dB.
double regainDb(AnalysisBuffer buffer, std::size_t first)
{
    const std::vector<double> steps = framePowers(buffer, first, kStepSamples);
    double regain = 0;
    for (std::size_t j = 1; j < steps.size(); ++j)
        regain += std::max(decibels(steps[j]) - decibels(steps[j - 1]), 0.0);
    return regain;
}

// How far the level, in frames of whole periods of `hz`, strays from the
// straight line (in dB) that fits it best: the rms in dB. Whole periods, so
// that a low note's own waveform does not move the frames' level.
double wobbleDb(AnalysisBuffer buffer, std::size_t first, double hz)
{
    const auto period =
        std::max(static_cast<std::size_t>(std::lround(kSampleRate / hz)), std::size_t{1});
    const std::size_t frame = period * ((kWobbleFrameSamples + period - 1) / period);
    const std::vector<double> frames = framePowers(buffer, first, frame);
    const auto n = static_cast<double>(frames.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t j = 0; j < frames.size(); ++j) {
        const auto x = static_cast<double>(j);
        sx += x;
        sy += decibels(frames[j]);
        sxx += x * x;
        sxy += x * decibels(frames[j]);
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double intercept = (sy - slope * sx) / n;
    double squares = 0;
    for (std::size_t j = 0; j < frames.size(); ++j) {
        const double off = decibels(frames[j]) - intercept - slope * static_cast<double>(j);
        squares += off * off;
    }
    return std::sqrt(squares / n);
}

// A sound that keeps most of its power below any belt: engines fire and
// motors turn at 40 to 50 Hz, steadily, with a pitch confidence of 0.8 at
// most under their noise; a belt that slack does not ring on at an even
// level. A pure steady tone there is still read.
bool dronesBelowBelts(double share, const std::optional<PitchEstimate>& pitch)
{
    return share >= kMostlyHeld && pitch && pitch->hz < kLowestBeltHz &&
           pitch->confidence < kSureBelowBelts;
}

// A level that comes back, or, where most of the power is kept, wobbles,
// as a voice's does, on a pitch that does not hold.
bool swellsLikeAVoice(AnalysisBuffer buffer, std::size_t first, double share,
                      const std::optional<PitchEstimate>& pitch)
{
    const bool uneven =
        regainDb(buffer, first) > kMostRegainDb ||
        (share >= kMostlyHeld && pitch && wobbleDb(buffer, first, pitch->hz) > kMostWobbleDb);
    return uneven && (!pitch || pitchHeldFrom(buffer, first, pitch->hz) < kHoldsPitch);
}

} // namespace

SoundShape soundShape(AnalysisBuffer buffer, std::size_t pluckOffset,
                      const std::optional<PitchEstimate>& pitch)
{
    const std::size_t early = pluckOffset / 2 + kAttackSamples;
    const std::size_t late = kBufferSamples - kStretchSamples;
    if (early + kStretchSamples > late)
        return SoundShape::RingsDown; // no pluck lies that late: nothing to judge
    const double share =
        powerOf(buffer, late, kStretchSamples) / powerOf(buffer, early, kStretchSamples);
    const bool held = share >= kHeldShare;
    // A note whose period divides the mains period repeats with it as well:
    // only a sound without a pitch of its own, or with the mains', is hum.
    if (held && (!pitch || onMains(pitch->hz)) && repeatsWithMains(buffer, early))
        return SoundShape::Hum;
    if ((held && (!pitch || pitch->confidence < kClearPitch)) || breaksOff(buffer, early) ||
        dronesBelowBelts(share, pitch) || swellsLikeAVoice(buffer, early, share, pitch))
        return SoundShape::NoRing;
    return SoundShape::RingsDown;
}

} // namespace tensikon
