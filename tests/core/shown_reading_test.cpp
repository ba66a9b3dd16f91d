#include "core/shown_reading.h"

#include <gtest/gtest.h>

#include "tests/core/plucked.h"

namespace tensikon {
namespace {

Measurement measured(const test::Bytes& b)
{
    return measureCapture(test::asBuffer(b));
}

// A pure tone, steady or decaying, shows the crossing count's own number
// wherever that count reads the tone (to its truncation). Where the count's
// baseline, taken from a tail of no whole number of periods, registers a
// false first crossing (steady 60 Hz reads 72), the tone's pitch is shown.
TEST(ShownReading, PureTonesShowTheCrossingCountWhereItReadsTheTone)
{
    int fromPitch = 0;
    for (bool decaying : {false, true}) {
        for (double hz = 40; hz < 400; hz += 3.1) {
            const Measurement m = measured(test::toBytes(test::tone(hz, decaying)));
            if (!m.crossings.pluckOffset) { // some tones above 300 Hz fire no pluck test
                EXPECT_FALSE(m.shown.hz);
                continue;
            }
            // Truncation, and marks on whole samples: 2 bytes of a 3-period span.
            const double slack = 1 + hz * hz * 2 / 264600;
            const bool countReadsTheTone =
                m.crossings.hz && std::abs(*m.crossings.hz - hz) <= slack;
            EXPECT_EQ(m.shown.from,
                      countReadsTheTone ? ReadingSource::Crossings : ReadingSource::Pitch)
                << hz << (decaying ? " decaying" : " steady");
            if (countReadsTheTone)
                EXPECT_EQ(m.shown.hz, estimateFrequency(
                                          test::asBuffer(test::toBytes(test::tone(hz, decaying)))));
            else
                EXPECT_NEAR(*m.shown.hz, hz - 0.5, 0.5) << hz;
            fromPitch += m.shown.from == ReadingSource::Pitch;
        }
    }
    EXPECT_LT(fromPitch, 10); // a few narrow bands only
}

// A note on a harmonic of the mains plucked late in the capture keeps a
// clear pitch: its short stretch of spectrum, with the hum taken out, is no
// evidence of a lower pitch.
TEST(ShownReading, ANoteOnAMainsHarmonicPluckedLateKeepsAClearPitch)
{
    for (double hz : {100.0, 150.0, 200.0}) {
        const Measurement m = measured(test::plucked(hz, 10800, 0.3, 200));
        ASSERT_TRUE(m.pitch) << hz;
        EXPECT_TRUE(pitchIsConfident(*m.pitch)) << hz << ": " << m.pitch->confidence;
        EXPECT_NEAR(m.shown.hz.value_or(0), hz, 1) << hz;
    }
}

// A steady tone right on the 60 Hz mains is all hum to the program: no
// reading, rather than the count's 72 Hz.
TEST(ShownReading, TheEstimatorsToneTableShowsItsResultsButForSteady60Hz)
{
    for (bool decaying : {false, true}) {
        for (double hz : {60.0, 80.0, 105.0, 110.0, 140.0, 160.0, 210.0}) {
            const Measurement m = measured(test::toBytes(test::tone(hz, decaying)));
            if (!decaying && hz == 60.0) {
                EXPECT_EQ(m.crossings.hz, 72);
                EXPECT_FALSE(m.shown.hz);
                continue;
            }
            EXPECT_EQ(m.shown.hz, m.crossings.hz) << hz;
            EXPECT_EQ(m.shown.from, ReadingSource::Crossings) << hz;
        }
    }
}

TEST(ShownReading, AnOvertoneCountIsReplacedByThePitch)
{
    test::Ringing r;
    r.hz = 140;
    const Measurement m = measured(test::ringing(r));
    ASSERT_TRUE(m.crossings.hz);
    EXPECT_GT(*m.crossings.hz, 200); // the count reads an overtone
    EXPECT_EQ(m.shown.from, ReadingSource::Pitch);
    EXPECT_GE(m.shown.hz, 139);
    EXPECT_LE(m.shown.hz, 140);
}

// A note that dies within the attack (50 ms) leaves noise after it: the
// count, which reads right after the pluck, is confirmed by the pitch of
// the attack rather than contradicted by that of the noise.
TEST(ShownReading, ANoteThatDiesInItsAttackIsReadThere)
{
    for (int noise : {1000, 3000}) {
        const Measurement m = measured(test::plucked(205, 3000, 0.05, noise));
        ASSERT_TRUE(m.shown.hz) << noise;
        EXPECT_NEAR(*m.shown.hz, 205, 3) << noise;
    }
}

TEST(ShownReading, TheRule)
{
    const PitchEstimate clear{140.9, 0.95};
    const PitchEstimate vague{140.9, 0.3};
    const auto show = [](std::optional<std::int32_t> c, std::optional<PitchEstimate> p) {
        const ShownReading s = chooseShownReading(c, p);
        return std::pair(s.hz, s.from);
    };
    using R = ReadingSource;
    EXPECT_EQ(show(140, clear), std::pair(std::optional(140), R::Crossings));
    EXPECT_EQ(show(140, vague), std::pair(std::optional(140), R::Crossings));
    EXPECT_EQ(show(211, clear), std::pair(std::optional(140), R::Pitch));
    EXPECT_EQ(show(std::nullopt, clear), std::pair(std::optional(140), R::Pitch));
    EXPECT_EQ(show(211, vague), std::pair(std::optional<std::int32_t>(), R::None));
    EXPECT_EQ(show(140, std::nullopt), std::pair(std::optional<std::int32_t>(), R::None));
    EXPECT_EQ(show(std::nullopt, std::nullopt), std::pair(std::optional<std::int32_t>(), R::None));
    // Below the belts, a pitch on its own must be nearly certain; a count it confirms is not
    // judged.
    EXPECT_EQ(show(2940, PitchEstimate{43.3, 0.67}),
              std::pair(std::optional<std::int32_t>(), R::None));
    EXPECT_EQ(show(2940, PitchEstimate{43.3, 0.95}), std::pair(std::optional(43), R::Pitch));
    EXPECT_EQ(show(43, PitchEstimate{43.3, 0.3}), std::pair(std::optional(43), R::Crossings));
    // Above the range read, a pitch on its own is the edge of the search.
    EXPECT_EQ(show(944, PitchEstimate{1008.0, 0.97}),
              std::pair(std::optional<std::int32_t>(), R::None));
}

// A single loud run is no tone: the count reads 2004 Hz from the hold-off
// alone; nothing is shown now.
TEST(ShownReading, ALoudRunShowsNoReading)
{
    test::Samples s(kAnalysisBufferBytes / 2, 0);
    for (std::size_t k = 100; k < 140; ++k)
        s[k] = 30000;
    const Measurement m = measured(test::toBytes(s));
    EXPECT_EQ(m.crossings.hz, 2004);
    EXPECT_FALSE(m.shown.hz);
    EXPECT_EQ(m.shown.from, ReadingSource::None);
}

} // namespace
} // namespace tensikon
