#include "tools/analyze/recording_scan.h"

#include <gtest/gtest.h>

#include "tests/core/signals.h"

namespace tensikon {
namespace {

using test::Bytes;
using test::Samples;

constexpr std::size_t kBlockSamples = kCaptureBlockBytes / 2;

// `blocks` blocks of silence with the samples of `sound` laid in from
// sample `at` (cut off at the end).
Samples withSoundAt(std::size_t blocks, std::size_t at, const Samples& sound)
{
    Samples s(blocks * kBlockSamples, 0);
    for (std::size_t n = 0; n < sound.size() && at + n < s.size(); ++n)
        s[at + n] = sound[n];
    return s;
}

// Three loud samples ten apart: the smallest pluck.
const Samples kClick{30000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30000};

FrequencyEstimate estimateOf(const Bytes& pcm, std::size_t block)
{
    return estimateFrequencyInDetail(
        std::span(pcm).subspan(block * kCaptureBlockBytes).first<kAnalysisBufferBytes>());
}

TEST(ScanRecording, APluckAtTheStartIsTheWorkedExample)
{
    const Bytes pcm = test::toBytes(withSoundAt(4, 0, test::tone(140, true)));
    const auto captures = scanRecording(pcm, false);
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(captures[0].pluckBlock, 0u);
    EXPECT_EQ(captures[0].seconds, 0.0);
    EXPECT_FALSE(captures[0].tooCloseToEnd);
    EXPECT_EQ(captures[0].estimate.pluckOffset, 101u);
    EXPECT_EQ(captures[0].estimate.span, 1890);
    EXPECT_EQ(captures[0].estimate.hz, 140);
}

TEST(ScanRecording, TheBufferStartsWithThePlucksBlockNotThePluck)
{
    // The tone starts 5000 samples into block 3: the buffer is blocks 3 and
    // 4, and the pluck lies inside it, as the live capture would have it.
    const Bytes pcm =
        test::toBytes(withSoundAt(8, 3 * kBlockSamples + 5000, test::tone(110, true)));
    const auto captures = scanRecording(pcm, false);
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(captures[0].pluckBlock, 3u);
    EXPECT_EQ(captures[0].seconds, 0.75);
    const FrequencyEstimate expected = estimateOf(pcm, 3);
    EXPECT_EQ(captures[0].estimate.pluckOffset, expected.pluckOffset);
    EXPECT_GE(*captures[0].estimate.pluckOffset, 10001u);
    EXPECT_EQ(captures[0].estimate.hz, expected.hz);
    EXPECT_EQ(captures[0].estimate.hz, 110);
}

TEST(ScanRecording, APluckAcrossABlockBoundaryIsFoundInTheNextBlock)
{
    // Loud from sample 11001 of block 1: its three points would need samples
    // past the block, so the live scan finds the pluck in block 2.
    const Bytes pcm = test::toBytes(withSoundAt(5, kBlockSamples + 11001, Samples(200, 30000)));
    const auto captures = scanRecording(pcm, false);
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(captures[0].pluckBlock, 2u);
}

TEST(ScanRecording, SilenceAndShortRecordingsHaveNoCapture)
{
    EXPECT_TRUE(scanRecording({}, true).empty());
    EXPECT_TRUE(scanRecording(Bytes(5 * kCaptureBlockBytes, 0), true).empty());
    // A last block of 40 bytes has no offset to test, even if it is loud.
    Bytes pcm(2 * kCaptureBlockBytes, 0);
    const Bytes loud = test::toBytes(Samples(20, 30000));
    pcm.insert(pcm.end(), loud.begin(), loud.end());
    EXPECT_TRUE(scanRecording(pcm, true).empty());
}

TEST(ScanRecording, APluckWithoutAFullBlockAfterItIsTooCloseToTheEnd)
{
    // In the last full block.
    Bytes pcm = test::toBytes(withSoundAt(3, 2 * kBlockSamples, kClick));
    auto captures = scanRecording(pcm, true);
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(captures[0].pluckBlock, 2u);
    EXPECT_TRUE(captures[0].tooCloseToEnd);
    EXPECT_FALSE(captures[0].estimate.hz);

    // Followed by a block one sample short of full.
    pcm.resize(pcm.size() + kCaptureBlockBytes - 2, 0);
    captures = scanRecording(pcm, true);
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_TRUE(captures[0].tooCloseToEnd);

    // One more sample and the buffer is complete.
    pcm.resize(pcm.size() + 2, 0);
    captures = scanRecording(pcm, true);
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_FALSE(captures[0].tooCloseToEnd);
}

TEST(ScanRecording, ALastPartialBlockIsScannedAsFarAsItGoes)
{
    // 42 bytes are enough for one test at offset 1 of the short block.
    Bytes pcm(3 * kCaptureBlockBytes, 0);
    const Bytes click = test::toBytes(kClick);
    pcm.insert(pcm.end(), click.begin(), click.end());
    ASSERT_EQ(pcm.size() % kCaptureBlockBytes, 42u);
    const auto captures = scanRecording(pcm, true);
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(captures[0].pluckBlock, 3u);
    EXPECT_TRUE(captures[0].tooCloseToEnd);

    // An odd byte count (a broken recording) is scanned without reading past it.
    pcm.push_back(0x7F);
    EXPECT_EQ(scanRecording(pcm, true).size(), 1u);
}

TEST(ScanRecording, AllGoesOnAfterEachBufferAndFirstStopsAtOne)
{
    // Plucks in blocks 0, 1, 2, 5, 6 and 9: blocks 1 and 6 lie inside the
    // buffers of the plucks before them, so the scan resumes after them.
    Samples s(12 * kBlockSamples, 0);
    for (std::size_t block : {0, 1, 2, 5, 6, 9}) {
        const Samples t = test::tone(80 + 20.0 * static_cast<double>(block), true,
                                     test::Rounding::Nearest, kBlockSamples);
        std::copy(t.begin(), t.end(),
                  s.begin() + static_cast<std::ptrdiff_t>(block * kBlockSamples));
    }
    const Bytes pcm = test::toBytes(s);
    const auto all = scanRecording(pcm, true);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].pluckBlock, 0u);
    EXPECT_EQ(all[1].pluckBlock, 2u);
    EXPECT_EQ(all[2].pluckBlock, 5u);
    EXPECT_EQ(all[2].seconds, 1.25);
    EXPECT_EQ(all[3].pluckBlock, 9u);
    for (const RecordingCapture& c : all) {
        EXPECT_FALSE(c.tooCloseToEnd);
        EXPECT_EQ(c.estimate.hz, estimateOf(pcm, c.pluckBlock).hz);
    }
    EXPECT_EQ(all[0].estimate.hz, 80);
    const auto first = scanRecording(pcm, false);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].pluckBlock, 0u);

    // A hold time passes over blocks after each buffer: 0.5 s (2 blocks)
    // skips blocks 2-3 and 7-8, 1 s (4 blocks) skips 2-5 and 8-11.
    for (const auto& [hold, blocks] : {std::pair{2u, std::vector<std::size_t>{0, 5, 9}},
                                       std::pair{4u, std::vector<std::size_t>{0, 6}}}) {
        std::vector<std::size_t> found;
        for (const RecordingCapture& c : scanRecording(pcm, true, hold))
            found.push_back(c.pluckBlock);
        EXPECT_EQ(found, blocks) << "hold of " << hold << " blocks";
    }
}

// Pieces of any size, as a file is read, give what the whole recording gives;
// the sizes cut blocks and buffers at every kind of place.
TEST(RecordingScanner, PiecesOfAnySizeGiveTheSameCaptures)
{
    Samples s(14 * kBlockSamples, 0);
    for (std::size_t at : {std::size_t{100}, 3 * kBlockSamples + 7000, 6 * kBlockSamples + 10990,
                           13 * kBlockSamples + 500}) {
        const Samples t = test::tone(140, true, test::Rounding::Nearest, 2000);
        std::copy(t.begin(), t.end(), s.begin() + static_cast<std::ptrdiff_t>(at));
    }
    const Bytes pcm = test::toBytes(s);
    const auto whole = scanRecording(pcm, true);
    ASSERT_EQ(whole.size(), 4u);
    EXPECT_TRUE(whole[3].tooCloseToEnd);
    const auto held = scanRecording(pcm, true, 2);
    ASSERT_EQ(held.size(), 3u); // the pluck in block 3 lies in the hold after block 0's buffer
    for (const std::size_t size :
         {1u, 2u, 41u, 1000u, 22049u, 22050u, 22051u, 44099u, 44100u, 65536u}) {
        RecordingScanner holding(true, 2);
        for (std::size_t at = 0; at < pcm.size(); at += size)
            holding.feed(std::span(pcm).subspan(at, std::min(size, pcm.size() - at)));
        holding.finish();
        ASSERT_EQ(holding.captures().size(), held.size()) << "pieces of " << size;
        for (std::size_t i = 0; i < held.size(); ++i)
            EXPECT_EQ(holding.captures()[i].pluckBlock, held[i].pluckBlock);

        RecordingScanner scanner(true);
        for (std::size_t at = 0; at < pcm.size(); at += size)
            scanner.feed(std::span(pcm).subspan(at, std::min(size, pcm.size() - at)));
        scanner.finish();
        ASSERT_EQ(scanner.captures().size(), whole.size()) << "pieces of " << size;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(scanner.captures()[i].pluckBlock, whole[i].pluckBlock)
                << "pieces of " << size;
            EXPECT_EQ(scanner.captures()[i].tooCloseToEnd, whole[i].tooCloseToEnd);
            EXPECT_EQ(scanner.captures()[i].estimate.pluckOffset, whole[i].estimate.pluckOffset);
            EXPECT_EQ(scanner.captures()[i].estimate.hz, whole[i].estimate.hz);
        }
    }
}

TEST(RecordingScanner, WithoutAllItIsDoneAtTheFirstCaptureAndIgnoresMore)
{
    Samples s = test::tone(140, true);
    s.resize(8 * kBlockSamples, 0);
    std::copy(kClick.begin(), kClick.end(), s.begin() + 5 * kBlockSamples);
    const Bytes pcm = test::toBytes(s);
    RecordingScanner scanner(false);
    scanner.feed(std::span(pcm).first(kAnalysisBufferBytes - 1));
    EXPECT_FALSE(scanner.done());
    scanner.feed(std::span(pcm).subspan(kAnalysisBufferBytes - 1, 1));
    EXPECT_TRUE(scanner.done());
    scanner.feed(std::span(pcm).subspan(kAnalysisBufferBytes));
    scanner.finish();
    ASSERT_EQ(scanner.captures().size(), 1u);
    EXPECT_EQ(scanner.captures()[0].estimate.hz, 140);
}

TEST(ScanRecording, BlockTimesAreQuarterSeconds)
{
    EXPECT_EQ(blockStartSeconds(0), 0.0);
    EXPECT_EQ(blockStartSeconds(4), 1.0);
    EXPECT_EQ(blockStartSeconds(2401), 600.25);
}

} // namespace
} // namespace tensikon
