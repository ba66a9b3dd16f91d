#include "core/harmonic_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "core/bike_catalogue.h"
#include "core/capture_format.h"
#include "core/pitch_estimator.h"

namespace tensikon {

namespace {

// Each stretch the check reads is up to 0.19 s long, which resolves harmonics
// 40 Hz apart, and the harmonics up to the 16th or 3 kHz, where a phone
// microphone still passes them. Off a multiple's harmonics there must be
// kLiftBar (17 dB) less power per harmonic than on them.
constexpr std::size_t kSpectrumSamples = 8192;
constexpr std::size_t kHarmonics = 16;
constexpr double kSpectrumTopHz = 3000;

// Frames that found a whole multiple of the period count for the pitch, so
// a pitch and a half or a third of it can both look sure. Doubt between
// them, set on the tuning half of the real-sound corpus: up to how far
// above kLiftBar the multiple is still plausible (power off its harmonics
// 11.5 dB under that on them; a pitch whose multiple is less plausible is
// certain); how much better the frames' periods must repeat over several of
// them, and how much power the lower candidate's own harmonics must hold
// (20 dB under the pitch's), for the pitch to be doubted as too high.
constexpr double kHigherDoubt = 0.07;
constexpr double kRepeatsBetter = 3.5;
constexpr double kLowerDoubt = 0.01;
// ... or, whatever the frames say, when the lower candidate's own harmonics
// hold this much (7 dB under the pitch's): a string whose fourth partial
// rings louder than the rest, heard through a phone in a room, is read at
// four times its pitch by most frames. Set on the tuning half, where just
// one pitch read right came above it.
constexpr double kLowerAlone = 0.2;
// A pitch on the mains' period loses all confidence when the power off its
// double's harmonics, without the hum, is at the bar for lifting it, and
// keeps it whole from this share on (7 dB under that on them). Set on the
// tuning half: the smallest share that catches the notes twice the mains
// frequency read at half their pitch, and leaves every right reading there.
constexpr double kHumDoubt = 0.2;

// A lower pitch the note may have settled on lies 2 to 8 % under the one
// read, in steps of a quarter per cent, and more than the verdict's
// tolerance under it (nearer, it would not change the verdict). It lies in
// the belts' range: above it, on the tuning half, taking it mended about as
// many readings as it broke. It is weighed on its first 8 harmonics, where
// two pitches 3 % apart lie apart in the spectrum of a third of a second.
constexpr double kSettleStep = 0.0025;
constexpr int kLeastSettleSteps = 8;
constexpr int kMostSettleSteps = 32;
constexpr int kCoarseSettleSteps = 4;
constexpr std::size_t kSettleHarmonics = 8;

// Below the belts a belt's note read at half its pitch is far likelier
// than a note of its own, so a pitch there is doubled on weaker evidence:
// power off its double's harmonics under this share of that on them (13.5
// dB less). Set on the tuning half: every reading below the belts under it
// was a note read at half its pitch; the first true note there lay at 5.4 %.
constexpr double kDoubleBelowBelts = 0.045;

// 0 at kLiftBar, 1 from `whole` on.
double aboveBar(double evidence, double whole)
{
    return std::clamp((evidence - kLiftBar) / (whole - kLiftBar), 0.0, 1.0);
}

// The first `n` samples of `x`, under a Hann window. The window's cosine is
// turned on by one small rotation per sample: a cosine worked out afresh
// for each sample would cost as much as the harmonics of a whole stretch.
std::vector<double> windowed(std::span<const float> x, std::size_t n)
{
    const double step = 2 * std::numbers::pi / static_cast<double>(n);
    const double cosStep = std::cos(step);
    const double sinStep = std::sin(step);
    double re = 1;
    double im = 0;
    std::vector<double> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        out[k] = x[k] * (0.5 - 0.5 * re);
        const double turned = re * cosStep - im * sinStep;
        im = im * cosStep + re * sinStep;
        re = turned;
    }
    return out;
}

// Up to the first kSpectrumSamples of `x`, under a Hann window.
std::vector<double> windowedStart(std::span<const float> x)
{
    return windowed(x, std::min(x.size(), kSpectrumSamples));
}

// The power at the harmonics of `hz` (index 1 up), as many as the spectrum
// read holds.
struct Harmonics {
    std::array<double, kHarmonics + 1> power{};
    std::size_t count = 0;
};

// The power at the frequencies whose coefficients 2 cos(w) are `c`, by
// Goertzel's recurrence. All of them are run in one pass over the sound:
// each recurrence waits on its own last step, so run one after another they
// would leave the processor idle most of the time. A fixed number of them,
// unused ones included, lets the compiler run them side by side.
template <std::size_t Lanes>
std::array<double, Lanes> goertzelPowers(const std::vector<double>& windowed,
                                         const std::array<double, Lanes>& c)
{
    std::array<double, Lanes> s1{}, s2{}, power{};
    for (const double v : windowed) {
        for (std::size_t k = 0; k < Lanes; ++k) {
            const double s0 = v + c[k] * s1[k] - s2[k];
            s2[k] = s1[k];
            s1[k] = s0;
        }
    }
    for (std::size_t k = 0; k < Lanes; ++k)
        power[k] = s1[k] * s1[k] + s2[k] * s2[k] - c[k] * s1[k] * s2[k];
    return power;
}

// The power at the first `Lanes` harmonics of `hz` up to kSpectrumTopHz.
template <std::size_t Lanes = kHarmonics>
Harmonics harmonicsOf(const std::vector<double>& windowed, double hz)
{
    static_assert(Lanes <= kHarmonics);
    Harmonics h;
    while (h.count < Lanes && static_cast<double>(h.count + 1) * hz <= kSpectrumTopHz)
        ++h.count;
    std::array<double, Lanes> c{};
    for (std::size_t k = 1; k <= h.count; ++k)
        c[k - 1] = 2 * std::cos(2 * std::numbers::pi * static_cast<double>(k) * hz / kSampleRate);
    const std::array<double, Lanes> power = goertzelPowers(windowed, c);
    std::copy_n(power.begin(), h.count, h.power.begin() + 1);
    return h;
}

// The power on all the harmonics `h` holds.
double total(const Harmonics& h)
{
    double sum = 0;
    for (std::size_t k = 1; k <= h.count; ++k)
        sum += h.power[k];
    return sum;
}

// Mean power per harmonic off every m-th harmonic, over the mean power on
// them: near 0 when `m` times the fundamental is the pitch.
double offOverOn(const Harmonics& h, std::size_t m)
{
    double on = 0;
    double off = 0;
    for (std::size_t k = 1; k <= h.count; ++k)
        (k % m == 0 ? on : off) += h.power[k];
    const double onMean = on / static_cast<double>(h.count / m);
    const double offMean = off / static_cast<double>(h.count - h.count / m);
    return onMean > 0 ? offMean / onMean : 1.0;
}

// The difference function cannot tell a period from two periods when the
// sound repeats nearly as well at either, as a string does whose
// fundamental is lost in a phone microphone or a room. The spectrum can: if
// `hz` is the pitch, its partials lie on its own harmonics, and if `hz` is a
// half or a third of the pitch, all the harmonics of `hz` but every second
// or third are empty. So the pitch is raised to the largest multiple whose
// harmonics carry all but a trace of the power on the harmonics of `hz`
// (below the belts, a double carries a little less).
double liftedOver(std::span<const float> x, double hz)
{
    const Harmonics h = harmonicsOf(windowedStart(x), hz);
    for (std::size_t m = kMostPitchMultiple; m >= 2; --m) {
        if (hz * static_cast<double>(m) > kHighestPitchHz || h.count < 2 * m)
            continue;
        const double bar = m == 2 && hz < kLowestBeltHz ? kDoubleBelowBelts : kLiftBar;
        if (offOverOn(h, m) < bar)
            return hz * static_cast<double>(m);
    }
    return hz;
}

// A lower pitch and the power at its harmonics.
struct Lower {
    double hz = 0;
    Harmonics harmonics;
};

// The lower pitch the note may have settled on: of those under `hz` that
// the settling steps allow, the one whose harmonics in `whole`, the
// windowed sound, hold the most power. Found on a grid of whole per cents,
// then to a quarter per cent around the best of them, which costs under
// half as much.
Lower strongestLower(const std::vector<double>& whole, double hz)
{
    Lower best;
    int bestStep = 0;
    const auto consider = [&](int step) {
        const double candidate = hz * (1 - kSettleStep * step);
        if (step < kLeastSettleSteps || step > kMostSettleSteps ||
            hz - candidate <= TargetTolerance || candidate > kHighestBeltHz)
            return;
        const Harmonics h = harmonicsOf<kSettleHarmonics>(whole, candidate);
        if (total(h) > total(best.harmonics)) {
            best = {candidate, h};
            bestStep = step;
        }
    };
    for (int step = kLeastSettleSteps; step <= kMostSettleSteps; step += kCoarseSettleSteps)
        consider(step);
    if (bestStep == 0)
        return best;
    const int coarse = bestStep;
    for (int step = coarse - kCoarseSettleSteps / 2; step <= coarse + kCoarseSettleSteps / 2;
         ++step)
        if (step != coarse)
            consider(step);
    return best;
}

} // namespace

double higherPitchEvidence(std::span<const float> sound, double hz)
{
    const Harmonics h = harmonicsOf(windowedStart(sound), hz);
    double least = std::numeric_limits<double>::infinity();
    for (std::size_t m = kMostPitchMultiple; m >= 2; --m) {
        if (hz * static_cast<double>(m) <= kHighestPitchHz && h.count >= 2 * m)
            least = std::min(least, offOverOn(h, m));
    }
    return least;
}

double lowerPitchEvidence(std::span<const float> sound, double hz)
{
    const std::vector<double> windowed = windowedStart(sound);
    // No belt rings below the belts' range, so a lower candidate there does
    // not put a pitch in that range in doubt: a bass note's half, filled by a
    // room or by hum near 50 Hz, took all confidence from right readings.
    // Set on the tuning half, where this mended 7 readings and made none
    // wrong, in the belts' range or below it.
    const double lowest = hz >= kLowestBeltHz ? kLowestBeltHz : kLowestPitchHz;
    double most = 0;
    for (std::size_t k = 2; k <= kMostPitchMultiple; ++k) {
        const double lower = hz / static_cast<double>(k);
        if (lower < lowest)
            break;
        const Harmonics h = harmonicsOf(windowed, lower);
        // Silence (a steady tone on a mains harmonic, with the hum taken
        // out) is no evidence of anything.
        const bool heard =
            std::any_of(h.power.begin(), h.power.end(), [](double p) { return p > 0; });
        if (h.count >= 2 * k && heard)
            most = std::max(most, offOverOn(h, k));
    }
    return most;
}

double certainty(std::span<const float> sound, double hz, double repeatGain, bool withoutHum)
{
    const double lower = lowerPitchEvidence(sound, hz);
    // Taking the hum out also takes much of a note on a harmonic of the
    // mains, and what it leaves fills the lower candidate's harmonics: there
    // they doubt a pitch only with the frames' word.
    if ((repeatGain >= kRepeatsBetter && lower >= kLowerDoubt) ||
        (!withoutHum && lower >= kLowerAlone))
        return 0;
    return aboveBar(higherPitchEvidence(sound, hz), kHigherDoubt);
}

double certaintyOnMains(std::span<const float> withoutHum, double hz)
{
    // A note twice the mains frequency read over two of its periods lands
    // on the mains' period, and what is left of the hum fills the harmonics
    // that the half pitch has and the note lacks: a pitch there stands only
    // where the spectrum without the hum clearly rules out its double.
    return aboveBar(higherPitchEvidence(withoutHum, hz), kHumDoubt);
}

double settledPitch(std::span<const float> sound, double hz)
{
    const std::vector<double> whole = windowed(sound, sound.size());
    const Lower lower = strongestLower(whole, hz);
    if (lower.harmonics.count == 0)
        return hz; // no lower pitch to settle on, or silence
    const Harmonics read = harmonicsOf<kSettleHarmonics>(whole, hz);
    // A room's resonance can lift the lower pitch's fundamental alone; the
    // settled note holds more at half its harmonics or more.
    std::size_t louder = 0;
    for (std::size_t k = 1; k <= read.count; ++k)
        louder += lower.harmonics.power[k] > read.power[k] ? 1 : 0;
    const bool settled = total(lower.harmonics) >= total(read) && 2 * louder >= read.count;
    return settled ? lower.hz : hz;
}

// Read first where the sound is loudest, right after the attack, then, if
// that leaves `hz` as it is, over the last stretch: in a room the early
// sound still carries the attack's echoes, which fill the odd harmonics of
// a half pitch until the reverberation has built up.
double pitchFromHarmonics(std::span<const float> sound, double hz)
{
    const double early = liftedOver(sound, hz);
    // The last stretch must lie mostly after the first to tell anything new.
    if (early != hz || sound.size() <= kSpectrumSamples + kSpectrumSamples / 2)
        return early;
    return liftedOver(sound.last(kSpectrumSamples), hz);
}

} // namespace tensikon
