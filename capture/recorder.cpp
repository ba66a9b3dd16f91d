// The wave-in recorder: opens the device with two blocks for one recording
// and takes everything down again. Runs on the main thread only; what it
// shares with the capture thread, and how, is told in capture_state.h.
#include <windows.h>

#include <mmsystem.h>

#include <new>
#include <utility>

#include "capture/capture.h"
#include "capture/capture_probe.h"
#include "capture/capture_state.h"
#include "capture/wave_in_device.h"
#include "core/capture_format.h"
#include "win32/error_message.h"

namespace tensikon {
namespace {

constexpr char kOpenFailed[] = "Can't open WAVE In Device!";
constexpr char kAllocateFailed[] = "Can't allocate memory for WAVE buffer!";
constexpr const char* kPrepareFailed[2] = {"Error preparing WAVEHDR 1!",
                                           "Error preparing WAVEHDR 2!"};
constexpr const char* kQueueFailed[2] = {"Error queueing WAVEHDR 1!", "Error queueing WAVEHDR 2!"};
constexpr char kStartFailed[] = "Error starting record!";
constexpr const char* kUnprepareFailed[2] = {"Error unpreparing WAVEHDR 1!",
                                             "Error unpreparing WAVEHDR 2!"};
constexpr char kCloseFailed[] = "Can't close WAVE In Device!";

// How the recorder tells the user of a failure.
void reportFailure(HWND owner, const char* text)
{
    showError(owner, text, kErrorCaption, MB_ICONWARNING);
}

WaveInDevice* chosenDevice = nullptr;

WaveInDevice& nextDevice()
{
    static WinmmWaveInDevice winmm;
    return chosenDevice != nullptr ? *chosenDevice : winmm;
}

// What one recording has acquired, so that its end gives back exactly that.
// A start fills its own; a stop takes over the running one's. The device
// and its open handle are not among them: the capture state holds both (the
// thread needs them to give blocks back), the handle from the open until
// the stop has every block back, and hands it to the stop then.
struct Acquired {
    RecordingMemory* memory = nullptr;
    bool prepared[2] = {};
};

// How a recording ends.
enum class Ending {
    FailedStart, // its own message is the only one shown; blocks are not copied
    Stop,        // every failing step is reported
    DeviceFault, // short wait, nothing reported: the caller says what went wrong
};

RecorderState state = RecorderState::Idle;
Acquired running; // the recording that runs, between its start and its stop
int abandoned = 0;

WAVEFORMATEX captureFormat()
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = kChannels;
    format.nSamplesPerSec = kSampleRate;
    format.wBitsPerSample = kBitsPerSample;
    format.nBlockAlign = static_cast<WORD>(kBytesPerSample);
    format.nAvgBytesPerSec = format.nBlockAlign * kSampleRate;
    format.cbSize = 0;
    return format;
}

// The device of the current recording, chosen when it starts.
WaveInDevice& device()
{
    return *captureState().device;
}

// A new recording starts with nothing retained: its stop must never see the
// count of the recording before.
void beginRecording(WaveInDevice& device)
{
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    s.armed = false;
    s.blockCount = 0;
    s.keepBlocks = true;
    s.silentBlocks = 0;
    s.heard = {};
    s.onsets.reset();
    s.pluckOffset.reset();
    s.device = &device;
    s.handle = nullptr;
    s.headers = {};
    s.places = {BlockPlace::Unused, BlockPlace::Unused};
}

const char* openDevice(Acquired&)
{
    const WAVEFORMATEX format = captureFormat();
    const DWORD thread = captureThreadId();
    HWAVEIN handle = nullptr;
    // Without the capture thread no block would ever come back.
    if (thread == 0 || device().open(&handle, WAVE_MAPPER, &format, thread, 0, CALLBACK_THREAD) !=
                           MMSYSERR_NOERROR) {
        return kOpenFailed;
    }
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    s.handle = handle;
    return nullptr;
}

// The open device, or null before the open and after the stop took it.
HWAVEIN openHandle()
{
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    return s.handle;
}

const char* allocateBlocks(Acquired& a)
{
    void* memory = device().allocate(sizeof(RecordingMemory));
    if (memory == nullptr) {
        return kAllocateFailed;
    }
    a.memory = new (memory) RecordingMemory{};
    for (int i = 0; i < 2; ++i) {
        WAVEHDR& header = a.memory->headers[i];
        header.lpData = reinterpret_cast<LPSTR>(a.memory->blocks + i * kCaptureBlockBytes);
        header.dwBufferLength = kCaptureBlockBytes;
    }
    return nullptr;
}

const char* prepareHeaders(Acquired& a)
{
    const HWAVEIN handle = openHandle();
    for (int i = 0; i < 2; ++i) {
        if (device().prepare(handle, &a.memory->headers[i], sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            return kPrepareFailed[i];
        }
        a.prepared[i] = true;
    }
    return nullptr;
}

// Each block is marked in the device before it is queued, so that it is
// known to be there before the device could possibly hand it back.
const char* queueHeaders(Acquired& a)
{
    CaptureState& s = captureState();
    const HWAVEIN handle = openHandle();
    for (int i = 0; i < 2; ++i) {
        WAVEHDR* header = &a.memory->headers[i];
        {
            std::lock_guard guard(s.lock);
            s.headers[i] = header;
            s.places[i] = BlockPlace::InDevice;
        }
        if (device().add(handle, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            std::lock_guard guard(s.lock);
            s.places[i] = BlockPlace::Unused;
            return kQueueFailed[i];
        }
    }
    return nullptr;
}

// The first block is due one block's length after the device starts.
const char* armAndStart(Acquired&)
{
    {
        CaptureState& s = captureState();
        std::lock_guard guard(s.lock);
        s.armed = true;
        s.lastBlockAt = std::chrono::steady_clock::now();
    }
    if (device().start(openHandle()) != MMSYSERR_NOERROR) {
        return kStartFailed;
    }
    return nullptr;
}

const char* acquire(Acquired& a)
{
    const char* failure = openDevice(a);
    for (auto step : {allocateBlocks, prepareHeaders, queueHeaders, armAndStart}) {
        if (failure != nullptr) {
            break;
        }
        failure = step(a);
    }
    return failure;
}

// The blocks come back from a reset; `allBack` is false when one has not
// within the limit. The device's handle is taken over from the capture state.
struct BlocksBack {
    bool allBack;
    HWAVEIN handle;
};

// A reset that hands nothing back (it failed, or a block slipped back into
// the device after it) is tried this often in all.
constexpr int kResetTries = 2;

// Disarms, then resets once no give-back is under way (see capture_state.h),
// and waits up to `limit` until no block is left in the device. `keep`
// false: the blocks are not copied.
BlocksBack takeBlocksBack(bool keep, std::chrono::milliseconds limit)
{
    CaptureState& s = captureState();
    std::unique_lock guard(s.lock);
    s.armed = false;
    s.keepBlocks = keep;
    bool allBack = !s.anyBlockInDevice();
    for (int tries = 0; tries < kResetTries && s.handle != nullptr; ++tries) {
        s.blockLeftDevice.wait_for(guard, limit, [&s] { return s.givingBack == 0; });
        const unsigned giveBacksBefore = s.giveBacksDone;
        const HWAVEIN handle = s.handle;
        guard.unlock();
        const bool reset = device().reset(handle) == MMSYSERR_NOERROR;
        guard.lock();
        allBack = s.blockLeftDevice.wait_for(guard, reset ? limit : limit / 10,
                                             [&s] { return !s.anyBlockInDevice(); });
        const bool requeued = s.giveBacksDone != giveBacksBefore || s.givingBack != 0;
        if (allBack || (reset && !requeued)) {
            break; // all back, or a block is lost in the device
        }
    }
    // From here on the thread ignores these headers, even if one comes back.
    const HWAVEIN handle = std::exchange(s.handle, nullptr);
    s.headers = {};
    s.places = {BlockPlace::Unused, BlockPlace::Unused};
    return {allBack, handle};
}

// Gives back everything `a` holds, and nothing else.
void releaseAll(HWND owner, const Acquired& a, Ending ending)
{
    const bool report = ending == Ending::Stop;
    const auto [allBack, handle] =
        takeBlocksBack(ending != Ending::FailedStart,
                       ending == Ending::DeviceFault ? kFailedStopWaitLimit : kStopWaitLimit);
    for (int i = 1; i >= 0; --i) {
        if (a.prepared[i] &&
            device().unprepare(handle, &a.memory->headers[i], sizeof(WAVEHDR)) !=
                MMSYSERR_NOERROR &&
            report) {
            reportFailure(owner, kUnprepareFailed[i]);
        }
    }
    if (handle != nullptr && device().close(handle) != MMSYSERR_NOERROR && report) {
        reportFailure(owner, kCloseFailed);
    }
    if (a.memory != nullptr) {
        if (allBack) {
            device().release(a.memory);
        } else {
            ++abandoned; // the device may still write it: kept for good
        }
    }
}

// Takes the running recording over and ends it. The state stays Stopping
// until the last message box of the stop is gone.
StopResult endRecording(HWND owner, Ending ending)
{
    if (state == RecorderState::Idle) {
        return StopResult::NotRecording;
    }
    if (state != RecorderState::Recording) {
        return StopResult::Busy;
    }
    state = RecorderState::Stopping;
    const Acquired taken = std::exchange(running, Acquired{});
    releaseAll(owner, taken, ending);
    state = RecorderState::Idle;
    return StopResult::Stopped;
}

} // namespace

StartResult startRecording(HWND owner)
{
    if (state == RecorderState::Recording) {
        return StartResult::Recording; // the device already records into both blocks
    }
    if (state != RecorderState::Idle) {
        return StartResult::Busy;
    }
    state = RecorderState::Opening;
    Acquired acquired;
    beginRecording(nextDevice());
    if (const char* failure = acquire(acquired); failure != nullptr) {
        // Nothing of a failed start is kept: the next start opens afresh.
        releaseAll(owner, acquired, Ending::FailedStart);
        reportFailure(owner, failure);
        state = RecorderState::Idle;
        return StartResult::Failed;
    }
    running = acquired;
    state = RecorderState::Recording;
    return StartResult::Recording;
}

StopResult stopRecording(HWND owner)
{
    return endRecording(owner, Ending::Stop);
}

StopResult stopFailedRecording()
{
    return endRecording(nullptr, Ending::DeviceFault);
}

CaptureFault captureFault(std::chrono::steady_clock::time_point now)
{
    if (state != RecorderState::Recording) {
        return CaptureFault::None;
    }
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    if (s.silentBlocks >= kSilentBlocksLimit) {
        return CaptureFault::NoSound;
    }
    // Once two blocks are retained the capture is complete: nothing is due.
    if (s.blockCount < 2 && now - s.lastBlockAt > kCaptureBlockDuration + kBlockLateLimit) {
        return CaptureFault::DeviceLost;
    }
    return CaptureFault::None;
}

RecorderState recorderState()
{
    return state;
}

bool captureComplete()
{
    if (state != RecorderState::Recording) {
        return false;
    }
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    return s.blockCount == 2;
}

bool recorderIsOpen()
{
    return state == RecorderState::Recording;
}

void useWaveInDevice(WaveInDevice* device)
{
    chosenDevice = device;
}

int abandonedRecordings()
{
    return abandoned;
}

} // namespace tensikon
