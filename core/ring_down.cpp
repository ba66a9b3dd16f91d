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
// holds its level, unless its pitch is clear. Sampled plucked strings often
// ring that long at an even level, but repeat almost perfectly; a machine or
// a voice held that long does not. Both set on real plucked and struck notes
// against engines, workshop machinery and speech: a higher share lets more
// machines through, a clearer pitch needed turns more notes into "---".
constexpr double kHeldShare = 0.8;
constexpr double kClearPitch = 0.75;
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
// A pitch within 1 % of 50 or 60 Hz is the mains..
constexpr double kOnMains = 0.01;

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

bool onMains(double hz)
{
    return std::any_of(kMainsPeriods.begin(), kMainsPeriods.end(), [hz](std::size_t period) {
        return std::abs(hz * static_cast<double>(period) / kSampleRate - 1.0) <= kOnMains;
    });
}

// True when the envelope from `first` on comes back up or stops dead.
bool breaksOff(AnalysisBuffer buffer, std::size_t first)
{
    std::vector<double> frames;
    for (std::size_t k = first; k + kFrameSamples <= kBufferSamples; k += kFrameSamples)
        frames.push_back(powerOf(buffer, k, kFrameSamples));
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

} // namespace

SoundShape soundShape(AnalysisBuffer buffer, std::size_t pluckOffset,
                      const std::optional<PitchEstimate>& pitch)
{
    const std::size_t early = pluckOffset / 2 + kAttackSamples;
    const std::size_t late = kBufferSamples - kStretchSamples;
    if (early + kStretchSamples > late)
        return SoundShape::RingsDown; // no pluck lies that late: nothing to judge
    const bool held = powerOf(buffer, late, kStretchSamples) >=
                      kHeldShare * powerOf(buffer, early, kStretchSamples);
    // A note whose period divides the mains period repeats with it as well:
    // only a sound without a pitch of its own, or with the mains', is hum.
    if (held && (!pitch || onMains(pitch->hz)) && repeatsWithMains(buffer, early))
        return SoundShape::Hum;
    if ((held && (!pitch || pitch->confidence < kClearPitch)) || breaksOff(buffer, early))
        return SoundShape::NoRing;
    return SoundShape::RingsDown;
}

} // namespace tensikon
