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
// once, and its loudest frames, which a pluck must also rise above; over
// steady hum, measured over whole periods of the mains. The first block of
// a recording is only background: less does not show an engine's swells.
// A string rings for tens of milliseconds at least, while a knock or an
// engine's firing pulse falls back within a few: a rise counts only once
// the frames after it have held it. A rise too late in a block to be held
// there is judged with the first frames of the next block and, when they
// hold it, is the pluck of that block, from its start. The state across
// blocks (those frames) belongs to whoever scans the blocks of one
// recording, one block after the other.
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

// Frames after a rise that must hold it: 45 ms.
inline constexpr std::size_t kOnsetHoldFrames = 8;

// What the scan of one block found.
struct BlockOnset {
    // The odd byte offset at which the onset starts, when the block holds one.
    std::optional<std::size_t> offset;
    // The first offset where the level test holds, unless the background has
    // not been heard yet or already held it itself (noise that loud, an
    // engine or strong hum, trips the level test with no pluck at all), or
    // the sound there did not rise over the background as a pluck's does (a
    // lone peak of loud noise).
    std::optional<std::size_t> level;
    // The loudest sample of the block's recorded bytes, in 16-bit units.
    int peak = 0;
};

class PluckOnsetDetector {
  public:
    // Scans the next block of the recording (its first recordedBytes bytes)
    // and adds its frames to the background.
    BlockOnset scan(std::span<const std::uint8_t> block, std::size_t recordedBytes);

    // A new recording: the sound before it is not its background.
    void reset()
    {
        frames_ = 0;
        pending_.reset();
    }

    // One frame of the sound.
    struct Frame {
        double meanSquare = 0;
        int peak = 0;
        std::optional<std::size_t> level; // the first offset in it where the level test holds
    };

  private:
    // The background a rise is measured against, and the frames after the
    // rise gathered so far.
    struct Rise {
        double median = 0, loudest = 0;
        double steady = 0; // the loudest window of a steady background, else 0
        std::array<double, kOnsetHoldFrames> after{};
        std::size_t gathered = 0;
        bool held() const;
    };

    void judgeRise(std::span<const Frame> frames, std::size_t i, BlockOnset& result,
                   double& strongest);
    // The frame of the background at `rank` of kOnsetHistoryFrames, counted
    // from the quietest, leaving out the `newest` frames.
    double background(std::size_t rank, std::size_t newest = 0) const;
    double overLoudest(std::size_t risen) const;
    double steadyLoudest(double risen) const;
    bool levelHeardBefore() const;
    void remember(double meanSquare, bool levelHeld);

    std::array<double, kOnsetHistoryFrames> history_{}; // mean squares, oldest overwritten
    std::array<bool, kOnsetHistoryFrames> levelHeld_{}; // the level test held in the frame
    std::size_t frames_ = 0;                            // frames seen since reset
    std::optional<Rise> pending_; // a rise at the end of the last block, not yet held
};

// The pluck of a block in automatic mode: the earlier of the onset and the
// level test where it still counts.
std::optional<std::size_t> automaticPluck(const BlockOnset& onset);

// The loudest sample in dB under full scale (0 for full scale, negative
// below it; -96 or so for silence).
double peakDbfs(int peak);

} // namespace tensikon
