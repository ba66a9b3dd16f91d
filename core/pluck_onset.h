// The automatic pluck test: a block holds a pluck when the sound's
// short-time level rises sharply above the background of the sound before
// it and reaches a modest level, far below the level test's three loud
// samples. A small microphone, or a volume left low, narrows a pluck's peaks
// below what the level test needs; the rise from the background is still
// there.
//
// The sound is read in frames of 245 samples (5.6 ms, 45 to a block) at full
// 16-bit resolution. The background is the frames of the last half second:
// its median, which the pluck's own first frames or a click do not lift at
// once, and its loudest frames, which a pluck must also rise above. The state across blocks (those
// frames) belongs to whoever scans the blocks of one recording, one block after the other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/capture_format.h"

namespace tensikon {

inline constexpr std::size_t kOnsetFrameSamples = 245;
inline constexpr std::size_t kOnsetFramesPerBlock = kCaptureBlockBytes / 2 / kOnsetFrameSamples;
// Which test decides that a block holds the pluck: the level test alone
// (three loud samples), or the automatic one, which also takes an onset.
enum class PluckTest : std::uint8_t { Level, Automatic };

// The loudest sample the frame that rose must reach: -30 dB under full
// scale. Quieter rises are a distant knock, not a belt under the microphone.
inline constexpr int kOnsetLeastPeak = 1036;

// Frames of background kept: half a second.
inline constexpr std::size_t kOnsetHistoryFrames = 2 * kOnsetFramesPerBlock;

// What the scan of one block found.
struct BlockOnset {
    // The odd byte offset at which the onset starts, when the block holds one.
    std::optional<std::size_t> offset;
    // The loudest sample of the block's recorded bytes, in 16-bit units.
    int peak = 0;
};

class PluckOnsetDetector {
  public:
    // Scans the next block of the recording (its first recordedBytes bytes)
    // and adds its frames to the background.
    BlockOnset scan(std::span<const std::uint8_t> block, std::size_t recordedBytes);
    // A new recording: the sound before it is not its background.
    void reset() { frames_ = 0; }

  private:
    // The frame of the background at `rank` of kOnsetHistoryFrames, counted
    // from the quietest.
    double background(std::size_t rank) const;
    bool risesAbove(double meanSquare) const;

    std::array<double, kOnsetHistoryFrames> history_{}; // mean squares, oldest overwritten
    std::size_t frames_ = 0;                            // frames seen since reset
};

// The pluck of a block in automatic mode: the earlier of the onset and the
// first offset where the level test holds (which still counts).
std::optional<std::size_t> automaticPluck(std::span<const std::uint8_t> block,
                                          std::size_t recordedBytes, const BlockOnset& onset);

// The loudest sample in dB under full scale (0 for full scale, negative
// below it; -96 or so for silence).
double peakDbfs(int peak);

} // namespace tensikon
