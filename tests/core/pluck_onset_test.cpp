#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/pluck_onset.h"
#include "core/ring_down.h"
#include "core/shown_reading.h"
#include "tests/core/plucked.h"

namespace tensikon {
namespace {

using test::Bytes;

// Two blocks of hiss, then a block whose samples from `at` on follow `sound`.
std::vector<Bytes> recording(double hiss, std::size_t at, double (*sound)(std::size_t))
{
    std::vector<Bytes> blocks;
    std::uint32_t seed = 3;
    for (int b = 0; b < 3; ++b) {
        test::Samples s(kCaptureBlockBytes / 2);
        for (std::size_t n = 0; n < s.size(); ++n) {
            seed = seed * 1664525u + 1013904223u;
            double v = hiss * (static_cast<double>(seed >> 8) / 8388608.0 - 1.0);
            if (b == 2 && n >= at)
                v += sound(n - at);
            s[n] = static_cast<std::int16_t>(std::clamp(std::round(v), -32768.0, 32767.0));
        }
        blocks.push_back(test::toBytes(s));
    }
    return blocks;
}

BlockOnset lastOf(const std::vector<Bytes>& blocks, PluckOnsetDetector& d)
{
    BlockOnset last;
    for (const Bytes& b : blocks)
        last = d.scan(b, b.size());
    return last;
}

double quietPluck(std::size_t n) // peaks at -20 dBFS, far below the level test
{
    return 3270 * std::exp(-static_cast<double>(n) / 11025.0) *
           std::cos(2 * std::numbers::pi * 110 * n / 44100.0);
}
double swell(std::size_t n) // the same level, reached over a quarter of a second
{
    return 3270 * std::min(1.0, static_cast<double>(n) / 11025.0) *
           std::sin(2 * std::numbers::pi * 110 * n / 44100.0);
}
double distantKnock(std::size_t n) // a sharp rise that stays under -30 dBFS
{
    return n < 2000 ? 600.0 * std::cos(2 * std::numbers::pi * 300 * n / 44100.0) : 0.0;
}
double knock(std::size_t n) // as loud as the pluck, but gone within 4 ms
{
    return 3270 * std::exp(-static_cast<double>(n) / 40.0) *
           std::cos(2 * std::numbers::pi * 900 * n / 44100.0);
}

TEST(PluckOnset, AQuietPluckFiresWhereItStartsAndOnlyThere)
{
    PluckOnsetDetector d;
    const auto blocks = recording(30, 5000, quietPluck);
    EXPECT_FALSE(d.scan(blocks[0], blocks[0].size()).offset); // the background alone
    const BlockOnset onset = lastOf({blocks[1], blocks[2]}, d);
    ASSERT_TRUE(onset.offset);
    EXPECT_EQ(*onset.offset % 2, 1u);
    EXPECT_NEAR(static_cast<double>(*onset.offset / 2), 5000.0, kOnsetFrameSamples);
    EXPECT_NEAR(peakDbfs(onset.peak), -20.0, 0.5);
    EXPECT_FALSE(pluckInBlock(blocks[2], blocks[2].size())); // the level test misses it
    EXPECT_EQ(automaticPluck(onset), onset.offset);

    PluckOnsetDetector fresh; // the first block of a recording is only background
    EXPECT_FALSE(fresh.scan(blocks[2], blocks[2].size()).offset);
}

TEST(PluckOnset, SwellsAndKnocksAreNoPluck)
{
    for (auto* sound : {swell, distantKnock, knock}) {
        PluckOnsetDetector d;
        EXPECT_FALSE(lastOf(recording(30, 5000, sound), d).offset);
    }
}

// A rise in the last frames of a block is held by the next block's first
// frames: that block is the pluck's, from its start.
TEST(PluckOnset, ARiseAtTheEndOfABlockIsTheNextBlocksPluck)
{
    const std::size_t late = kCaptureBlockBytes / 2 - 2 * kOnsetFrameSamples;
    auto blocks = recording(30, late, quietPluck);
    const auto next = recording(30, 0, [](std::size_t n) { return quietPluck(n + 2 * 245); });
    blocks.push_back(next[2]);
    PluckOnsetDetector d;
    EXPECT_FALSE(lastOf({blocks[0], blocks[1], blocks[2]}, d).offset);
    EXPECT_EQ(d.scan(blocks[3], blocks[3].size()).offset, kFirstScanOffset);
}

// The level test counts in automatic mode, unless the background already
// held it: then noise alone trips it.
TEST(PluckOnset, TheLevelTestCountsOverAQuietBackgroundOnly)
{
    const auto quiet = recording(30, 0, [](std::size_t) { return 0.0; });
    const Bytes loud = test::plucked(140, 3000, 0.3);
    const std::span block(loud.data(), kCaptureBlockBytes);
    PluckOnsetDetector d;
    lastOf({quiet[0], quiet[1]}, d);
    const BlockOnset heard = d.scan(block, block.size());
    EXPECT_EQ(heard.level, pluckInBlock(block, block.size()));
    EXPECT_EQ(automaticPluck(heard), std::min(heard.level, heard.offset));
    EXPECT_EQ(automaticPluck({std::size_t{1001}, std::size_t{3001}, 0}), 1001u);

    const auto roar = recording(60000, 0, [](std::size_t) { return 0.0; }); // clipped noise
    PluckOnsetDetector noisy;
    EXPECT_TRUE(pluckInBlock(roar[2], roar[2].size()));
    EXPECT_FALSE(lastOf(roar, noisy).level);

    // Three clipped samples in loud noise that never held the test: no rise.
    const auto peaks =
        recording(20000, 5000, [](std::size_t n) { return n % 10 || n > 20 ? 0 : 5e4; });
    PluckOnsetDetector lone;
    EXPECT_TRUE(pluckInBlock(peaks[2], peaks[2].size()));
    EXPECT_FALSE(automaticPluck(lastOf(peaks, lone)));
}

// Over a buzzing hum a low note's frames dip with their beat; over whole
// periods of the hum the note stands clear.
TEST(PluckOnset, ALowNoteOverSteadyHumFires)
{
    const std::size_t block = samplesIn(kCaptureBlockBytes), at = 2 * block + 5000;
    test::Samples s(3 * block);
    for (std::size_t n = 0; n < s.size(); ++n) {
        const double w = 2 * std::numbers::pi / 44100.0, x = static_cast<double>(n);
        const double note = std::exp((at - x) / 44100.0) * std::sin(w * 62 * (x - at));
        s[n] = static_cast<std::int16_t>(3000 * std::pow(std::sin(w * 60 * x), 7) +
                                         (n < at ? 0 : 4000 * note));
    }
    const Bytes all = test::toBytes(s);
    PluckOnsetDetector d;
    BlockOnset onset;
    for (std::size_t b = 0; b < 3; ++b)
        onset = d.scan(std::span(all).subspan(b * kCaptureBlockBytes), kCaptureBlockBytes);
    ASSERT_TRUE(onset.offset);
    EXPECT_NEAR(static_cast<double>(*onset.offset / 2), 5000.0, kOnsetFrameSamples);
}

// Speech, machines and hum fire the pluck tests too; they do not ring down.
TEST(RingDown, OnlyASoundThatDiesAwayIsABelt)
{
    const Bytes belt = test::plucked(140, 3000, 0.3, 200);
    const auto shapeOf = [](const Bytes& b) {
        const Measurement m = measureCapture(test::asBuffer(b));
        return std::pair{m.shape, m.shown.hz.has_value()};
    };
    EXPECT_EQ(shapeOf(belt), std::pair(SoundShape::RingsDown, true));

    // Hum loud enough to fire the level test, with a little hiss.
    test::Samples hum(kAnalysisBufferBytes / 2);
    for (std::size_t n = 0; n < hum.size(); ++n) {
        const double t = static_cast<double>(n) / 44100.0;
        hum[n] =
            static_cast<std::int16_t>(24000 * (std::sin(2 * std::numbers::pi * 50 * t) -
                                               0.3 * std::sin(2 * std::numbers::pi * 150 * t)) +
                                      static_cast<double>(n * 7919 % 201) - 100);
    }
    EXPECT_EQ(shapeOf(test::toBytes(hum)), std::pair(SoundShape::Hum, false));

    // A word: a pitched sound that stops dead after 0.15 s, then another.
    test::Samples word(kAnalysisBufferBytes / 2, 0);
    for (std::size_t n = 0; n < word.size(); ++n) {
        const bool voiced = (n >= 3000 && n < 9600) || n >= 16000;
        word[n] = static_cast<std::int16_t>(
            voiced ? 28000 * std::sin(2 * std::numbers::pi * 120 * n / 44100.0) : 0);
    }
    EXPECT_EQ(shapeOf(test::toBytes(word)), std::pair(SoundShape::NoRing, false));
}

} // namespace
} // namespace tensikon
