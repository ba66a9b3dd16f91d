#include "core/frequency_estimator.h"

#include <gtest/gtest.h>

#include "tests/core/signals.h"

namespace tensikon {
namespace {

using test::Bytes;
using test::Rounding;
using test::Samples;

struct ToneCase {
    bool decaying;
    double hz;
    std::int32_t baseline;
    std::size_t pluck;
    std::int32_t span;
    std::int32_t result;
};

// Steady and decaying 30000-amplitude tones over the whole buffer.
constexpr ToneCase kToneCases[] = {
    {true, 60, -2, 241, 4408, 60},    {true, 80, -2, 181, 3306, 80},
    {true, 110, -1, 141, 2404, 110},  {true, 140, -1, 101, 1890, 140},
    {true, 160, -1, 101, 1654, 159},  {true, 210, -1, 81, 1260, 209},
    {false, 80, -6, 181, 3308, 79},   {false, 105, 1, 141, 2520, 104},
    {false, 140, -1, 101, 1890, 140}, {false, 60, -7, 241, 3672, 72},
};

TEST(EstimateFrequency, WorkedExamplesGiveTheirBaselinePluckSpanAndResult)
{
    for (const ToneCase& c : kToneCases) {
        for (Rounding r : {Rounding::Nearest, Rounding::Down, Rounding::Up}) {
            const Bytes buffer = test::toBytes(test::tone(c.hz, c.decaying, r));
            const FrequencyEstimate e = estimateFrequencyInDetail(test::asBuffer(buffer));
            SCOPED_TRACE(testing::Message() << (c.decaying ? "decaying " : "steady ") << c.hz
                                            << " Hz, rounding " << static_cast<int>(r));
            EXPECT_EQ(e.baseline, c.baseline);
            EXPECT_EQ(e.pluckOffset, c.pluck);
            EXPECT_EQ(e.span, c.span);
            EXPECT_EQ(e.hz, c.result);
            EXPECT_EQ(e.noReading, NoReading::None);
            EXPECT_EQ(estimateFrequency(test::asBuffer(buffer)), c.result);
        }
    }
}

TEST(EstimateFrequency, Decaying140HzCrossingsLieWhereWorkedOut)
{
    const Bytes buffer = test::toBytes(test::tone(140, true));
    const FrequencyEstimate e = estimateFrequencyInDetail(test::asBuffer(buffer));
    const std::array<std::size_t, 7> detections{631, 947, 1261, 1577, 1891, 2207, 2521};
    const std::array<std::size_t, 7> marks{617, 933, 1247, 1563, 1877, 2193, 2507};
    EXPECT_EQ(e.detections, detections);
    EXPECT_EQ(e.marks, marks);
    EXPECT_EQ(e.span, 2507 - 617);
}

TEST(EstimateFrequency, Steady60HzRegistersItsFirstCrossingAtTheStart)
{
    const Bytes buffer = test::toBytes(test::tone(60, false));
    const FrequencyEstimate e = estimateFrequencyInDetail(test::asBuffer(buffer));
    EXPECT_EQ(SampleLevel(buffer, 741), -3);
    EXPECT_EQ(e.detections[0], 741u);
    EXPECT_EQ(e.marks[0], 711u);
    EXPECT_EQ(e.detections[1], 763u);
    EXPECT_EQ(e.marks[1], 735u);
    EXPECT_EQ(e.hz, 72);
}

// Samples 100..139 at 30000, all else 0: every examined level equals the
// baseline, so the hold-off alone spaces the crossings 22 bytes apart.
TEST(EstimateFrequency, LevelsAtTheBaselineCrossEveryHoldOff)
{
    Samples s(kAnalysisBufferBytes / 2, 0);
    for (std::size_t k = 100; k < 140; ++k)
        s[k] = 30000;
    const Bytes buffer = test::toBytes(s);
    const FrequencyEstimate e = estimateFrequencyInDetail(test::asBuffer(buffer));
    EXPECT_EQ(e.baseline, 0);
    EXPECT_EQ(e.pluckOffset, 201u);
    for (int i = 0; i < kCrossings; ++i) {
        EXPECT_EQ(e.detections[i], 701u + 22u * i);
        EXPECT_EQ(e.marks[i], 671u + 22u * i);
    }
    EXPECT_EQ(e.span, 132);
    EXPECT_EQ(e.hz, 2004);
}

TEST(EstimateFrequency, BaselineIsTheFloorOfTheTailMean)
{
    Samples s(kAnalysisBufferBytes / 2, 0);
    EXPECT_EQ(baselineOf(test::asBuffer(test::toBytes(s))), 0);
    s[20000] = -1; // one level of -1 in the tail: the sum is -1, its floor too
    EXPECT_EQ(baselineOf(test::asBuffer(test::toBytes(s))), -1);
    for (std::size_t k = 17952; k < 22048; ++k)
        s[k] = 255; // levels of 0 however near they come to 256
    EXPECT_EQ(baselineOf(test::asBuffer(test::toBytes(s))), 0);
    s[22048] = s[22049] = -32768; // the last two samples are not part of the tail
    EXPECT_EQ(baselineOf(test::asBuffer(test::toBytes(s))), 0);
}

TEST(FrequencyFromSpan, DividesTheSpanFirstThenInverts)
{
    EXPECT_EQ(frequencyFromSpan(1890), 140);
    EXPECT_EQ(frequencyFromSpan(1892), 139);
    EXPECT_EQ(frequencyFromSpan(1888), 140);
    EXPECT_EQ(frequencyFromSpan(2520), 104);
    EXPECT_EQ(frequencyFromSpan(1654), 159);
}

// Where 264600 / span is whole, dividing span by 264600 first reads one hertz lower;
// for every other even span both forms truncate alike. A build with
// fast-math or excess precision would break this.
TEST(FrequencyFromSpan, NineSpansWhereTheOrderOfDivisionMatters)
{
    const std::int32_t nine[] = {70, 140, 270, 280, 540, 630, 1080, 1260, 2520};
    for (std::int32_t span : nine)
        EXPECT_EQ(frequencyFromSpan(span), 264600 / span - 1) << "span " << span;
    EXPECT_EQ(frequencyFromSpan(1260), 209);
    EXPECT_EQ(frequencyFromSpan(1080), 244);

    int differing = 0;
    for (std::int32_t span = 2; span <= 44100; span += 2) {
        const auto direct = static_cast<std::int32_t>(264600.0 / span);
        if (frequencyFromSpan(span) != direct)
            ++differing;
    }
    EXPECT_EQ(differing, 9);
}

TEST(FrequencyFromSpan, ZeroSpanHasNoReadingAndNegativeSpansStaySigned)
{
    EXPECT_FALSE(frequencyFromSpan(0).has_value());
    EXPECT_EQ(frequencyFromSpan(-1890), -140);
    EXPECT_EQ(frequencyFromSpan(1), 264600);
}

TEST(EstimateFrequency, NoPluckGivesNoReading)
{
    const Bytes zero(kAnalysisBufferBytes, 0);
    const FrequencyEstimate e = estimateFrequencyInDetail(test::asBuffer(zero));
    EXPECT_FALSE(e.hz.has_value());
    EXPECT_EQ(e.noReading, NoReading::NoPluck);
}

TEST(EstimateFrequency, APluckNearTheEndRunsOutOfBuffer)
{
    // The pluck is found at 44041; its start offset 44541 lies past the buffer.
    Samples s(kAnalysisBufferBytes / 2, 0);
    s[22020] = s[22030] = s[22040] = 30000;
    FrequencyEstimate e = estimateFrequencyInDetail(test::asBuffer(test::toBytes(s)));
    EXPECT_EQ(e.pluckOffset, 44041u);
    EXPECT_EQ(e.noReading, NoReading::OutOfBuffer);

    // A tone that starts late: crossings begin but the seventh needs more buffer.
    Samples late(kAnalysisBufferBytes / 2, 0);
    const Samples t = test::tone(60, true);
    for (std::size_t n = 0; n + 21300 < late.size(); ++n)
        late[n + 21300] = t[n];
    e = estimateFrequencyInDetail(test::asBuffer(test::toBytes(late)));
    EXPECT_GT(e.crossingsFound, 0);
    EXPECT_LT(e.crossingsFound, kCrossings);
    EXPECT_EQ(e.noReading, NoReading::OutOfBuffer);
}

// A pluck, level 50 up to sample 19999 and -50 from there to the end: the
// tail averages to a baseline of 0, and the first -50 is a downward crossing.
Samples stepDownAfterPluck()
{
    Samples s(kAnalysisBufferBytes / 2, 0);
    for (std::size_t k = 0; k < 40; ++k)
        s[k] = 30000;
    for (std::size_t k = 250; k < 20000; ++k)
        s[k] = 50 * 256;
    for (std::size_t k = 20000; k < s.size(); ++k)
        s[k] = -50 * 256;
    return s;
}

TEST(EstimateFrequency, SoundThatStaysOnOneSideRunsOutOfBuffer)
{
    const Samples s = stepDownAfterPluck();
    const FrequencyEstimate e = estimateFrequencyInDetail(test::asBuffer(test::toBytes(s)));
    EXPECT_EQ(e.baseline, 0);
    EXPECT_EQ(e.crossingsFound, 1);
    EXPECT_EQ(e.detections[0], 40001u);
    EXPECT_FALSE(e.hz.has_value());
    EXPECT_EQ(e.noReading, NoReading::OutOfBuffer);
}

TEST(EstimateFrequency, AWindowThatNeverLeavesItsSideRunsOutOfBuffer)
{
    // A lone level of 0 at sample 20100 is an upward crossing, but every
    // window after it stays below the baseline: placing it would read past
    // the end of the buffer.
    Samples s = stepDownAfterPluck();
    s[20100] = 0;
    const FrequencyEstimate e = estimateFrequencyInDetail(test::asBuffer(test::toBytes(s)));
    EXPECT_EQ(e.baseline, 0);
    EXPECT_EQ(e.crossingsFound, 1);
    EXPECT_EQ(e.noReading, NoReading::OutOfBuffer);
}

// An early crossing's window can slide past the later detections: then all
// the downward crossings get the same mark and the span is 0.
TEST(EstimateFrequency, ZeroSpanGivesNoReading)
{
    Samples s(kAnalysisBufferBytes / 2, 0);
    for (std::size_t k = 0; k < 450; ++k)
        s[k] = 30000; // level 117; the pluck is found at offset 1
    for (std::size_t k = 300; k <= 420; k += 20)
        s[k] = 0; // a silent sample every 20: a detection, but the windows stay above
    for (std::size_t k = 450; k < 500; ++k)
        s[k] = -30000; // where the downward windows finally turn
    const FrequencyEstimate e = estimateFrequencyInDetail(test::asBuffer(test::toBytes(s)));
    EXPECT_EQ(e.baseline, 0);
    EXPECT_EQ(e.crossingsFound, kCrossings);
    EXPECT_EQ(e.marks[0], e.marks[6]);
    EXPECT_GT(e.marks[0], e.detections[6]); // slid past the last detection
    EXPECT_EQ(e.span, 0);
    EXPECT_FALSE(e.hz.has_value());
    EXPECT_EQ(e.noReading, NoReading::ZeroSpan);
}

} // namespace
} // namespace tensikon
