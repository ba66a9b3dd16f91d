// The audio capture as the rest of the program sees it: the analysis buffer,
// which the capture holds (capture_state.h); a thread that receives the
// wave-in device's notifications and fills it; and the recorder that opens
// and closes the device for one recording. All functions here are called on
// the user-interface thread.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>

#include "core/pluck_onset.h"

namespace tensikon {

class WaveInDevice; // capture/wave_in_device.h: the seam tests script

// Starts the capture thread and returns its id once its message queue
// exists (so no device notification can be lost), or 0 on failure. The
// thread's handle is closed at once; the thread ends with the process.
// Later calls return the id of the thread already running.
DWORD startCaptureThread();

// How the analysis buffer's memory is had: GlobalAlloc in the program; tests
// put a failing allocator here.
using GlobalAllocator = HGLOBAL (*)(UINT flags, SIZE_T bytes);

// Where a finished capture goes. Allocates the analysis buffer, zero-filled,
// with `allocate` and names the window that receives WM_CAPTURE_DONE; called
// when the main window is created. False, with nothing attached, when the
// memory cannot be had: no capture could be kept then.
bool attachCapture(HWND panel, GlobalAllocator allocate);

// Forgets the window, stops any recording that runs and then releases the
// buffer: once it returns nothing is copied and nothing is posted.
void detachCapture();

// The analysis buffer: the kAnalysisBufferBytes the capture fills and the
// estimator reads, from attachCapture to detachCapture, else null.
std::uint8_t* analysisBuffer();

// Where the recorder is in the life of a recording. Opening and Stopping are
// transitions: the device calls inside them wait for the system's own audio
// thread, and while a thread waits like that it handles the messages other
// threads send to its windows. A press of the record button can therefore
// run in the middle of a start or a stop.
enum class RecorderState { Idle, Opening, Recording, Stopping };

// What a start did: the device records into both blocks; a step failed (its
// message has been shown, owned by `owner`, and whatever the start had
// acquired is released again); or nothing, asked during a transition.
enum class StartResult { Recording, Failed, Busy };

// What a stop did: stopped the recording and released what it acquired;
// nothing, as no recording runs; or nothing, asked during a transition.
enum class StopResult { Stopped, NotRecording, Busy };

// Starts a recording. While one runs it starts nothing and returns
// Recording.
StartResult startRecording(HWND owner);

// Stops the device, waits (bounded) until both blocks are back and releases
// what this recording acquired. A block that does not come back within the
// bound keeps its recording's memory alive for good (the device may still
// write it), and the stop returns.
StopResult stopRecording(HWND owner);

// Why a running capture cannot go on: the device has stopped handing blocks
// back, or it hands back nothing but digital silence.
enum class CaptureFault { None, DeviceLost, NoSound };

// The fault of the running recording as of `now`, or None (also when no
// recording runs).
CaptureFault captureFault(std::chrono::steady_clock::time_point now);

// Ends a recording whose device has failed as stopRecording would, but waits
// only briefly for its blocks and reports nothing: the caller tells the user
// once what went wrong. Same results as stopRecording.
StopResult stopFailedRecording();

// True when the running recording holds both halves of its capture: the
// capture thread has posted, or tried to post, WM_CAPTURE_DONE.
bool captureComplete();

// What the running recording has heard: the loudest sample of its last
// block, and whether a block rose like a pluck that the level test did not
// take (a pluck too quiet for it).
struct HeardInput {
    int peak = 0;
    bool pluckBelowLevel = false;
};
HeardInput heardInput();

// The pluck test of the recordings started from now on; the level test
// until another is chosen.
void choosePluckTest(PluckTest test);

// Where the last capture's pluck lies in the analysis buffer, as the live
// scan found it; read like the buffer, after the capture is done.
std::optional<std::size_t> capturedPluckOffset();

// True between a successful startRecording and its stopRecording.
bool recorderIsOpen();

// The device the recorder talks to: the real winmm one unless a test
// installs a scripted one. Pass nullptr to go back to winmm.
void useWaveInDevice(WaveInDevice* device);

} // namespace tensikon
