// A whole recording scanned for plucks the way the live capture scans the
// device's blocks, so that a recording analysed offline gives the reading
// the program would have shown.
//
// The recording is cut into 22 050-byte blocks from its first byte. Each
// block is tested with blockHasPluck and its real byte count (the last one
// may be short). The block in which a pluck is found and the block after it
// are the analysis buffer: in a recording they lie side by side, so the
// buffer is a view into the recording and nothing is copied. The live
// device always hands over full blocks, so a pluck needs a full block after
// its own; otherwise it is too close to the end and gives no reading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/frequency_estimator.h"

namespace tensikon {

struct RecordingCapture {
    std::size_t pluckBlock = 0; // index of the pluck's block from the start of the sound
    double seconds = 0;         // when that block starts
    bool tooCloseToEnd = false; // no full block follows: no estimate was made
    FrequencyEstimate estimate; // the analysis of the two blocks, unless too close
};

// The first capture only, or with `all` every one: after a capture the scan
// goes on with the block after its buffer, as the next recording would. A
// capture too close to the end is always the last.
std::vector<RecordingCapture> scanRecording(std::span<const std::uint8_t> pcm, bool all);

// Seconds from the start of the sound to the start of block `index`.
double blockStartSeconds(std::size_t index);

} // namespace tensikon
