#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/capture_format.h"
#include "tools/accuracy/accuracy_corpus.h"
#include "tools/accuracy/accuracy_report.h"
#include "tools/accuracy/reference_estimator.h"

namespace tensikon::bench {
namespace {

TEST(AccuracyCorpus, IsTheSameEveryTimeAndCoversEveryCell)
{
    const auto a = makeCorpus(3, 7);
    const auto b = makeCorpus(3, 7);
    ASSERT_EQ(a.size(), 4u * 4u * 3u);
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].hz, b[i].hz);
        EXPECT_EQ(a[i].noiseSeed, b[i].noiseSeed);
        EXPECT_EQ(a[i].id, static_cast<int>(i));
    }
    EXPECT_EQ(recordingOf(a[5]), recordingOf(b[5]));
    EXPECT_NE(makeCorpus(3, 8)[0].hz, a[0].hz);
    for (const Pluck& p : a) {
        EXPECT_GE(p.decaySeconds, 0.05);
        EXPECT_LE(p.decaySeconds, 0.5);
    }
    // Ordered by noise level, then band.
    EXPECT_EQ(a.front().snrDb, 40);
    EXPECT_GE(a.front().hz, 60);
    EXPECT_LT(a.front().hz, 100);
    EXPECT_EQ(a.back().snrDb, 10);
    EXPECT_GE(a.back().hz, 200);
}

TEST(AccuracyCorpus, NoiseHasTheStatedLevelAndThePluckItsPeak)
{
    Pluck p = makeCorpus(1, 3)[8]; // 20 dB
    ASSERT_EQ(p.snrDb, 20);
    const auto quiet = recordingOf(p);
    p.snrDb = 200; // practically no noise
    const auto clean = recordingOf(p);
    double peak = 0;
    for (std::size_t n = p.leadInSamples; n < clean.size(); ++n) {
        peak = std::max(peak, std::fabs(static_cast<double>(clean[n])));
    }
    EXPECT_NEAR(peak, p.peak, 1.0);
    // The lead-in is noise only: its power against the pluck's onset power.
    double noisePower = 0;
    for (std::size_t n = 0; n < p.leadInSamples; ++n) {
        noisePower += static_cast<double>(quiet[n]) * quiet[n];
    }
    noisePower /= static_cast<double>(p.leadInSamples);
    double onsetPower = 0;
    const auto period = static_cast<std::size_t>(44100 / p.hz);
    for (std::size_t n = 0; n < period; ++n) {
        onsetPower += static_cast<double>(clean[p.leadInSamples + n]) * clean[p.leadInSamples + n];
    }
    onsetPower /= static_cast<double>(period);
    // Within a dB: the first period has decayed a little already.
    EXPECT_NEAR(10 * std::log10(onsetPower / noisePower), 20.0, 1.0);
}

TEST(AccuracyCorpus, CaptureIsThePluckBlockAndTheNextAsTheLiveScanFindsThem)
{
    int captured = 0;
    const auto corpus = makeCorpus(4, 11);
    for (const Pluck& p : corpus) {
        const auto recording = recordingOf(p);
        const auto capture = captureOf(recording);
        if (!capture) {
            continue; // strong noise can keep a short pluck from three loud samples
        }
        ++captured;
        const std::size_t onsetBlock = p.leadInSamples / (kCaptureBlockBytes / 2);
        // The test fires in the onset's block, or in the next when the onset
        // comes too late in its block for three loud samples.
        EXPECT_GE(capture->blockIndex, onsetBlock);
        EXPECT_LE(capture->blockIndex, onsetBlock + 1);
        const auto bytes = littleEndianBytes(recording);
        const auto first = capture->blockIndex * kCaptureBlockBytes;
        ASSERT_EQ(capture->buffer.size(), kAnalysisBufferBytes);
        EXPECT_TRUE(std::equal(capture->buffer.begin(), capture->buffer.end(),
                               bytes.begin() + static_cast<std::ptrdiff_t>(first)));
    }
    EXPECT_GE(captured, static_cast<int>(corpus.size()) * 9 / 10);
}

TEST(AccuracyCorpus, EveryPluckFiresThePluckTestWithoutNoise)
{
    for (Pluck p : makeCorpus(10, 5)) {
        p.snrDb = 200;
        EXPECT_TRUE(captureOf(recordingOf(p))) << p.hz << " Hz, decay " << p.decaySeconds;
    }
}

std::vector<std::uint8_t> steadyTone(double hz, double amplitude)
{
    std::vector<std::int16_t> samples(kAnalysisBufferBytes / 2);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        samples[n] = static_cast<std::int16_t>(std::round(
            amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(n) / 44100)));
    }
    return littleEndianBytes(samples);
}

TEST(ReferenceEstimator, FindsASteadyToneWithinAHundredthOfAHertz)
{
    for (double hz : {61.3, 123.4, 249.9, 480.0}) {
        const auto bytes = steadyTone(hz, 20000);
        const auto found = fftPeakFrequency(AnalysisBuffer(bytes.data(), kAnalysisBufferBytes));
        ASSERT_TRUE(found);
        EXPECT_NEAR(*found, hz, 0.01);
    }
}

TEST(ReferenceEstimator, GivesNoReadingForSilence)
{
    const std::vector<std::uint8_t> silence(kAnalysisBufferBytes, 0);
    EXPECT_FALSE(fftPeakFrequency(AnalysisBuffer(silence.data(), kAnalysisBufferBytes)));
}

TEST(AubioReading, IsTheMedianOfPitchedFramesFromThePluckOn)
{
    const std::string output = "0.000 300.0\n0.010 0.0\n0.020 101.0\n0.030 99.0\n0.040 100.0\n";
    EXPECT_DOUBLE_EQ(*aubioReading(output, 0.015), 100.0);
    EXPECT_DOUBLE_EQ(*aubioReading(output, 0.025), 99.5);
    EXPECT_FALSE(aubioReading(output, 0.05));
    EXPECT_FALSE(aubioReading("0.0 0.0\n", 0.0));
}

TEST(AccuracySummary, CountsMissingAndFarReadingsAsFailures)
{
    std::vector<Outcome> outcomes;
    const double readings[] = {100.4, 99.0, 106.0, 0.0}; // 0: no reading
    for (double r : readings) {
        Outcome o;
        o.pluck.hz = 100.0;
        o.pluck.snrDb = 30;
        o.triggered = true;
        if (r > 0) {
            o.hz[kTensikon] = r;
        }
        outcomes.push_back(o);
    }
    const Summary s = summarize(outcomes, kTensikon, 30.0, 60, 250);
    EXPECT_EQ(s.plucks, 4);
    EXPECT_EQ(s.readings, 3);
    EXPECT_EQ(s.failures, 2);
    EXPECT_NEAR(s.median, 1.0, 1e-9);
    EXPECT_NEAR(s.max, 6.0, 1e-9);
    EXPECT_EQ(summarize(outcomes, kTensikon, 40.0, 60, 250).plucks, 0);
}

} // namespace
} // namespace tensikon::bench
