// The capture thread: receives the wave-in device's notifications as thread
// messages and decides, block by block, whether a block goes back to the
// device or into the analysis buffer. It never touches a control and never
// shows a message: its only output to the window is WM_CAPTURE_DONE.
#include <windows.h>

#include <cstring>
#include <mutex>
#include <span>
#include <utility>

#include "capture/capture.h"
#include "capture/capture_state.h"
#include "capture/wave_in_device.h"
#include "core/capture_format.h"
#include "resources/resource.h"
#include "win32/unique_handle.h"

namespace tensikon {
namespace {

DWORD threadId = 0; // written once by startCaptureThread, on the main thread

int headerIndex(const CaptureState& s, const WAVEHDR* header)
{
    for (int i = 0; i < 2; ++i) {
        if (s.headers[i] == header && s.places[i] == BlockPlace::InDevice) {
            return i;
        }
    }
    return -1;
}

// Keeps a block that came back while disarmed. The count is raised only
// after the copy, so a waiting stop cannot release the block under it.
void retainBlock(CaptureState& s, int index, const std::uint8_t* block)
{
    const auto count = static_cast<std::uint8_t>(s.blockCount + 1);
    if (auto* buffer = static_cast<std::uint8_t*>(s.analysisMemory.get()); buffer != nullptr) {
        const std::size_t half = count == 2 ? kCaptureBlockBytes : 0;
        std::memcpy(buffer + half, block, kCaptureBlockBytes);
    }
    s.places[index] = BlockPlace::Retained;
    s.blockCount = count;
    // A failed post is not retried here: the window's watch timer finds the
    // capture complete and ends it all the same.
    if (count == 2 && s.panel != nullptr) {
        static_cast<void>(PostMessageA(s.panel, WM_CAPTURE_DONE, 0, 0));
    }
}

// The pluck test of one block while armed. The automatic test's background
// is kept up in either mode, so that a pluck the level test misses is heard.
void scanForPluck(CaptureState& s, std::span<const std::uint8_t> block, std::size_t recorded)
{
    const BlockOnset onset = s.onsets.scan(block, recorded);
    const std::optional<std::size_t> pluck = s.pluckTest == PluckTest::Automatic
                                                 ? automaticPluck(onset)
                                                 : pluckInBlock(block, recorded);
    s.heard.peak = onset.peak;
    s.heard.pluckBelowLevel = s.heard.pluckBelowLevel || (onset.offset && !pluck);
    s.armed = !pluck;
    s.pluckOffset = pluck;
}

// Gives a block back to the device outside the lock (see capture_state.h):
// counted in `givingBack` from the armed check on, so that a stop resets
// only once it is in.
void giveBack(CaptureState& s, std::unique_lock<std::mutex>& guard, int index)
{
    WAVEHDR* header = s.headers[index];
    const HWAVEIN handle = s.handle;
    ++s.givingBack;
    guard.unlock();
    const MMRESULT added = s.device->add(handle, header, sizeof(WAVEHDR));
    guard.lock();
    --s.givingBack;
    ++s.giveBacksDone;
    if (added != MMSYSERR_NOERROR) {
        s.places[index] = BlockPlace::Out;
    }
    s.blockLeftDevice.notify_all();
}

void handleReturnedBlock(const WAVEHDR* returned)
{
    CaptureState& s = captureState();
    std::unique_lock guard(s.lock);
    const int index = headerIndex(s, returned);
    if (index < 0) {
        return; // not a block of the current recording that is in the device
    }
    const WAVEHDR* header = s.headers[index];
    const auto* block = reinterpret_cast<const std::uint8_t*>(header->lpData);
    const std::size_t recorded = header->dwBytesRecorded;
    s.lastBlockAt = std::chrono::steady_clock::now();
    if (s.armed) {
        const std::span whole(block, kCaptureBlockBytes);
        s.silentBlocks = blockIsDigitalSilence(whole, recorded) ? s.silentBlocks + 1 : 0;
        scanForPluck(s, whole, recorded);
    }
    if (s.armed) {
        giveBack(s, guard, index);
        return;
    }
    if (s.keepBlocks) {
        retainBlock(s, index, block);
    } else {
        s.places[index] = BlockPlace::Out;
    }
    s.blockLeftDevice.notify_all();
}

void handleNotification(const MSG& msg)
{
    switch (msg.message) {
    case MM_WIM_OPEN: {
        CaptureState& s = captureState();
        std::lock_guard guard(s.lock);
        s.blockCount = 0;
        break;
    }
    case MM_WIM_DATA:
        handleReturnedBlock(reinterpret_cast<const WAVEHDR*>(msg.lParam));
        break;
    default: // MM_WIM_CLOSE and anything else: nothing to do
        break;
    }
}

DWORD WINAPI captureThreadMain(LPVOID queueReady)
{
    // The queue must exist before anyone learns this thread's id: a device
    // notification posted to a thread without a queue is lost.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(static_cast<HANDLE>(queueReady));
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        handleNotification(msg);
    }
    return 0;
}

} // namespace

CaptureState& captureState()
{
    static CaptureState shared;
    return shared;
}

DWORD captureThreadId()
{
    return threadId;
}

DWORD startCaptureThread()
{
    if (threadId != 0) {
        return threadId; // one capture thread serves every window of the process
    }
    UniqueKernelHandle queueReady(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (queueReady.get() == nullptr) {
        return 0;
    }
    DWORD id = 0;
    UniqueKernelHandle thread(
        CreateThread(nullptr, 0, captureThreadMain, queueReady.get(), 0, &id));
    if (thread.get() == nullptr) {
        return 0;
    }
    if (WaitForSingleObject(queueReady.get(), 10000) != WAIT_OBJECT_0) {
        queueReady.release(); // the thread may still signal it: never close it under it
        return 0;
    }
    threadId = id;
    return id;
}

bool attachCapture(HWND panel, GlobalAllocator allocate)
{
    UniqueGlobalMemory memory(allocate(GMEM_FIXED | GMEM_ZEROINIT, kAnalysisBufferBytes));
    if (!memory) {
        return false;
    }
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    s.panel = panel;
    s.analysisMemory = std::move(memory);
    return true;
}

// The panel goes first, so the blocks that the stop's reset brings back post
// nothing to a window that is on its way out.
void detachCapture()
{
    CaptureState& s = captureState();
    HWND previous = nullptr;
    {
        std::lock_guard guard(s.lock);
        previous = std::exchange(s.panel, nullptr);
    }
    if (recorderIsOpen()) {
        stopRecording(previous != nullptr && IsWindow(previous) ? previous : nullptr);
    }
    std::lock_guard guard(s.lock);
    s.analysisMemory.reset();
}

HeardInput heardInput()
{
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    return s.heard;
}

void choosePluckTest(PluckTest test)
{
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    s.pluckTest = test;
}

std::optional<std::size_t> capturedPluckOffset()
{
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    return s.pluckOffset;
}

std::uint8_t* analysisBuffer()
{
    return static_cast<std::uint8_t*>(captureState().analysisMemory.get());
}

} // namespace tensikon
