#include "core/capture_format.h"

#include <algorithm>

namespace tensikon {

namespace {

bool isLoud(int level, bool positive)
{
    return positive ? level >= kTriggerLevel : level <= -kTriggerLevel;
}

// Tests p, p + 20, ... while the third level of the test stays below `end`.
std::optional<std::size_t> scan(std::span<const std::uint8_t> bytes, std::size_t end,
                                std::size_t lastOffset)
{
    for (std::size_t p = kFirstScanOffset; p <= lastOffset && p + 2 * kTriggerStride < end;
         p += kScanStep) {
        if (TriggerTest(bytes, p))
            return p;
    }
    return std::nullopt;
}

} // namespace

bool TriggerTest(std::span<const std::uint8_t> bytes, std::size_t p)
{
    const int first = SampleLevel(bytes, p);
    if (first < kTriggerLevel && first > -kTriggerLevel)
        return false;
    const bool positive = first > 0;
    return isLoud(SampleLevel(bytes, p + kTriggerStride), positive) &&
           isLoud(SampleLevel(bytes, p + 2 * kTriggerStride), positive);
}

bool blockHasPluck(std::span<const std::uint8_t> block, std::size_t recordedBytes)
{
    return pluckInBlock(block, recordedBytes).has_value();
}

std::optional<std::size_t> pluckInBlock(std::span<const std::uint8_t> block,
                                        std::size_t recordedBytes)
{
    // The rule "offset + 40 <= n" reads at most byte n - 1 for an even n; an
    // odd count (never seen from a device) is treated the same way, and the
    // scan never passes the end of the block whatever the device claims.
    const std::size_t filled = std::min(recordedBytes, block.size());
    return scan(block, filled, filled);
}

bool blockIsDigitalSilence(std::span<const std::uint8_t> block, std::size_t recordedBytes)
{
    return recordedBytes == kCaptureBlockBytes && block.size() >= kCaptureBlockBytes &&
           std::all_of(block.begin(), block.begin() + kCaptureBlockBytes,
                       [](std::uint8_t byte) { return byte == 0; });
}

std::optional<std::size_t> findPluck(AnalysisBuffer buffer)
{
    return scan(buffer, buffer.size(), kLastBufferScanOffset);
}

} // namespace tensikon
