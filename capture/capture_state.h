// What the recorder (main thread) and the capture thread share, and the
// protocol by which a block passes between them and the device.
//
// Who owns what
// -------------
// - One recording's memory (a RecordingMemory: both blocks and both wave
//   headers) is acquired by startRecording and released by stopRecording,
//   on the main thread. The device holds the headers' addresses while a
//   block is queued, so the memory lives as long as any block may still be
//   in the device, and is deliberately never released when a block fails to
//   come back (see "stop" below): a leak of 44 KB beats a device writing into
//   freed memory.
// - The analysis buffer is held here and nowhere else: `analysisMemory`,
//   allocated by attachCapture when the main window is created and released
//   by detachCapture when it is destroyed, both on the main thread. The
//   thread copies into it under the lock; the main thread reads it through
//   analysisBuffer() after a stop, when nothing writes it.
// - Every field of CaptureState is read and written only under `lock`,
//   except `device`, which only the main thread writes (when a recording
//   starts) and so may read without it.
// - No device call is made under the lock: a device call may handle the
//   messages that other threads send to the windows, and their handlers
//   (closing the window, for one) take the lock.
//
// Hand-over rules
// ---------------
// - The thread decides under the lock whether a returned block goes back
//   ("armed?") and counts itself in `givingBack` before it lets go of the
//   lock to make the device call. The stop clears `armed` under the lock,
//   then waits (bounded) until no give-back is under way before it resets:
//   a block can then not slip back into a device that has just been reset.
//   Should that wait run out, a give-back that ends after the reset is seen
//   in `giveBacksDone`, and the stop resets once more.
// - A block is marked Retained, and blockCount raised, only after its copy
//   is complete; the stop waits for "no block in the device", which it can
//   only see once the copy is done.
// - startRecording sets blockCount to 0 under the lock before it opens the
//   device, so a stop never sees the previous recording's 2. The thread
//   still sets it to 0 on MM_WIM_OPEN, which the device posts before any
//   block of the new recording.
// - A block whose give-back fails is marked Out: no device holds it, so the
//   stop need not wait for it.
// - The stop waits at most kStopWaitLimit. A block still in the device then
//   keeps the whole recording's memory alive for ever; the thread ignores
//   any notification that names a header other than the current
//   recording's two while they are in the device.
// - The thread copies only into a buffer that is held; the release takes the
//   lock, so once detachCapture returns nothing is copied.
// - A WM_CAPTURE_DONE whose post fails is not lost for good: the window's
//   watch timer finds the capture complete (captureComplete) and ends it.
//
// Starts and stops nested inside one another
// -------------------------------------------
// Opening, resetting and closing the device wait for the system's audio
// thread, and a thread that waits like that handles the messages sent to its
// windows: a press of the record button can run inside a start or a stop.
// The recorder therefore knows its transitions (Opening, Stopping), and a
// start or stop asked for during one does nothing. Each start gathers what
// it acquires in a record of its own, handed to the recorder only once the
// device records; each stop takes that record over before it tears down,
// and releases exactly what it holds. Nothing is released through a shared
// "current recording" that a nested call could have replaced.
//
// A device that stops working
// ---------------------------
// - The thread stamps the time of every block the current recording gets
//   back. A block is due every kCaptureBlockDuration; one that is
//   kBlockLateLimit past due means the device has stopped (a microphone
//   unplugged). The window polls captureFault and ends the capture.
// - The thread counts consecutive full blocks of digital silence while
//   armed; kSilentBlocksLimit of them mean an input that is muted or denied.
// - Such an end waits only kFailedStopWaitLimit for the blocks: a lost
//   device keeps them, and the user is waiting for the message. Their
//   recording's memory is then kept, once, as after any block that fails to
//   come back.
#pragma once

#include <windows.h>

#include <mmsystem.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "capture/capture.h"
#include "core/capture_format.h"
#include "core/pluck_onset.h"
#include "win32/unique_handle.h"

namespace tensikon {

class WaveInDevice;

// How long a stop waits for both blocks to come back from a reset. A device
// hands them back at once; a block that has not come back by then is lost.
inline constexpr std::chrono::milliseconds kStopWaitLimit{2000};
// The same wait when the device is known to have stopped working.
inline constexpr std::chrono::milliseconds kFailedStopWaitLimit{300};

// A block's length in time: one is due back this long after the one before.
inline constexpr std::chrono::milliseconds kCaptureBlockDuration{
    millisecondsOf(kCaptureBlockBytes)};
// How long past due a block may be before the device counts as lost.
inline constexpr std::chrono::milliseconds kBlockLateLimit{1000};
// Consecutive blocks of digital silence (3 s) that mean the input is dead.
inline constexpr int kSilentBlocksLimit = 12;

// Where a block of the current recording is.
enum class BlockPlace : std::uint8_t {
    Unused,   // not (yet) queued
    InDevice, // queued; the device may write it and will hand it back
    Retained, // handed back while disarmed and copied
    Out,      // handed back and neither requeued nor copied
};

// One recording's memory, in a single allocation: header 2's block begins
// exactly kCaptureBlockBytes after header 1's.
struct RecordingMemory {
    std::uint8_t blocks[2 * kCaptureBlockBytes];
    WAVEHDR headers[2];
};

struct CaptureState {
    std::mutex lock;
    std::condition_variable blockLeftDevice;

    bool armed = false;
    std::uint8_t blockCount = 0;
    // False while a failed start takes its blocks back: they are not copied.
    bool keepBlocks = true;
    // When the current recording started or last got a block back.
    std::chrono::steady_clock::time_point lastBlockAt{};
    // Consecutive full blocks of digital silence while armed.
    int silentBlocks = 0;
    // The pluck test: chosen on the main thread, read for every block.
    PluckTest pluckTest = PluckTest::Level;
    // The background of the automatic test, heard from the recording's start.
    PluckOnsetDetector onsets;
    // What the blocks heard so far in this recording told of its sound.
    HeardInput heard;
    // Where the pluck lies in the first half of the analysis buffer.
    std::optional<std::size_t> pluckOffset;

    // Give-backs between their armed check and the end of their device
    // call, and how many have ended since the program started.
    int givingBack = 0;
    unsigned giveBacksDone = 0;

    WaveInDevice* device = nullptr;
    HWAVEIN handle = nullptr;
    std::array<WAVEHDR*, 2> headers{};
    std::array<BlockPlace, 2> places{};

    HWND panel = nullptr;
    // GMEM_FIXED: the handle is the buffer's address.
    UniqueGlobalMemory analysisMemory;

    bool anyBlockInDevice() const
    {
        return places[0] == BlockPlace::InDevice || places[1] == BlockPlace::InDevice;
    }
};

CaptureState& captureState();

// The thread that receives the device's notifications, or 0 before it runs.
DWORD captureThreadId();

} // namespace tensikon
