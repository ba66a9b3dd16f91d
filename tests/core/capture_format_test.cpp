#include "core/capture_format.h"

#include <gtest/gtest.h>

#include "tests/core/signals.h"

namespace tensikon {
namespace {

using test::Bytes;
using test::Samples;

Bytes blockWithSamples(std::initializer_list<std::pair<std::size_t, std::int16_t>> set,
                       std::size_t samples = kCaptureBlockBytes / 2)
{
    Samples s(samples, 0);
    for (auto [k, v] : set)
        s[k] = v;
    return test::toBytes(s);
}

TEST(SampleLevel, IsTheSignedHighByteAndTheFloorOfSampleOver256)
{
    const Bytes b =
        test::toBytes({0, 255, -1, -256, -257, 24576, 24575, -24321, -24320, 32767, -32768});
    const int expected[] = {0, 0, -1, -1, -2, 96, 95, -96, -95, 127, -128};
    for (std::size_t k = 0; k < std::size(expected); ++k)
        EXPECT_EQ(SampleLevel(b, 2 * k + 1), expected[k]) << "sample " << k;
}

TEST(TriggerTest, ThresholdIsLevel96InEitherDirection)
{
    auto three = [](std::int16_t a, std::int16_t b, std::int16_t c) {
        return blockWithSamples({{0, a}, {10, b}, {20, c}}, 30);
    };
    EXPECT_TRUE(TriggerTest(three(24576, 24576, 24576), 1));
    EXPECT_FALSE(TriggerTest(three(24575, 24576, 24576), 1));
    EXPECT_TRUE(TriggerTest(three(-24321, -24321, -24321), 1));
    EXPECT_FALSE(TriggerTest(three(-24320, -24321, -24321), 1));
}

TEST(TriggerTest, NeedsThreeLoudLevelsOfOneSign)
{
    auto levels = [](int a, int b, int c) {
        return blockWithSamples({{0, static_cast<std::int16_t>(a * 256)},
                                 {10, static_cast<std::int16_t>(b * 256)},
                                 {20, static_cast<std::int16_t>(c * 256)}},
                                30);
    };
    EXPECT_TRUE(TriggerTest(levels(100, 100, 100), 1));
    EXPECT_TRUE(TriggerTest(levels(-100, -100, -100), 1));
    EXPECT_FALSE(TriggerTest(levels(100, -100, 100), 1));
    EXPECT_FALSE(TriggerTest(levels(100, 100, 95), 1));
    EXPECT_FALSE(TriggerTest(levels(100, 0, 100), 1));
}

TEST(TriggerTest, SamplesBetweenTheThreePointsDoNotMatter)
{
    Samples s(30, 0);
    s[0] = s[10] = s[20] = 30000;
    s[5] = -30000;
    s[15] = 7;
    EXPECT_TRUE(TriggerTest(test::toBytes(s), 1));
}

TEST(BlockHasPluck, EmptyOrShortBlocksHaveNoOffsetToTest)
{
    Bytes loud(kCaptureBlockBytes, 0x7F);
    EXPECT_FALSE(blockHasPluck(loud, 0));
    EXPECT_FALSE(blockHasPluck(loud, 40));
    EXPECT_TRUE(blockHasPluck(loud, 42)); // bytes 1, 21 and 41 are read
    EXPECT_TRUE(blockHasPluck(loud, kCaptureBlockBytes));
}

TEST(BlockHasPluck, NeverReadsPastTheRecordedBytes)
{
    // Only 42 bytes exist: an ASan build catches any read beyond them.
    const Bytes exact(42, 0x7F);
    EXPECT_TRUE(blockHasPluck(exact, 42));
    // A count larger than the block is held to the block.
    const Bytes quiet(60, 0);
    EXPECT_FALSE(blockHasPluck(quiet, 1u << 30));
    // An odd count does not let the scan read the byte at the count.
    Bytes odd(41, 0x7F);
    EXPECT_FALSE(blockHasPluck(odd, 41));
}

TEST(BlockHasPluck, TheLastScanPointIsSample11000)
{
    Samples lastOnly(kCaptureBlockBytes / 2, 0);
    for (std::size_t k = 11001; k < lastOnly.size(); ++k)
        lastOnly[k] = 30000;
    EXPECT_FALSE(blockHasPluck(test::toBytes(lastOnly), kCaptureBlockBytes));

    const Bytes atEnd = blockWithSamples({{11000, 30000}, {11010, 30000}, {11020, 30000}});
    EXPECT_TRUE(blockHasPluck(atEnd, kCaptureBlockBytes));
    Bytes buffer = atEnd;
    buffer.resize(kAnalysisBufferBytes, 0);
    EXPECT_EQ(findPluck(test::asBuffer(buffer)), 22001u);
}

// Only a full block of exact zeros is digital silence: the lowest bit of any
// one sample (level 0 or -1) is a live input's noise floor.
TEST(BlockIsDigitalSilence, IsAFullBlockOfExactZeros)
{
    EXPECT_TRUE(blockIsDigitalSilence(Bytes(kCaptureBlockBytes, 0), kCaptureBlockBytes));
    for (std::int16_t faint : {1, -1, 256}) {
        EXPECT_FALSE(blockIsDigitalSilence(blockWithSamples({{11024, faint}}), kCaptureBlockBytes))
            << faint;
    }
    EXPECT_FALSE(blockIsDigitalSilence(Bytes(kCaptureBlockBytes, 0), 2000)) << "cut short";
    EXPECT_FALSE(blockIsDigitalSilence(Bytes(100, 0), kCaptureBlockBytes)) << "never read past";
}

TEST(FindPluck, FindsTheFirstScannedOffsetOrNothing)
{
    const Bytes zero(kAnalysisBufferBytes, 0);
    EXPECT_FALSE(findPluck(test::asBuffer(zero)).has_value());

    const Bytes atOne =
        test::bufferOf({30000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30000});
    EXPECT_EQ(findPluck(test::asBuffer(atOne)), 1u);

    // The last offset tested is 44041: its third level is at byte 44081.
    Samples late(kAnalysisBufferBytes / 2, 0);
    late[22020] = late[22030] = late[22040] = -30000;
    EXPECT_EQ(findPluck(test::asBuffer(test::toBytes(late))), 44041u);
    Samples tooLate(kAnalysisBufferBytes / 2, 0);
    tooLate[22030] = tooLate[22040] = tooLate[22049] = -30000;
    EXPECT_FALSE(findPluck(test::asBuffer(test::toBytes(tooLate))).has_value());
}

// The live scan fires in the pluck's block; the estimator's scan of the
// buffer that starts with that block must find the same offset.
TEST(FindPluck, ReturnsTheOffsetWhereTheLiveScanFired)
{
    for (double hz : {60.0, 80.0, 110.0, 140.0, 160.0, 210.0, 250.0}) {
        for (std::size_t delay : {0u, 3u, 7u, 5000u, 10990u}) {
            Samples s(kAnalysisBufferBytes / 2, 0);
            const Samples t = test::tone(hz, true);
            for (std::size_t n = 0; n + delay < s.size(); ++n)
                s[n + delay] = t[n];
            const Bytes buffer = test::toBytes(s);
            const std::span<const std::uint8_t> block(buffer.data(), kCaptureBlockBytes);
            std::optional<std::size_t> fired;
            for (std::size_t p = 1; p + 40 <= kCaptureBlockBytes && !fired; p += 20) {
                if (TriggerTest(block, p))
                    fired = p;
            }
            EXPECT_EQ(fired.has_value(), blockHasPluck(block, kCaptureBlockBytes));
            if (fired) {
                EXPECT_EQ(findPluck(test::asBuffer(buffer)), fired) << hz << " Hz, delay " << delay;
            }
        }
    }
}

} // namespace
} // namespace tensikon
