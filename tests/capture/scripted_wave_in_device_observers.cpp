// What a test can ask of the scripted device, and the raw notifications it
// can have it post; each taken under the device's lock.
#include "tests/capture/scripted_wave_in_device.h"

namespace tensikon::test {

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

} // namespace tensikon::test
