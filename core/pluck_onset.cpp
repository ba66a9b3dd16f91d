#include "core/pluck_onset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace tensikon {

namespace {

// A frame whose mean square is this much over the background (in power),
// and this much over the loudest frames of the background, has risen like a
// pluck; the frames after it must then hold it. Set on plucked notes against
// workshop noise, engines, hum and speech: lower fires on the blows of a
// jackhammer or the pulses of an engine, higher misses plucks through a
// small microphone in a noisy room or over loud hum.
constexpr double kRise = 5.0;        // 7 dB
constexpr double kOverLoudest = 2.0; // 3 dB
// Over a bursty background (an engine, speech: loudest frames far over the
// median) a rise must clear the loudest frames by half that spread again.
constexpr double kBurstShare = 0.5;
// The frames after the rise hold it when their mean stays this much over
// the background and over its loudest frames, and all but the quietest of
// them this much over those loudest frames: a knock or a firing pulse falls
// back at once, a string goes on ringing (its beat with hum may dip once).
constexpr double kHeldRise = 4.0;         // 6 dB
constexpr double kHeldOverLoudest = 1.5;  // 1.8 dB
constexpr double kLeastOverLoudest = 1.4; // 1.5 dB
// The frames before it that are already this much over the background
// belong to its rise; the pluck is measured from the first of them that is
// also over the loudest frames of the background (one no louder is
// background).
constexpr double kStartRise = 4.0; // 6 dB
// A pluck's attack takes a few milliseconds (a room or a soft attack
// stretches it); a sound that needs longer than this, 45 ms, to rise (a
// voice swelling, a machine running up) is no pluck.
constexpr std::size_t kMostRiseFrames = 8;
// The first block of a recording is only background: with less than a
// quarter of a second of it, the slow swells of an engine look like rises
// and its loudest frames are not yet known.
constexpr std::size_t kLeastHistory = kOnsetFramesPerBlock;
// Over steady hum a note's short frames rise and fall with the beat of the
// two (and a low note's with its own period), and the hum's own loudest
// frames lie just under a note clipped with it. Measured in windows of four
// frames (22 ms, a whole period of 50 or 60 Hz mains), a hum background is
// steady: its loudest window at most 1 dB over its median one. Over such a
// background, a rise whose window and the two windows after it are 3 dB
// over the loudest window is a note too.
constexpr std::size_t kWindowFrames = 4;
constexpr double kSteadySpread = 1.25; // 1 dB
constexpr double kSteadyRise = 2.0;    // 3 dB
// The background is the median frame of the last half second: the pulses
// of an engine and a pluck's own first frames do not lift it. Its loudest
// frames are the twentieth that are louder than the rest.
constexpr std::size_t kBackgroundRank = kOnsetHistoryFrames / 2;
constexpr std::size_t kLoudestRank = kOnsetHistoryFrames * 19 / 20;
// A background never counts as quieter than a sample of one step, so that
// digital silence does not make every sound a rise.
constexpr double kLeastBackground = 1.0;

using Frame = PluckOnsetDetector::Frame;

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

// The first offset in each frame where the level test holds, by the block's
// own scan, resumed at the next frame after each hit: a piece of the block
// that starts on the scan's grid is scanned exactly as the whole block is.
void markLevel(std::span<Frame> frames, std::span<const std::uint8_t> block, std::size_t filled)
{
    std::size_t from = 0; // a byte on the grid, one before a scanned offset
    while (from < filled) {
        const auto hit = pluckInBlock(block.subspan(from), filled - from);
        if (!hit)
            return;
        const std::size_t offset = from + *hit;
        const std::size_t frame = sampleIndexOf(offset) / kOnsetFrameSamples;
        if (frame >= frames.size())
            return;
        frames[frame].level = offset;
        const std::size_t next = 2 * (frame + 1) * kOnsetFrameSamples;
        from = (next + kScanStep - 1) / kScanStep * kScanStep;
    }
}

// Of the first `n` of `values`, the one at `rank` of kOnsetHistoryFrames
// counted from the quietest, and at least kLeastBackground.
double rankedAt(std::array<double, kOnsetHistoryFrames>& values, std::size_t n, std::size_t rank)
{
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(n * rank / kOnsetHistoryFrames);
    std::nth_element(values.begin(), at, values.begin() + static_cast<std::ptrdiff_t>(n));
    return std::max(*at, kLeastBackground);
}

} // namespace

bool PluckOnsetDetector::Rise::held() const
{
    if (steady > 0) {
        const auto window = [this](std::size_t first) {
            return std::accumulate(after.begin() + first, after.begin() + first + kWindowFrames,
                                   0.0) /
                   kWindowFrames;
        };
        if (window(0) >= kSteadyRise * steady && window(kWindowFrames) >= kSteadyRise * steady)
            return true;
    }
    double mean = 0;
    for (const double m : after)
        mean += m;
    mean /= static_cast<double>(after.size());
    std::array<double, kOnsetHoldFrames> sorted = after;
    std::nth_element(sorted.begin(), sorted.begin() + 1, sorted.end());
    return mean >= kHeldRise * median && mean >= kHeldOverLoudest * loudest &&
           sorted[1] >= kLeastOverLoudest * loudest;
}

double PluckOnsetDetector::background(std::size_t rank, std::size_t newest) const
{
    const std::size_t n = std::min(frames_, kOnsetHistoryFrames) - newest;
    std::array<double, kOnsetHistoryFrames> sorted{};
    for (std::size_t k = 0; k < n; ++k)
        sorted[k] = history_[(frames_ - newest - 1 - k) % kOnsetHistoryFrames];
    return rankedAt(sorted, n, rank);
}

// How far a rise must clear the loudest frames of the background: further
// when the background before the rise's own first frames was bursty.
double PluckOnsetDetector::overLoudest(std::size_t risen) const
{
    const std::size_t n = std::min(frames_, kOnsetHistoryFrames);
    if (n < risen + kLeastHistory)
        risen = 0;
    const double spread = background(kLoudestRank, risen) / background(kBackgroundRank, risen);
    return std::max(kOverLoudest, kBurstShare * spread);
}

// The loudest window of the background when the background is steady and
// the window that ends with the frame `risen` (its mean square) is over it
// like a note; otherwise 0.
double PluckOnsetDetector::steadyLoudest(double risen) const
{
    const std::size_t n = std::min(frames_, kOnsetHistoryFrames) - (kWindowFrames - 1);
    std::array<double, kOnsetHistoryFrames> windows{};
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t j = 0; j < kWindowFrames; ++j)
            windows[k] += history_[(frames_ - 1 - k - j) % kOnsetHistoryFrames] / kWindowFrames;
    }
    const double loudest = rankedAt(windows, n, kLoudestRank);
    double last = risen; // the window that ends with the rise
    for (std::size_t j = 0; j + 1 < kWindowFrames; ++j)
        last += history_[(frames_ - 1 - j) % kOnsetHistoryFrames];
    const bool steady = loudest <= kSteadySpread * rankedAt(windows, n, kBackgroundRank);
    return steady && last / kWindowFrames >= kSteadyRise * loudest ? loudest : 0.0;
}

bool PluckOnsetDetector::levelHeardBefore() const
{
    const std::size_t n = std::min(frames_, kOnsetHistoryFrames);
    return std::any_of(levelHeld_.begin(), levelHeld_.begin() + static_cast<std::ptrdiff_t>(n),
                       [](bool held) { return held; });
}

void PluckOnsetDetector::remember(double meanSquare, bool levelHeld)
{
    history_[frames_ % kOnsetHistoryFrames] = meanSquare;
    levelHeld_[frames_ % kOnsetHistoryFrames] = levelHeld;
    ++frames_;
}

// Frame i of the block as the top of a rise: a quick rise that the next
// frames hold is the block's onset (of several, the one that rose furthest
// over the loudest background); one too late in the block to be held waits
// for the next block.
void PluckOnsetDetector::judgeRise(std::span<const Frame> frames, std::size_t i, BlockOnset& result,
                                   double& strongest)
{
    const double m = frames[i].meanSquare;
    Rise rise{background(kBackgroundRank), background(kLoudestRank), steadyLoudest(m)};
    std::size_t begin = i; // where the rise begins: it must be quick
    while (begin > 0 && frames[begin - 1].meanSquare >= kStartRise * rise.median)
        --begin;
    if (i - begin > kMostRiseFrames)
        return;
    if ((m < kRise * rise.median || m < overLoudest(i - begin) * rise.loudest) && rise.steady == 0)
        return;
    std::size_t start = i; // where the pluck is measured from
    while (start > begin && frames[start - 1].meanSquare >= rise.loudest)
        --start;
    for (; rise.gathered < kOnsetHoldFrames && i + 1 + rise.gathered < frames.size();
         ++rise.gathered)
        rise.after[rise.gathered] = frames[i + 1 + rise.gathered].meanSquare;
    if (rise.gathered < kOnsetHoldFrames) {
        if (!result.offset && !pending_)
            pending_ = rise;
    } else if (rise.held() && m / rise.loudest > strongest) {
        strongest = m / rise.loudest;
        result.offset = 2 * start * kOnsetFrameSamples + 1;
    }
}

BlockOnset PluckOnsetDetector::scan(std::span<const std::uint8_t> block, std::size_t recordedBytes)
{
    const std::size_t filled = std::min(recordedBytes, block.size());
    const std::size_t count = std::min(filled / 2 / kOnsetFrameSamples, kOnsetFramesPerBlock);
    std::array<Frame, kOnsetFramesPerBlock> frames{};
    for (std::size_t i = 0; i < count; ++i)
        frames[i] = frameAt(block, i * kOnsetFrameSamples);
    markLevel(frames, block, filled);

    BlockOnset result;
    if (pending_) { // the rise at the end of the last block, held by this one's first frames
        for (std::size_t i = 0; i < count && pending_->gathered < kOnsetHoldFrames; ++i)
            pending_->after[pending_->gathered++] = frames[i].meanSquare;
        if (pending_->gathered == kOnsetHoldFrames && pending_->held())
            result.offset = kFirstScanOffset;
        pending_.reset();
    }
    double strongest = 0; // of the held rises in this block, over the loudest background
    for (std::size_t i = 0; i < count; ++i) {
        if (frames_ >= kLeastHistory) {
            if (!result.level && frames[i].level && !levelHeardBefore() &&
                frames[i].meanSquare >= kRise * background(kBackgroundRank))
                result.level = frames[i].level;
            if (frames[i].peak >= kOnsetLeastPeak && result.offset != kFirstScanOffset)
                judgeRise(std::span(frames).first(count), i, result, strongest);
        }
        remember(frames[i].meanSquare, frames[i].level.has_value());
    }
    if (result.offset)
        pending_.reset();
    for (std::size_t k = 0; k < filled / 2; ++k)
        result.peak = std::max(result.peak, std::abs(sampleAt(block, k)));
    return result;
}

std::optional<std::size_t> automaticPluck(const BlockOnset& onset)
{
    if (onset.level && onset.offset)
        return std::min(*onset.level, *onset.offset);
    return onset.level ? onset.level : onset.offset;
}

double peakDbfs(int peak)
{
    return 20.0 * std::log10(std::max(peak, 1) / 32768.0);
}

} // namespace tensikon
