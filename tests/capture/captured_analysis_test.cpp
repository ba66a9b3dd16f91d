// A belt's sound captured through the recorder and the capture thread is
// analysed exactly as the same sound laid out by hand: the pluck's block
// followed by the next one.
#include <gtest/gtest.h>

#include "core/frequency_estimator.h"
#include "tests/capture/capture_fixture.h"
#include "tests/core/signals.h"

namespace tensikon::test {
namespace {

class CapturedAnalysis : public CaptureTest {};

// 0.6 s of silence, then a decaying 140 Hz tone: the pluck falls into the
// third block, 8 820 bytes (0.1 s) into it.
Bytes recordingOfAPluck(double hz)
{
    const std::size_t silence = 26460; // samples
    Samples samples(silence, 0);
    const Samples ring = tone(hz, true);
    samples.insert(samples.end(), ring.begin(), ring.end());
    return toBytes(samples);
}

TEST_F(CapturedAnalysis, CapturedBufferGivesTheEstimateOfTheSameSound)
{
    const Bytes sound = recordingOfAPluck(140.0);
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    // The device fills its blocks with the sound in order, as fast as the
    // capture gives them back, until the capture holds two.
    std::size_t delivered = 0;
    while ((delivered + 1) * kCaptureBlockBytes <= sound.size()) {
        ASSERT_TRUE(
            waitUntil([&] { return device_.queuedBlocks() > 0 || captureBlockCount() == 2; }));
        if (captureBlockCount() == 2) {
            break;
        }
        const auto begin =
            sound.begin() + static_cast<std::ptrdiff_t>(delivered * kCaptureBlockBytes);
        ASSERT_TRUE(device_.deliver(Bytes(begin, begin + kCaptureBlockBytes)).has_value());
        ++delivered;
    }
    ASSERT_TRUE(waitUntil([&] { return captureBlockCount() == 2; }));
    ASSERT_EQ(delivered, 4u) << "the block after the pluck's completes the capture";
    ASSERT_EQ(takeCaptureDone(), 1);
    stopRecording(panel_);

    const auto pluckBlockStart = sound.begin() + 2 * kCaptureBlockBytes;
    const Bytes byHand(pluckBlockStart, pluckBlockStart + kAnalysisBufferBytes);
    ASSERT_EQ(buffer(), byHand);
    const auto captured = estimateFrequency(asBuffer(buffer()));
    ASSERT_TRUE(captured.has_value());
    EXPECT_EQ(captured, estimateFrequency(asBuffer(byHand)));
    EXPECT_NEAR(*captured, 140, 2);
}

} // namespace
} // namespace tensikon::test
