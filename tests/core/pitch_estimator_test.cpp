#include "core/pitch_estimator.h"

#include <gtest/gtest.h>

#include "tests/core/plucked.h"

namespace tensikon {
namespace {

std::optional<PitchEstimate> pitchOf(const test::Ringing& r)
{
    const test::Bytes b = test::ringing(r);
    return estimatePitch(test::asBuffer(b));
}

// A fundamental weaker than its overtones, whose waveform crosses its
// resting level several times per period: no octave or fifth error.
TEST(EstimatePitch, FindsTheFundamentalUnderStrongerOvertones)
{
    for (double hz : {40.0, 45.0, 62.0, 80.0, 110.0, 140.0, 175.0, 210.0, 247.0}) {
        test::Ringing r;
        r.hz = hz;
        const auto p = pitchOf(r);
        ASSERT_TRUE(p) << hz;
        EXPECT_NEAR(p->hz, hz, 0.05) << hz;
        EXPECT_GT(p->confidence, 0.95) << hz;
    }
}

TEST(EstimatePitch, HoldsUnderHumHissAndInharmonicPartials)
{
    for (double hz : {62.0, 98.0, 140.0, 196.0, 247.0}) {
        test::Ringing hum;
        hum.hz = hz;
        hum.hum = 0.05;
        test::Ringing hiss = hum;
        hiss.hum = 0;
        hiss.hiss = 0.05; // some 20 dB below the clipped pluck
        test::Ringing stretched = hum;
        stretched.hum = 0;
        stretched.stretch = 2e-4;
        stretched.partials = {0.2, 1.0, 0.9, 0.5, 0.4, 0.3};
        for (const test::Ringing& r : {hum, hiss, stretched}) {
            const auto p = pitchOf(r);
            ASSERT_TRUE(p) << hz;
            // Hum and stretched partials pull the period a little.
            EXPECT_NEAR(p->hz, hz, 1.0) << hz;
            EXPECT_GT(p->confidence, 0.5) << hz;
        }
    }
}

// Above the belt range only a clipped, nearly square attack fires the
// pluck test; the pitch still holds to 1000 Hz, and above that there is
// none rather than half or a third of the sound's pitch.
TEST(EstimatePitch, ReachesAThousandHertzAndNoFurther)
{
    for (double hz : {330.0, 500.0, 850.0, 1000.0, 1050.0, 1500.0}) {
        test::Ringing r;
        r.hz = hz;
        r.partials = {1.0, 0.5, 0.3};
        r.overdrive = 20;
        const test::Bytes b = test::ringing(r);
        const auto p = estimatePitchAfter(test::asBuffer(b), 2 * r.pluckSample + 1);
        if (hz > kHighestPitchHz) {
            EXPECT_FALSE(p) << hz << " Hz read as " << p->hz;
            continue;
        }
        ASSERT_TRUE(p) << hz;
        EXPECT_NEAR(p->hz, hz, 2.0) << hz;
    }
}

TEST(EstimatePitch, ResolvesAFractionOfAHertz)
{
    for (double hz : {60.25, 140.35, 209.95}) {
        const test::Bytes b = test::toBytes(test::tone(hz, true));
        const auto p = estimatePitch(test::asBuffer(b));
        ASSERT_TRUE(p);
        EXPECT_NEAR(p->hz, hz, 0.05);
        EXPECT_GT(p->confidence, 0.99);
    }
}

TEST(EstimatePitch, NothingWithoutAPluckOrSoundAfterIt)
{
    const test::Bytes silence(kAnalysisBufferBytes, 0);
    EXPECT_FALSE(estimatePitch(test::asBuffer(silence)));
    test::Ringing late;
    late.pluckSample = 21900; // too little sound left after the attack
    EXPECT_FALSE(pitchOf(late));
    EXPECT_FALSE(estimatePitchAfter(test::asBuffer(silence), kAnalysisBufferBytes - 1));
}

TEST(EstimatePitch, HissAloneIsNotConfident)
{
    test::Ringing r;
    r.partials = {0.0};
    r.hiss = 1.0; // loud enough to clip and fire the pluck test now and then
    const test::Bytes b = test::ringing(r);
    const auto p = estimatePitchAfter(test::asBuffer(b), 1);
    EXPECT_TRUE(!p || p->confidence < 0.3) << p->hz << " Hz, confidence " << p->confidence;
}

} // namespace
} // namespace tensikon
