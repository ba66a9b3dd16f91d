// Stand-in for the audio capture while the window tests run without a wave-in
// device: it keeps the same contract as the real recorder (one message on a
// failed start, WM_CAPTURE_DONE after a pluck and after a stop) without a
// thread of its own.
#include <windows.h>

#include <algorithm>

#include "capture/capture.h"
#include "core/capture_format.h"
#include "resources/resource.h"
#include "tests/ui/capture_script.h"
#include "ui/shell_state.h"

namespace tensikon {

namespace {

struct StubState {
    HWND panel = nullptr;
    std::uint8_t* buffer = nullptr;
    bool open = false;
    bool plucked = false;
    bool failNext = false;
    bool bufferAliveAtStop = false;
    int attempts = 0;
    int starts = 0;
    int stops = 0;
};

StubState stub;

} // namespace

DWORD startCaptureThread()
{
    return GetCurrentThreadId();
}

void attachCapture(HWND panel, std::uint8_t* analysisBuffer)
{
    if (!panel && stub.open)
        stopRecording(nullptr);
    stub.panel = panel;
    stub.buffer = analysisBuffer;
}

int startRecording(HWND owner)
{
    ++stub.attempts;
    if (stub.failNext || stub.open) {
        stub.failNext = false;
        MessageBoxA(owner, "Can't open WAVE In Device!", "Error", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    ++stub.starts;
    stub.open = true;
    stub.plucked = false;
    return 1;
}

// A stop brings both blocks back; when no pluck had completed the capture,
// the thread still posts WM_CAPTURE_DONE, which the panel must ignore.
void stopRecording(HWND)
{
    if (!stub.open)
        return;
    ++stub.stops;
    stub.open = false;
    stub.bufferAliveAtStop = shell.analysisBuffer != nullptr;
    if (!stub.plucked && stub.panel)
        PostMessageA(stub.panel, WM_CAPTURE_DONE, 0, 0);
}

bool recorderIsOpen()
{
    return stub.open;
}

void useWaveInDevice(WaveInDevice*) {}

namespace test::capture_script {

void reset()
{
    const HWND panel = stub.panel;
    std::uint8_t* buffer = stub.buffer;
    stub = {};
    stub.panel = panel;
    stub.buffer = buffer;
}

void failNextStart()
{
    stub.failNext = true;
}

int startAttempts()
{
    return stub.attempts;
}

int starts()
{
    return stub.starts;
}

int stops()
{
    return stub.stops;
}

bool bufferAliveAtLastStop()
{
    return stub.bufferAliveAtStop;
}

bool recording()
{
    return stub.open;
}

void pluck(const std::vector<std::uint8_t>& analysis)
{
    if (!stub.open || !stub.buffer || stub.plucked)
        return;
    std::copy_n(analysis.begin(), std::min(analysis.size(), kAnalysisBufferBytes), stub.buffer);
    stub.plucked = true;
    PostMessageA(stub.panel, WM_CAPTURE_DONE, 0, 0);
}

} // namespace test::capture_script

} // namespace tensikon
