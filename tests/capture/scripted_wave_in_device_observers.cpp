// How a test scripts the scripted device, what it can ask of it, and the raw
// notifications it can have it post; each taken under the device's lock.
#include "tests/capture/scripted_wave_in_device.h"

namespace tensikon::test {

void ScriptedWaveInDevice::failOn(WaveCall call, int header, int times, MMRESULT result)
{
    std::lock_guard guard(mutex_);
    failures_.push_back({call, header, times, result});
}

void ScriptedWaveInDevice::failAllocation(int times)
{
    std::lock_guard guard(mutex_);
    failAllocations_ = times;
}

void ScriptedWaveInDevice::clearFailures()
{
    std::lock_guard guard(mutex_);
    failures_.clear();
    failAllocations_ = 0;
}

void ScriptedWaveInDevice::setResetRecorded(std::function<std::size_t(int)> recorded)
{
    std::lock_guard guard(mutex_);
    resetRecorded_ = std::move(recorded);
}

void ScriptedWaveInDevice::setResetFill(std::uint8_t value)
{
    std::lock_guard guard(mutex_);
    resetFill_ = value;
}

void ScriptedWaveInDevice::loseOnReset(int header)
{
    std::lock_guard guard(mutex_);
    lostHeader_ = header;
}

void ScriptedWaveInDevice::setCallHook(WaveCall call, std::function<void()> hook)
{
    std::lock_guard guard(mutex_);
    callHooks_[static_cast<int>(call)] = std::move(hook);
}

void ScriptedWaveInDevice::deferOpenNotification(bool defer)
{
    std::lock_guard guard(mutex_);
    deferOpen_ = defer;
}

void ScriptedWaveInDevice::setAddHook(std::function<void(int)> hook)
{
    std::lock_guard guard(mutex_);
    addHook_ = std::move(hook);
}

void ScriptedWaveInDevice::notify(UINT message, LPARAM lParam)
{
    std::lock_guard guard(mutex_);
    PostThreadMessageA(thread_, message, reinterpret_cast<WPARAM>(handle_), lParam);
}

std::vector<std::string> ScriptedWaveInDevice::log() const
{
    std::lock_guard guard(mutex_);
    return log_;
}

void ScriptedWaveInDevice::clearLog()
{
    std::lock_guard guard(mutex_);
    log_.clear();
}

std::vector<Delivery> ScriptedWaveInDevice::deliveries() const
{
    std::lock_guard guard(mutex_);
    return deliveries_;
}

std::size_t ScriptedWaveInDevice::deliveryCount() const
{
    std::lock_guard guard(mutex_);
    return deliveries_.size();
}

void ScriptedWaveInDevice::clearDeliveries()
{
    std::lock_guard guard(mutex_);
    deliveries_.clear();
}

std::size_t ScriptedWaveInDevice::queuedBlocks() const
{
    std::lock_guard guard(mutex_);
    return queue_.size();
}

bool ScriptedWaveInDevice::recording() const
{
    std::lock_guard guard(mutex_);
    return recording_;
}

bool ScriptedWaveInDevice::isOpen() const
{
    std::lock_guard guard(mutex_);
    return open_;
}

int ScriptedWaveInDevice::allocations() const
{
    std::lock_guard guard(mutex_);
    return allocations_;
}

int ScriptedWaveInDevice::releases() const
{
    std::lock_guard guard(mutex_);
    return releases_;
}

int ScriptedWaveInDevice::releasedWhileQueued() const
{
    std::lock_guard guard(mutex_);
    return releasedWhileQueued_;
}

int ScriptedWaveInDevice::addsAfterReset() const
{
    std::lock_guard guard(mutex_);
    return addsAfterReset_;
}

int ScriptedWaveInDevice::wrongHeaderSizes() const
{
    std::lock_guard guard(mutex_);
    return wrongHeaderSizes_;
}

int ScriptedWaveInDevice::releasedTwice() const
{
    std::lock_guard guard(mutex_);
    return releasedTwice_;
}

int ScriptedWaveInDevice::releasedHeadersUsed() const
{
    std::lock_guard guard(mutex_);
    return releasedHeadersUsed_;
}

} // namespace tensikon::test
