// What the window tests ask of the audio capture: make a start fail, finish
// the running capture with a given sound, and count starts and stops. The
// capture is the program's own recorder and capture thread over a scripted
// wave-in device.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tests/capture/scripted_wave_in_device.h"

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

// Runs `hook` at the start of every open, reset or close of the device, as
// messages sent to the program's windows run while it waits there.
void duringDeviceCall(WaveCall call, std::function<void()> hook);
// The running capture's device hands back `blocks` blocks of exact zeros.
void deliverDigitalSilence(int blocks);
// The device hands back no more blocks, not even when it is reset.
void loseDevice();
// Faults of the recorder that the device saw: memory released twice or
// while a block of it was queued, a header of released memory used.
int memoryFaults();

} // namespace tensikon::test::capture_script
