// The narrow seam between the recorder and the sound-input device: the seven
// wave-in calls the capture uses, with winmm's arguments and MMRESULTs, and
// the allocation of one recording's memory. The program talks to winmm
// through WinmmWaveInDevice; tests put a scripted device in its place.
#pragma once

#include <windows.h>

#include <mmsystem.h>

#include <cstddef>

namespace tensikon {

class WaveInDevice {
  public:
    WaveInDevice() = default;
    WaveInDevice(const WaveInDevice&) = delete;
    WaveInDevice& operator=(const WaveInDevice&) = delete;
    virtual ~WaveInDevice() = default;

    virtual MMRESULT open(HWAVEIN* handle, UINT deviceId, const WAVEFORMATEX* format,
                          DWORD_PTR callback, DWORD_PTR instance, DWORD flags) = 0;
    virtual MMRESULT prepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize) = 0;
    virtual MMRESULT add(HWAVEIN handle, WAVEHDR* header, UINT headerSize) = 0;
    virtual MMRESULT start(HWAVEIN handle) = 0;
    virtual MMRESULT reset(HWAVEIN handle) = 0;
    virtual MMRESULT unprepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize) = 0;
    virtual MMRESULT close(HWAVEIN handle) = 0;

    // Committed, zero-filled, readable and writable memory, or nullptr.
    virtual void* allocate(std::size_t bytes);
    // Gives back what allocate returned; never called while the device may
    // still write into it.
    virtual void release(void* memory);
};

// The system's wave-in devices, called directly.
class WinmmWaveInDevice final : public WaveInDevice {
  public:
    MMRESULT open(HWAVEIN* handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                  DWORD_PTR instance, DWORD flags) override;
    MMRESULT prepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize) override;
    MMRESULT add(HWAVEIN handle, WAVEHDR* header, UINT headerSize) override;
    MMRESULT start(HWAVEIN handle) override;
    MMRESULT reset(HWAVEIN handle) override;
    MMRESULT unprepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize) override;
    MMRESULT close(HWAVEIN handle) override;
};

} // namespace tensikon
