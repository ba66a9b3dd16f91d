// What tensikon-analyze prints: text for a person, JSON for a program.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "tools/analyze/options.h"
#include "tools/analyze/recording_scan.h"

namespace tensikon::analyze {

// The reason given for a pluck too close to the end of the recording.
inline constexpr const char* kTooCloseToEnd = "too close to the end";

// One line per capture, after a line naming the model and its target when
// one was chosen; "no pluck found ..." when there is no capture.
void printText(std::ostream& out, const std::vector<RecordingCapture>& captures,
               const Options& options, std::size_t pcmBytes);

// A JSON object: the warnings about the file (an array of strings) and an
// array with one object per capture (the shape is in the help).
void printJson(std::ostream& out, const std::vector<RecordingCapture>& captures,
               const Options& options, const std::vector<std::string>& warnings);

// 0 when some capture gave a reading, 1 when none did (or none was found).
int exitStatusFor(const std::vector<RecordingCapture>& captures);

std::string helpText();

} // namespace tensikon::analyze
