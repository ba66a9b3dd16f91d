#include "core/pluck_onset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tensikon {

namespace {

// A frame whose mean square is this much over the background (in power),
// and this much over the loudest frames of the background, has risen like a
// pluck. Set on plucked notes against workshop noise, engines, hum and
// speech: lower fires on the blows of a jackhammer or the pulses of an
// engine, higher misses plucks through a small microphone in a noisy room.
constexpr double kRise = 10.0;       // 10 dB
constexpr double kOverLoudest = 4.0; // 6 dB
// The frames before it that are already this much over the background belong
// to the onset: it starts at the first of them.
constexpr double kStartRise = 4.0; // 6 dB
// A pluck's attack takes a few milliseconds (a room or a soft attack
// stretches it); a sound that needs longer than this, 45 ms, to rise (a
// voice swelling, a machine running up) is no pluck.
constexpr std::size_t kMostRiseFrames = 8;
// Without a tenth of a second of background there is nothing to rise over.
constexpr std::size_t kLeastHistory = 18;
// The background is the median frame of the last half second: the pulses
// of an engine and a pluck's own first frames do not lift it. Its loudest
// frames are the twentieth that are louder than the rest.
constexpr std::size_t kBackgroundRank = kOnsetHistoryFrames / 2;
constexpr std::size_t kLoudestRank = kOnsetHistoryFrames * 19 / 20;
// A background never counts as quieter than a sample of one step, so that
// digital silence does not make every sound a rise.
constexpr double kLeastBackground = 1.0;

struct Frame {
    double meanSquare = 0;
    int peak = 0;
};

Frame frameAt(std::span<const std::uint8_t> bytes, std::size_t first)
{
    Frame f;
    for (std::size_t k = first; k < first + kOnsetFrameSamples; ++k) {
        const int s = sampleAt(bytes, k);
        f.meanSquare += static_cast<double>(s) * s;
        f.peak = std::max(f.peak, std::abs(s));
    }
    f.meanSquare /= static_cast<double>(kOnsetFrameSamples);
    return f;
}

} // namespace

double PluckOnsetDetector::background(std::size_t rank) const
{
    const std::size_t n = std::min(frames_, kOnsetHistoryFrames);
    std::array<double, kOnsetHistoryFrames> sorted{};
    std::copy_n(history_.begin(), n, sorted.begin());
    const auto at = sorted.begin() + static_cast<std::ptrdiff_t>(n * rank / kOnsetHistoryFrames);
    std::nth_element(sorted.begin(), at, sorted.begin() + static_cast<std::ptrdiff_t>(n));
    return std::max(*at, kLeastBackground);
}

bool PluckOnsetDetector::risesAbove(double meanSquare) const
{
    return frames_ >= kLeastHistory && meanSquare >= kRise * background(kBackgroundRank) &&
           meanSquare >= kOverLoudest * background(kLoudestRank);
}

BlockOnset PluckOnsetDetector::scan(std::span<const std::uint8_t> block, std::size_t recordedBytes)
{
    const std::size_t samples = std::min(recordedBytes, block.size()) / 2;
    const std::size_t count = samples / kOnsetFrameSamples;
    std::array<Frame, kOnsetFramesPerBlock> frames{};
    BlockOnset result;
    for (std::size_t i = 0; i < count && i < frames.size(); ++i) {
        frames[i] = frameAt(block, i * kOnsetFrameSamples);
        if (!result.offset && frames[i].peak >= kOnsetLeastPeak &&
            risesAbove(frames[i].meanSquare)) {
            const double floor = background(kBackgroundRank);
            std::size_t start = i;
            while (start > 0 && frames[start - 1].meanSquare >= kStartRise * floor)
                --start;
            if (i - start <= kMostRiseFrames)
                result.offset = 2 * start * kOnsetFrameSamples + 1;
        }
        history_[frames_ % kOnsetHistoryFrames] = frames[i].meanSquare;
        ++frames_;
    }
    for (std::size_t k = 0; k < samples; ++k)
        result.peak = std::max(result.peak, std::abs(sampleAt(block, k)));
    return result;
}

std::optional<std::size_t> automaticPluck(std::span<const std::uint8_t> block,
                                          std::size_t recordedBytes, const BlockOnset& onset)
{
    const std::optional<std::size_t> level = pluckInBlock(block, recordedBytes);
    if (level && onset.offset)
        return std::min(*level, *onset.offset);
    return level ? level : onset.offset;
}

double peakDbfs(int peak)
{
    return 20.0 * std::log10(std::max(peak, 1) / 32768.0);
}

} // namespace tensikon
