// What the window tests ask of the audio capture: make a start fail, finish
// the running capture with a given sound, and count starts and stops. The
// capture is the program's own recorder and capture thread over a scripted
// wave-in device.
#pragma once

#include <cstdint>
#include <vector>

namespace tensikon::test::capture_script {

// A fresh scripted device for the next test; only while no recording runs.
void reset();
// The next startRecording fails, showing the device's error message.
void failNextStart();
// Attempts and successful starts of a recording, and stops, since reset.
int startAttempts();
int starts();
int stops();
// Whether the analysis buffer was still allocated when the last recording
// was stopped.
bool bufferAliveAtLastStop();
// A recording runs (between a successful start and its stop).
bool recording();
// The running capture hears a pluck: the analysis buffer receives the
// 44 100 bytes given (the pluck's block and the one after it) and the panel
// is told. The test then pumps messages until the panel has taken it.
void pluck(const std::vector<std::uint8_t>& analysis);

} // namespace tensikon::test::capture_script
