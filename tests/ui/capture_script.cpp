// The window tests' capture is the program's own recorder and capture
// thread; only the device under them is scripted. A thin observer in front
// of the scripted device counts what the recorder asked of it.
#include "tests/ui/capture_script.h"

#include <algorithm>
#include <memory>
#include <span>
#include <utility>

#include "capture/capture.h"
#include "core/capture_format.h"
#include "tests/capture/scripted_wave_in_device.h"
#include "ui/shell_state.h"

namespace tensikon::test::capture_script {

namespace {

class ObservedDevice final : public WaveInDevice {
  public:
    ScriptedWaveInDevice scripted;
    int opens = 0;
    int starts = 0;
    int resets = 0;
    bool bufferAliveAtReset = false;

    MMRESULT open(HWAVEIN* handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                  DWORD_PTR instance, DWORD flags) override
    {
        ++opens;
        return scripted.open(handle, deviceId, format, callback, instance, flags);
    }
    MMRESULT prepare(HWAVEIN handle, WAVEHDR* header, UINT size) override
    {
        return scripted.prepare(handle, header, size);
    }
    MMRESULT add(HWAVEIN handle, WAVEHDR* header, UINT size) override
    {
        return scripted.add(handle, header, size);
    }
    MMRESULT start(HWAVEIN handle) override
    {
        const MMRESULT result = scripted.start(handle);
        starts += result == MMSYSERR_NOERROR ? 1 : 0;
        return result;
    }
    // Every stop of a recording resets the device first.
    MMRESULT reset(HWAVEIN handle) override
    {
        ++resets;
        bufferAliveAtReset = analysisBuffer() != nullptr;
        return scripted.reset(handle);
    }
    MMRESULT unprepare(HWAVEIN handle, WAVEHDR* header, UINT size) override
    {
        return scripted.unprepare(handle, header, size);
    }
    MMRESULT close(HWAVEIN handle) override { return scripted.close(handle); }
    void* allocate(std::size_t bytes) override { return scripted.allocate(bytes); }
    void release(void* memory) override { scripted.release(memory); }
};

// Replaced only between tests, when no recording runs. The previous device
// is kept: memory of a recording that was abandoned may still point into it.
std::unique_ptr<ObservedDevice> device;
std::vector<std::unique_ptr<ObservedDevice>> retired;

ObservedDevice& current()
{
    if (!device)
        reset();
    return *device;
}

} // namespace

void reset()
{
    if (device)
        retired.push_back(std::move(device));
    device = std::make_unique<ObservedDevice>();
    useWaveInDevice(device.get());
}

void failNextStart()
{
    current().scripted.failOn(WaveCall::Open);
}

int startAttempts()
{
    return current().opens;
}

int starts()
{
    return current().starts;
}

int stops()
{
    return current().resets;
}

bool bufferAliveAtLastStop()
{
    return current().bufferAliveAtReset;
}

bool recording()
{
    return recorderIsOpen();
}

// The pluck's block first: the capture thread finds the pluck in it and
// keeps it, then keeps the next block and tells the panel.
void pluck(const std::vector<std::uint8_t>& analysis)
{
    const std::span<const std::uint8_t> sound(analysis.data(),
                                              std::min(analysis.size(), kAnalysisBufferBytes));
    current().scripted.deliver(sound.first(std::min(sound.size(), kCaptureBlockBytes)));
    if (sound.size() > kCaptureBlockBytes)
        current().scripted.deliver(sound.subspan(kCaptureBlockBytes));
}

void duringDeviceCall(WaveCall call, std::function<void()> hook)
{
    current().scripted.setCallHook(call, std::move(hook));
}

void deliverDigitalSilence(int blocks)
{
    const std::vector<std::uint8_t> zeros(kCaptureBlockBytes, 0);
    ScriptedWaveInDevice& device = current().scripted;
    for (int i = 0; i < blocks; ++i) {
        // The capture thread gives each block back before the next is due.
        for (int wait = 0; wait < 2000 && !device.deliver(zeros); ++wait)
            Sleep(1);
    }
}

void loseDevice()
{
    current().scripted.loseOnReset(ScriptedWaveInDevice::kEveryHeader);
}

int memoryFaults()
{
    const ScriptedWaveInDevice& d = current().scripted;
    return d.releasedTwice() + d.releasedWhileQueued() + d.releasedHeadersUsed();
}

} // namespace tensikon::test::capture_script
