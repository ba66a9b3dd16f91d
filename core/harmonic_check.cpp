#include "core/harmonic_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

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

// 0 at kLiftBar, 1 from `whole` on.
double aboveBar(double evidence, double whole)
{
    return std::clamp((evidence - kLiftBar) / (whole - kLiftBar), 0.0, 1.0);
}

// The weight of sample k of n in a Hann window.
double hann(std::size_t k, std::size_t n)
{
    return 0.5 -
           0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(n));
}

// Up to the first kSpectrumSamples of `x`, under a Hann window.
std::vector<double> windowedStart(std::span<const float> x)
{
    // Nearly every stretch read is a whole one: its window is worked out once.
    static const std::vector<double> kWhole = [] {
        std::vector<double> w(kSpectrumSamples);
        for (std::size_t k = 0; k < w.size(); ++k)
            w[k] = hann(k, w.size());
        return w;
    }();
    const std::size_t n = std::min(x.size(), kSpectrumSamples);
    std::vector<double> windowed(n);
    for (std::size_t k = 0; k < n; ++k)
        windowed[k] = x[k] * (n == kSpectrumSamples ? kWhole[k] : hann(k, n));
    return windowed;
}

// The power at the harmonics of `hz` (index 1 up), as many as the spectrum
// read holds.
struct Harmonics {
    std::array<double, kHarmonics + 1> power{};
    std::size_t count = 0;
};

// Each harmonic's power by Goertzel's recurrence. All of them are run in one
// pass over the sound: each recurrence waits on its own last step, so run
// one after another they would leave the processor idle most of the time.
Harmonics harmonicsOf(const std::vector<double>& windowed, double hz)
{
    Harmonics h;
    while (h.count < kHarmonics && static_cast<double>(h.count + 1) * hz <= kSpectrumTopHz)
        ++h.count;
    std::array<double, kHarmonics + 1> c{}, s1{}, s2{};
    for (std::size_t k = 1; k <= h.count; ++k) {
        const double f = static_cast<double>(k) * hz;
        c[k] = 2 * std::cos(2 * std::numbers::pi * f / kSampleRate);
    }
    for (const double v : windowed) {
        for (std::size_t k = 1; k <= h.count; ++k) {
            const double s0 = v + c[k] * s1[k] - s2[k];
            s2[k] = s1[k];
            s1[k] = s0;
        }
    }
    for (std::size_t k = 1; k <= h.count; ++k)
        h.power[k] = s1[k] * s1[k] + s2[k] * s2[k] - c[k] * s1[k] * s2[k];
    return h;
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
// harmonics carry all but a trace of the power on the harmonics of `hz`.
double liftedOver(std::span<const float> x, double hz)
{
    const Harmonics h = harmonicsOf(windowedStart(x), hz);
    for (std::size_t m = kMostPitchMultiple; m >= 2; --m) {
        if (hz * static_cast<double>(m) > kHighestPitchHz || h.count < 2 * m)
            continue;
        if (offOverOn(h, m) < kLiftBar)
            return hz * static_cast<double>(m);
    }
    return hz;
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
    double most = 0;
    for (std::size_t k = 2; k <= kMostPitchMultiple; ++k) {
        const double lower = hz / static_cast<double>(k);
        if (lower < kLowestPitchHz)
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
