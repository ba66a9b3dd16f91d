#include "capture/wave_in_device.h"

namespace tensikon {

void* WaveInDevice::allocate(std::size_t bytes)
{
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
}

void WaveInDevice::release(void* memory)
{
    VirtualFree(memory, 0, MEM_RELEASE);
}

MMRESULT WinmmWaveInDevice::open(HWAVEIN* handle, UINT deviceId, const WAVEFORMATEX* format,
                                 DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    return waveInOpen(handle, deviceId, format, callback, instance, flags);
}

MMRESULT WinmmWaveInDevice::prepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize)
{
    return waveInPrepareHeader(handle, header, headerSize);
}

MMRESULT WinmmWaveInDevice::add(HWAVEIN handle, WAVEHDR* header, UINT headerSize)
{
    return waveInAddBuffer(handle, header, headerSize);
}

MMRESULT WinmmWaveInDevice::start(HWAVEIN handle)
{
    return waveInStart(handle);
}

MMRESULT WinmmWaveInDevice::reset(HWAVEIN handle)
{
    return waveInReset(handle);
}

MMRESULT WinmmWaveInDevice::unprepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize)
{
    return waveInUnprepareHeader(handle, header, headerSize);
}

MMRESULT WinmmWaveInDevice::close(HWAVEIN handle)
{
    return waveInClose(handle);
}

} // namespace tensikon
