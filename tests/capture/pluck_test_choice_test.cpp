// The capture thread with either pluck test: a pluck far under the level
// test's threshold after a second of hiss.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <iterator>

#include "tests/capture/capture_fixture.h"

namespace tensikon::test {
namespace {

class PluckTestChoice : public CaptureTest {
  protected:
    void TearDown() override
    {
        choosePluckTest(PluckTest::Level); // as at every start
        CaptureTest::TearDown();
    }
};

// Hiss of a few steps; from sample `at` on (before the block when negative),
// a 140 Hz pluck peaking at -20 dBFS.
Bytes soundBlock(std::ptrdiff_t at)
{
    Bytes b(kCaptureBlockBytes);
    for (std::ptrdiff_t k = 0; k < std::ssize(b) / 2; ++k) {
        double v = static_cast<double>(k * 7919 % 61) - 30;
        if (k >= at)
            v += 3270 * std::exp(-static_cast<double>(k - at) / 11025.0) *
                 std::cos(2 * 3.14159265358979 * 140 * static_cast<double>(k - at) / 44100.0);
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v)));
        b[2 * k] = static_cast<std::uint8_t>(u & 0xFF);
        b[2 * k + 1] = static_cast<std::uint8_t>(u >> 8);
    }
    return b;
}

TEST_F(PluckTestChoice, LevelHearsTheQuietPluckAutomaticTakesIt)
{
    const Bytes hiss = soundBlock(kCaptureBlockBytes), pluck = soundBlock(6000);
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    for (const Bytes* block : {&hiss, &hiss, &pluck})
        deliverAndWaitRequeue(*block);
    EXPECT_TRUE(heardInput().pluckBelowLevel);
    EXPECT_NEAR(heardInput().peak, 3270, 40);
    stopRecording(panel_);
    takeCaptureDone();

    choosePluckTest(PluckTest::Automatic);
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    EXPECT_FALSE(heardInput().pluckBelowLevel); // each recording starts afresh
    deliverAndWaitRequeue(hiss);
    deliverAndWaitRequeue(hiss);
    deliverAndWaitRetained(pluck, 1);
    ASSERT_TRUE(capturedPluckOffset());
    EXPECT_NEAR(static_cast<double>(*capturedPluckOffset() / 2), 6000.0, kOnsetFrameSamples);
    stopRecording(panel_);
    EXPECT_EQ(takeCaptureDone(), 1);
}

// A pluck in the last frames of a block is taken once the next block's
// first frames hold it: that block is the pluck's, from its start.
TEST_F(PluckTestChoice, APluckAtTheEndOfABlockIsTakenWithTheNextBlock)
{
    const std::ptrdiff_t samples = kCaptureBlockBytes / 2, late = samples - 300;
    const Bytes hiss = soundBlock(samples), pluck = soundBlock(late),
                rest = soundBlock(late - samples);
    choosePluckTest(PluckTest::Automatic);
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    for (const Bytes* block : {&hiss, &hiss, &pluck})
        deliverAndWaitRequeue(*block);
    deliverAndWaitRetained(rest, 1);
    EXPECT_EQ(capturedPluckOffset(), kFirstScanOffset);
    stopRecording(panel_);
    EXPECT_EQ(takeCaptureDone(), 1);
}

} // namespace
} // namespace tensikon::test
