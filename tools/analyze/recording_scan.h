// A whole recording scanned for plucks the way the live capture scans the
// device's blocks, so that a recording analysed offline gives the reading
// the program would have shown.
//
// The recording is cut into 22 050-byte blocks from its first byte. Each
// block is tested with the chosen pluck test and its real byte count (the
// last one may be short); the automatic test hears the blocks of one
// recording one after the other, from the start of the file or the end of
// a hold time, as the live capture hears a recording from its start. The
// block in which a pluck is found and the block after it are the analysis
// buffer. The live device always hands over full blocks, so a pluck needs a
// full block after its own; otherwise it is too close to the end and gives
// no reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/no_reading_reason.h"
#include "core/pluck_onset.h"
#include "core/shown_reading.h"

namespace tensikon {

struct RecordingCapture {
    std::size_t pluckBlock = 0;         // index of the pluck's block from the start of the sound
    double seconds = 0;                 // when that block starts
    bool tooCloseToEnd = false;         // no full block follows: no estimate was made
    FrequencyEstimate estimate;         // the crossing count of the two blocks, unless too close
    std::optional<PitchEstimate> pitch; // their pitch
    ShownReading shown;                 // the value the program would show
    NoReadingReason reason = NoReadingReason::None; // why it shows none, unless too close
};

// The scan of a recording that arrives piece by piece (read from a file in
// chunks of any size), so a long recording never has to be held whole.
// Only the current block, or the pluck's block and the next, are kept.
// Without `all` the scan is done at the first capture; with it, after each
// capture it goes on as the live program's Continuous mode does: the next
// recording starts a hold time after the capture's result, so the
// `holdBlocks` blocks after the buffer are passed over (4 for the default
// hold of 1 s; 0 goes on with the block right after the buffer). A belt
// that rings for seconds is thus not measured twice on one pluck. A capture
// too close to the end is always the last.
class RecordingScanner {
  public:
    explicit RecordingScanner(bool all, std::size_t holdBlocks = 0,
                              PluckTest test = PluckTest::Level);

    // The next bytes of the sound, in order. Ignored once done().
    void feed(std::span<const std::uint8_t> piece);
    // The sound has ended: a last short block is scanned with its real
    // count, and a pluck still waiting for its next block is too close.
    void finish();
    // No more sound is wanted.
    bool done() const { return done_; }
    const std::vector<RecordingCapture>& captures() const { return captures_; }

  private:
    void takeWhole(std::span<const std::uint8_t>& piece);
    void takeSome(std::span<const std::uint8_t>& piece);
    std::optional<std::size_t> pluckIn(std::span<const std::uint8_t> block);
    void capture(std::span<const std::uint8_t, kAnalysisBufferBytes> buffer);
    void tooClose();

    bool all_;
    std::size_t holdBlocks_;
    PluckTest test_;
    PluckOnsetDetector onsets_;
    std::size_t pluckOffset_ = 0; // in the pluck's block, while one is pending
    std::size_t skipBytes_ = 0;   // of the hold time still to pass over
    bool done_ = false;
    std::size_t block_ = 0;          // index of the block being gathered
    bool pluckPending_ = false;      // held_ starts with a pluck's block
    std::vector<std::uint8_t> held_; // bytes gathered across pieces
    std::vector<RecordingCapture> captures_;
};

// The scan of a recording held whole.
std::vector<RecordingCapture> scanRecording(std::span<const std::uint8_t> pcm, bool all,
                                            std::size_t holdBlocks = 0,
                                            PluckTest test = PluckTest::Level);

// Seconds from the start of the sound to the start of block `index`.
double blockStartSeconds(std::size_t index);

} // namespace tensikon
