#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tools/accuracy/real_accuracy.h"
#include "tools/accuracy/real_sound.h"

namespace tensikon::bench {
namespace {

constexpr double kRate = 44100;

// A tone of the given partials (amplitudes of partial 1, 2, ...), decaying.
Signal tone(double hz, std::initializer_list<double> partials, double seconds, double decay = 0.3)
{
    Signal x(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        int h = 0;
        for (double a : partials) {
            ++h;
            x[i] += a * std::exp(-t / decay) * std::sin(2 * std::numbers::pi * hz * h * t + h);
        }
    }
    return x;
}

TEST(RealSound, TruePitchFindsTheFundamentalNearTheNominalPitch)
{
    // A weak fundamental, a strong octave, 4 Hz off the nominal pitch.
    const auto hz = truePitch(tone(97.3, {0.3, 1.0, 0.5, 0.2}, 0.5), 101.3);
    ASSERT_TRUE(hz);
    EXPECT_NEAR(*hz, 97.3, 0.05);
    EXPECT_NEAR(*truePitch(tone(987.0, {1.0, 0.3}, 0.5), 987.77), 987.0, 0.05);
    // Only even partials of 60 Hz: it sounds at 120 Hz, so 60 is no answer.
    EXPECT_FALSE(truePitch(tone(60.0, {0.0, 1.0, 0.0, 0.5}, 0.5), 60.0));
}

TEST(RealSound, VolumeUpIsTheSecondFromLastSettingThatFires)
{
    const Signal x = tone(110, {1.0, 0.4}, 1.5);
    Signal withLeadIn(static_cast<std::size_t>(0.4 * kRate), 0.0);
    withLeadIn.insert(withLeadIn.end(), x.begin(), x.end());
    const double gain = volumeUp(withLeadIn, 1e6);
    EXPECT_TRUE(fires(withLeadIn, gain / 2));  // the last setting that fired
    EXPECT_FALSE(fires(withLeadIn, gain / 4)); // the one that did not
    EXPECT_NEAR(std::log2(1e6 / gain), std::round(std::log2(1e6 / gain)), 1e-9);

    const auto quiet = quantise(withLeadIn, volumeAtPeak(withLeadIn, -20));
    int largest = 0;
    for (std::int16_t s : quiet) {
        largest = std::max(largest, std::abs(static_cast<int>(s)));
    }
    EXPECT_NEAR(largest, 32767 * std::pow(10.0, -20.0 / 20), 1.0);
}

TEST(RealSound, ChainsShapeTheSoundAsDescribed)
{
    Signal low = tone(40, {1.0}, 1.0, 100), mid = tone(1000, {1.0}, 1.0, 100);
    const double before = rms(low) / rms(mid);
    phoneMicrophone(low);
    phoneMicrophone(mid);
    EXPECT_LT(rms(low) / rms(mid), 0.3 * before); // the small capsule loses the bass

    Signal burst = tone(200, {1.0}, 0.1, 100);
    burst.resize(static_cast<std::size_t>(kRate), 0.0);
    room(burst);
    const auto at = [&burst](double from) {
        return rms(
            std::span<const double>(burst).subspan(static_cast<std::size_t>(from * kRate), 4410));
    };
    EXPECT_GT(at(0.2), 0.0);
    EXPECT_GT(at(0.2), 10 * at(0.8)); // the tail dies away

    Signal silence(10000, 0.0);
    addAt(silence, hum(2000, 50, 0.3), 0.5, 20); // repeated when shorter
    EXPECT_NEAR(rms(silence), 0.05, 0.002);
    const Signal h = hum(2000, 50, 0.3);
    EXPECT_NEAR(h[100], h[100 + 882], 1e-9); // one period of 50 Hz
}

TEST(RealAccuracy, ReadsTheManifestAndTheAnalyzersFields)
{
    const auto clips = parseManifest("file,instrument,midi_note,chain,volume,true_hz,half\n"
                                     "a/m045-clean-up.wav,harp,45,clean,up,110.22,tuning\n");
    ASSERT_TRUE(clips);
    ASSERT_EQ(clips->size(), 1u);
    EXPECT_EQ((*clips)[0].chain, "clean");
    EXPECT_EQ((*clips)[0].trueHz, 110.22);
    EXPECT_EQ((*clips)[0].half, "tuning");
    EXPECT_FALSE(parseManifest("file,instrument\na,b\n"));
    EXPECT_FALSE(
        parseManifest("file,instrument,midi_note,chain,volume,true_hz,half\na,b,45,clean\n"));

    ClipResult r;
    EXPECT_FALSE(readAnalyzer("[\n]\n", r));
    ASSERT_TRUE(readAnalyzer(R"([{"frequency_hz": 221, "reason": null}])", r));
    EXPECT_EQ(r.hz[kShown], 221.0);
    EXPECT_EQ(r.hz[kCrossings], 221.0); // stands in while there is no crossing_hz
    ASSERT_TRUE(readAnalyzer(R"([{"frequency_hz": 110, "crossing_hz": null}])", r));
    EXPECT_EQ(r.hz[kShown], 110.0);
    EXPECT_FALSE(r.hz[kCrossings]);
}

// A capture that began on the background before the note is counted apart.
TEST(RealAccuracy, CountsAmongTheFiredClips)
{
    const auto result = [](double trueHz, bool fired, std::optional<double> shown) {
        ClipResult r;
        r.clip.trueHz = trueHz;
        r.fired = fired;
        r.hz[kShown] = shown;
        return r;
    };
    std::vector<ClipResult> results{
        result(100, true, 100.5),        result(100, true, 104),
        result(100, true, 211),          result(100, true, 90),
        result(100, true, std::nullopt), result(100, false, std::nullopt)};
    results.insert(results.end(), 3, result(100, true, 50));
    results[6].beforeNote = results[7].beforeNote = true;
    results[7].hz[kShown] = std::nullopt;
    const RealSummary s = summarizeReal(results, kShown, [](const ClipResult&) { return true; });
    EXPECT_EQ(s.clips, 9);
    EXPECT_EQ(s.fired, 6);
    EXPECT_EQ(s.firedBeforeNote, 2);
    EXPECT_EQ(s.offBeforeNote, 1);
    EXPECT_EQ(s.rightBeforeNote, 0);
    EXPECT_EQ(s.within1, 1);
    EXPECT_EQ(s.within5, 2);
    EXPECT_EQ(s.off, 3);
    EXPECT_EQ(s.tooHigh, 1); // 50 Hz, on the note, is too low
    EXPECT_EQ(s.none, 1);
}

} // namespace
} // namespace tensikon::bench
