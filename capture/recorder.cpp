// The wave-in recorder: opens the device with two blocks for one recording
// and takes everything down again. Runs on the main thread only; what it
// shares with the capture thread, and how, is told in capture_state.h.
#include <windows.h>

#include <mmsystem.h>

#include <new>

#include "capture/capture.h"
#include "capture/capture_state.h"
#include "capture/wave_in_device.h"
#include "core/capture_format.h"

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

// The one way the recorder tells the user of a failure.
void showError(HWND owner, const char* text)
{
    MessageBoxA(owner, text, "Error", MB_ICONWARNING | MB_OK);
}

WaveInDevice* chosenDevice = nullptr;

WaveInDevice& nextDevice()
{
    static WinmmWaveInDevice winmm;
    return chosenDevice != nullptr ? *chosenDevice : winmm;
}

// What the running (or failing) recording has acquired, so that its end
// gives back exactly that.
struct Acquired {
    WaveInDevice* device = nullptr;
    HWAVEIN handle = nullptr;
    RecordingMemory* memory = nullptr;
    bool prepared[2] = {};
};

Acquired current;
bool isOpen = false;
int abandoned = 0;

WAVEFORMATEX captureFormat()
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = kChannels;
    format.nSamplesPerSec = kSampleRate;
    format.wBitsPerSample = kBitsPerSample;
    format.nBlockAlign = static_cast<WORD>(kChannels * kBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * kSampleRate;
    format.cbSize = 0;
    return format;
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
    s.device = &device;
    s.handle = nullptr;
    s.headers = {};
    s.places = {BlockPlace::Unused, BlockPlace::Unused};
}

const char* openDevice()
{
    const WAVEFORMATEX format = captureFormat();
    const DWORD thread = captureThreadId();
    HWAVEIN handle = nullptr;
    // Without the capture thread no block would ever come back.
    if (thread == 0 || current.device->open(&handle, WAVE_MAPPER, &format, thread, 0,
                                            CALLBACK_THREAD) != MMSYSERR_NOERROR) {
        return kOpenFailed;
    }
    current.handle = handle;
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    s.handle = handle;
    return nullptr;
}

const char* allocateBlocks()
{
    void* memory = current.device->allocate(sizeof(RecordingMemory));
    if (memory == nullptr) {
        return kAllocateFailed;
    }
    current.memory = new (memory) RecordingMemory{};
    for (int i = 0; i < 2; ++i) {
        WAVEHDR& header = current.memory->headers[i];
        header.lpData = reinterpret_cast<LPSTR>(current.memory->blocks + i * kCaptureBlockBytes);
        header.dwBufferLength = kCaptureBlockBytes;
    }
    return nullptr;
}

const char* prepareHeaders()
{
    for (int i = 0; i < 2; ++i) {
        WAVEHDR* header = &current.memory->headers[i];
        if (current.device->prepare(current.handle, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            return kPrepareFailed[i];
        }
        current.prepared[i] = true;
    }
    return nullptr;
}

// Under the lock, so the block is known to be in the device before the
// device could possibly hand it back.
const char* queueHeaders()
{
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    for (int i = 0; i < 2; ++i) {
        WAVEHDR* header = &current.memory->headers[i];
        s.headers[i] = header;
        s.places[i] = BlockPlace::InDevice;
        if (current.device->add(current.handle, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            s.places[i] = BlockPlace::Unused;
            return kQueueFailed[i];
        }
    }
    return nullptr;
}

const char* armAndStart()
{
    {
        CaptureState& s = captureState();
        std::lock_guard guard(s.lock);
        s.armed = true;
    }
    if (current.device->start(current.handle) != MMSYSERR_NOERROR) {
        return kStartFailed;
    }
    return nullptr;
}

const char* acquire()
{
    const char* failure = openDevice();
    for (auto step : {allocateBlocks, prepareHeaders, queueHeaders, armAndStart}) {
        if (failure != nullptr) {
            break;
        }
        failure = step();
    }
    return failure;
}

// Clearing `armed` and resetting happen under one lock, so the thread cannot
// give a block back between them. `keep` false: the blocks are not copied.
void takeBlocksBack(bool keep)
{
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    s.armed = false;
    s.keepBlocks = keep;
    if (current.handle != nullptr) {
        current.device->reset(current.handle);
    }
}

// True when no block is left in the device, false when one has not come
// back within the limit.
bool waitForBlocks()
{
    CaptureState& s = captureState();
    std::unique_lock guard(s.lock);
    const bool allBack =
        s.blockLeftDevice.wait_for(guard, kStopWaitLimit, [&s] { return !s.anyBlockInDevice(); });
    // From here on the thread ignores these headers, even if one comes back.
    s.handle = nullptr;
    s.headers = {};
    s.places = {BlockPlace::Unused, BlockPlace::Unused};
    return allBack;
}

// Gives back everything `current` holds. `report` false: a failed start,
// whose own message is the only one shown, and whose queued blocks are
// taken back without being copied.
void releaseAll(HWND owner, bool report)
{
    takeBlocksBack(report);
    const bool allBack = waitForBlocks();
    for (int i = 1; i >= 0; --i) {
        if (current.prepared[i] &&
            current.device->unprepare(current.handle, &current.memory->headers[i],
                                      sizeof(WAVEHDR)) != MMSYSERR_NOERROR &&
            report) {
            showError(owner, kUnprepareFailed[i]);
        }
    }
    if (current.handle != nullptr && current.device->close(current.handle) != MMSYSERR_NOERROR &&
        report) {
        showError(owner, kCloseFailed);
    }
    if (current.memory != nullptr) {
        if (allBack) {
            current.device->release(current.memory);
        } else {
            ++abandoned; // the device may still write it: kept for good
        }
    }
    current = Acquired{};
}

} // namespace

int startRecording(HWND owner)
{
    if (isOpen) {
        return 1; // the device is already recording into both blocks
    }
    WaveInDevice& device = nextDevice();
    beginRecording(device);
    current = Acquired{};
    current.device = &device;
    if (const char* failure = acquire(); failure != nullptr) {
        // Nothing of a failed start is kept: the next start opens afresh.
        releaseAll(owner, false);
        showError(owner, failure);
        return 0;
    }
    isOpen = true;
    return 1;
}

void stopRecording(HWND owner)
{
    if (!isOpen) {
        return;
    }
    isOpen = false;
    releaseAll(owner, true);
}

bool recorderIsOpen()
{
    return isOpen;
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
