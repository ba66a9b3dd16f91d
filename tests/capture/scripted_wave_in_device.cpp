#include "tests/capture/scripted_wave_in_device.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/capture_format.h"

namespace tensikon::test {
namespace {

constexpr std::uint8_t kPoison = 0xEE;
constexpr std::size_t kQuarantined = 16;

const char* callName(WaveCall call)
{
    switch (call) {
    case WaveCall::Open:
        return "open";
    case WaveCall::Prepare:
        return "prepare";
    case WaveCall::Add:
        return "add";
    case WaveCall::Start:
        return "start";
    case WaveCall::Reset:
        return "reset";
    case WaveCall::Unprepare:
        return "unprepare";
    case WaveCall::Close:
        return "close";
    }
    return "?";
}

std::string entry(WaveCall call, int header)
{
    std::string text = callName(call);
    if (header != 0) {
        text.push_back(' ');
        text.append(std::to_string(header));
    }
    return text;
}

bool isCaptureFormat(const WAVEFORMATEX& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && f.nChannels == 1 && f.nSamplesPerSec == 44100 &&
           f.wBitsPerSample == 16 && f.nBlockAlign == 2 && f.nAvgBytesPerSec == 88200 &&
           f.cbSize == 0;
}

} // namespace

ScriptedWaveInDevice::ScriptedWaveInDevice() : resetRecorded_([](int) { return 0; }) {}

ScriptedWaveInDevice::~ScriptedWaveInDevice()
{
    for (std::uint8_t* region : quarantine_) {
        VirtualFree(region, 0, MEM_RELEASE);
    }
}

void ScriptedWaveInDevice::runCallHook(WaveCall call)
{
    std::function<void()> hook;
    {
        std::lock_guard guard(mutex_);
        hook = callHooks_[static_cast<int>(call)];
    }
    if (hook) {
        hook();
    }
}

// A header whose block lies in memory already given back: the device must
// never be handed one.
bool ScriptedWaveInDevice::isReleased(const WAVEHDR* header)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(header->lpData);
    const bool released = std::any_of(quarantine_.begin(), quarantine_.end(), [data](auto* r) {
        return data >= r && data < r + 2 * kCaptureBlockBytes;
    });
    releasedHeadersUsed_ += released ? 1 : 0;
    return released;
}

bool ScriptedWaveInDevice::scriptedFailure(WaveCall call, int header, MMRESULT& result)
{
    for (auto it = failures_.begin(); it != failures_.end(); ++it) {
        if (it->call == call && (it->header == 0 || it->header == header)) {
            result = it->result;
            if (--it->times == 0) {
                failures_.erase(it);
            }
            return true;
        }
    }
    return false;
}

int ScriptedWaveInDevice::headerNumber(const WAVEHDR* header) const
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(header->lpData);
    for (const std::uint8_t* region : regions_) {
        if (data == region) {
            return 1;
        }
        if (data == region + kCaptureBlockBytes) {
            return 2;
        }
    }
    return 0; // not a block of memory this device handed out
}

void ScriptedWaveInDevice::record(const std::string& text)
{
    log_.push_back(text);
}

MMRESULT ScriptedWaveInDevice::checkHandle(HWAVEIN handle) const
{
    return open_ && handle == handle_ ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

void ScriptedWaveInDevice::postOpenIfDeferred()
{
    if (openPending_) {
        openPending_ = false;
        PostThreadMessageA(thread_, MM_WIM_OPEN, reinterpret_cast<WPARAM>(handle_), 0);
    }
}

void ScriptedWaveInDevice::handBack(WAVEHDR* header, std::size_t recorded)
{
    header->dwBytesRecorded = static_cast<DWORD>(recorded);
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    const auto* data = reinterpret_cast<const std::uint8_t*>(header->lpData);
    deliveries_.push_back({headerNumber(header), {data, data + kCaptureBlockBytes}, recorded});
    postOpenIfDeferred();
    PostThreadMessageA(thread_, MM_WIM_DATA, reinterpret_cast<WPARAM>(handle_),
                       reinterpret_cast<LPARAM>(header));
}

MMRESULT ScriptedWaveInDevice::open(HWAVEIN* handle, UINT deviceId, const WAVEFORMATEX* format,
                                    DWORD_PTR callback, DWORD_PTR, DWORD flags)
{
    runCallHook(WaveCall::Open);
    std::lock_guard guard(mutex_);
    record("open");
    MMRESULT result = MMSYSERR_NOERROR;
    if (scriptedFailure(WaveCall::Open, 0, result)) {
        return result;
    }
    if (deviceId != WAVE_MAPPER || flags != CALLBACK_THREAD || callback == 0) {
        return MMSYSERR_INVALPARAM;
    }
    format_ = *format;
    if (!isCaptureFormat(format_)) {
        return WAVERR_BADFORMAT;
    }
    thread_ = static_cast<DWORD>(callback);
    handle_ = reinterpret_cast<HWAVEIN>(static_cast<std::uintptr_t>(0x7000 + ++opens_));
    *handle = handle_;
    open_ = true;
    recording_ = false;
    wasReset_ = false;
    queue_.clear();
    lost_.clear();
    openPending_ = deferOpen_;
    if (!deferOpen_) {
        PostThreadMessageA(thread_, MM_WIM_OPEN, reinterpret_cast<WPARAM>(handle_), 0);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveInDevice::prepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize)
{
    std::lock_guard guard(mutex_);
    const int number = headerNumber(header);
    record(entry(WaveCall::Prepare, number));
    isReleased(header);
    MMRESULT result = checkHandle(handle);
    if (result != MMSYSERR_NOERROR || scriptedFailure(WaveCall::Prepare, number, result)) {
        return result;
    }
    if (headerSize != sizeof(WAVEHDR)) {
        ++wrongHeaderSizes_;
        return MMSYSERR_INVALPARAM;
    }
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveInDevice::add(HWAVEIN handle, WAVEHDR* header, UINT headerSize)
{
    std::function<void(int)> hook;
    {
        std::lock_guard guard(mutex_);
        hook = addHook_;
    }
    if (hook) {
        hook(headerNumber(header));
    }
    std::lock_guard guard(mutex_);
    const int number = headerNumber(header);
    record(entry(WaveCall::Add, number));
    isReleased(header);
    MMRESULT result = checkHandle(handle);
    if (result != MMSYSERR_NOERROR || scriptedFailure(WaveCall::Add, number, result)) {
        return result;
    }
    if (headerSize != sizeof(WAVEHDR)) {
        ++wrongHeaderSizes_;
        return MMSYSERR_INVALPARAM;
    }
    if ((header->dwFlags & WHDR_PREPARED) == 0) {
        return WAVERR_UNPREPARED;
    }
    if (wasReset_) {
        ++addsAfterReset_; // nothing will ever hand this block back
    }
    header->dwFlags = (header->dwFlags | WHDR_INQUEUE) & ~WHDR_DONE;
    queue_.push_back(header);
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveInDevice::start(HWAVEIN handle)
{
    std::lock_guard guard(mutex_);
    record("start");
    MMRESULT result = checkHandle(handle);
    if (result != MMSYSERR_NOERROR || scriptedFailure(WaveCall::Start, 0, result)) {
        return result;
    }
    recording_ = true;
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveInDevice::reset(HWAVEIN handle)
{
    runCallHook(WaveCall::Reset);
    std::lock_guard guard(mutex_);
    record("reset");
    MMRESULT result = checkHandle(handle);
    if (result != MMSYSERR_NOERROR || scriptedFailure(WaveCall::Reset, 0, result)) {
        return result;
    }
    recording_ = false;
    wasReset_ = true;
    while (!queue_.empty()) {
        WAVEHDR* header = queue_.front();
        queue_.pop_front();
        const int number = headerNumber(header);
        if (number == lostHeader_ || lostHeader_ == kEveryHeader) {
            lost_.push_back(header); // stays "in the device": INQUEUE, never handed back
            continue;
        }
        const std::size_t recorded = std::min(resetRecorded_(number), kCaptureBlockBytes);
        std::memset(header->lpData, resetFill_, recorded);
        handBack(header, recorded);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveInDevice::unprepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize)
{
    std::lock_guard guard(mutex_);
    const int number = headerNumber(header);
    record(entry(WaveCall::Unprepare, number));
    isReleased(header);
    MMRESULT result = checkHandle(handle);
    if (result != MMSYSERR_NOERROR || scriptedFailure(WaveCall::Unprepare, number, result)) {
        return result;
    }
    if (headerSize != sizeof(WAVEHDR)) {
        ++wrongHeaderSizes_;
        return MMSYSERR_INVALPARAM;
    }
    if ((header->dwFlags & WHDR_INQUEUE) != 0) {
        return WAVERR_STILLPLAYING;
    }
    header->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT ScriptedWaveInDevice::close(HWAVEIN handle)
{
    runCallHook(WaveCall::Close);
    std::lock_guard guard(mutex_);
    record("close");
    MMRESULT result = checkHandle(handle);
    if (result != MMSYSERR_NOERROR || scriptedFailure(WaveCall::Close, 0, result)) {
        return result;
    }
    if (!queue_.empty() || !lost_.empty()) {
        return WAVERR_STILLPLAYING;
    }
    open_ = false;
    recording_ = false;
    postOpenIfDeferred();
    PostThreadMessageA(thread_, MM_WIM_CLOSE, reinterpret_cast<WPARAM>(handle_), 0);
    return MMSYSERR_NOERROR;
}

void* ScriptedWaveInDevice::allocate(std::size_t bytes)
{
    std::lock_guard guard(mutex_);
    record("allocate");
    if (failAllocations_ > 0) {
        --failAllocations_;
        return nullptr;
    }
    void* memory = WaveInDevice::allocate(bytes);
    if (memory != nullptr) {
        ++allocations_;
        regions_.push_back(static_cast<std::uint8_t*>(memory));
    }
    return memory;
}

// The memory is poisoned and kept for a while instead of freed at once, so
// that a late copy out of it shows in the analysis buffer instead of
// crashing the test.
void ScriptedWaveInDevice::release(void* memory)
{
    std::lock_guard guard(mutex_);
    record("release");
    auto* region = static_cast<std::uint8_t*>(memory);
    if (std::find(regions_.begin(), regions_.end(), region) == regions_.end()) {
        ++releasedTwice_; // or never handed out: either way not ours to free
        return;
    }
    auto inRegion = [region](const WAVEHDR* h) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(h->lpData);
        return data >= region && data < region + 2 * kCaptureBlockBytes;
    };
    if (std::any_of(queue_.begin(), queue_.end(), inRegion) ||
        std::any_of(lost_.begin(), lost_.end(), inRegion)) {
        ++releasedWhileQueued_;
    }
    std::memset(region, kPoison, 2 * kCaptureBlockBytes);
    regions_.erase(std::remove(regions_.begin(), regions_.end(), region), regions_.end());
    ++releases_;
    quarantine_.push_back(region);
    if (quarantine_.size() > kQuarantined) {
        VirtualFree(quarantine_.front(), 0, MEM_RELEASE);
        quarantine_.pop_front();
    }
}

std::optional<Delivery> ScriptedWaveInDevice::deliver(std::span<const std::uint8_t> sound)
{
    return deliver(sound, sound.size());
}

std::optional<Delivery> ScriptedWaveInDevice::deliver(std::span<const std::uint8_t> sound,
                                                      std::size_t recorded)
{
    std::lock_guard guard(mutex_);
    if (!recording_ || queue_.empty()) {
        return std::nullopt;
    }
    WAVEHDR* header = queue_.front();
    queue_.pop_front();
    std::memcpy(header->lpData, sound.data(), std::min(sound.size(), kCaptureBlockBytes));
    handBack(header, std::min(recorded, kCaptureBlockBytes));
    return deliveries_.back();
}

bool ScriptedWaveInDevice::handBackLost()
{
    std::lock_guard guard(mutex_);
    if (lost_.empty()) {
        return false;
    }
    for (WAVEHDR* header : std::exchange(lost_, {})) {
        handBack(header, 0);
    }
    return true;
}

} // namespace tensikon::test
