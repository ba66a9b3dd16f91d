#include "core/recording_scan.h"

#include <algorithm>

namespace tensikon {

namespace {

constexpr double kBytesPerSecond = 2.0 * kSampleRate;

std::size_t blockCount(std::span<const std::uint8_t> pcm)
{
    return (pcm.size() + kCaptureBlockBytes - 1) / kCaptureBlockBytes;
}

// The index of the first block at or after `from` in which blockHasPluck
// fires, or blockCount when none does.
std::size_t nextPluckBlock(std::span<const std::uint8_t> pcm, std::size_t from)
{
    const std::size_t blocks = blockCount(pcm);
    for (std::size_t b = from; b < blocks; ++b) {
        const std::size_t start = b * kCaptureBlockBytes;
        const std::size_t count = std::min(kCaptureBlockBytes, pcm.size() - start);
        if (blockHasPluck(pcm.subspan(start, count), count))
            return b;
    }
    return blocks;
}

RecordingCapture captureAt(std::span<const std::uint8_t> pcm, std::size_t block)
{
    RecordingCapture capture;
    capture.pluckBlock = block;
    capture.seconds = blockStartSeconds(block);
    const std::size_t start = block * kCaptureBlockBytes;
    if (pcm.size() - start < kAnalysisBufferBytes) {
        capture.tooCloseToEnd = true;
        return capture;
    }
    capture.estimate = estimateFrequencyInDetail(pcm.subspan(start).first<kAnalysisBufferBytes>());
    return capture;
}

} // namespace

double blockStartSeconds(std::size_t index)
{
    return static_cast<double>(index * kCaptureBlockBytes) / kBytesPerSecond;
}

std::vector<RecordingCapture> scanRecording(std::span<const std::uint8_t> pcm, bool all)
{
    std::vector<RecordingCapture> captures;
    const std::size_t blocks = blockCount(pcm);
    std::size_t from = 0;
    while (from < blocks) {
        const std::size_t block = nextPluckBlock(pcm, from);
        if (block == blocks)
            break;
        captures.push_back(captureAt(pcm, block));
        if (!all || captures.back().tooCloseToEnd)
            break;
        from = block + 2; // the two blocks of the buffer are used up
    }
    return captures;
}

} // namespace tensikon
