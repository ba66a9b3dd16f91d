// A wave-in device that a test drives by hand: it keeps winmm's rules (a
// header must be prepared before it is queued, cannot be unprepared while
// queued, a device with queued blocks cannot be closed, notifications go to
// the thread given at open) and lets the test fail any call, hand blocks
// back with chosen sound, reset with chosen counts, lose a block, pause
// inside a give-back, and run code inside open, reset and close as a
// thread does that handles sent messages while it waits there. It also
// watches for the faults the capture must never commit: memory released
// while a block of it is queued or released twice, a header of released
// memory passed to the device, a block queued into a device that has been
// reset, a header passed with the wrong size.
#pragma once

#include "capture/wave_in_device.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tensikon::test {

enum class WaveCall { Open, Prepare, Add, Start, Reset, Unprepare, Close };

// A block as the device handed it back: which header (1 or 2), all 22 050
// bytes of its memory at that moment, and the count it reported.
struct Delivery {
    int header = 0;
    std::vector<std::uint8_t> bytes;
    std::size_t recorded = 0;
};

class ScriptedWaveInDevice final : public WaveInDevice {
  public:
    ScriptedWaveInDevice();
    ~ScriptedWaveInDevice() override;

    // --- Script ----------------------------------------------------------
    // The next `times` calls of `call` (for header 1 or 2 only, or any when
    // 0) return `result` and do nothing else.
    void failOn(WaveCall call, int header = 0, int times = 1, MMRESULT result = MMSYSERR_ERROR);
    // The next `times` allocations fail.
    void failAllocation(int times = 1);
    // Forgets every scripted failure that has not happened yet.
    void clearFailures();
    // Bytes the reset reports as recorded into a block it hands back
    // (default 0); the first that many bytes are filled with `resetFill`.
    void setResetRecorded(std::function<std::size_t(int header)> recorded);
    void setResetFill(std::uint8_t value);
    // The reset keeps this header (kEveryHeader: all, as a device that has
    // gone does; 0: none) queued and never hands it back.
    static constexpr int kEveryHeader = -1;
    void loseOnReset(int header);
    // Posts MM_WIM_OPEN only when the first block is handed back, as if the
    // capture thread had not yet got to it.
    void deferOpenNotification(bool defer);
    // Runs inside every add, on the calling thread, before the block is
    // queued: a test can pause the give-back here.
    void setAddHook(std::function<void(int header)> hook);
    // Runs at the start of every open, reset or close (`call`), on the
    // calling thread, outside the device's lock; nullptr removes it.
    void setCallHook(WaveCall call, std::function<void()> hook);

    // --- Driving ---------------------------------------------------------
    // Fills the first queued block with `sound` (at most 22 050 bytes; the
    // rest of the block keeps what it held), reports sound.size() recorded
    // bytes and hands it back. Nothing when no block is queued or the device
    // is not recording.
    std::optional<Delivery> deliver(std::span<const std::uint8_t> sound);
    // As above, but reports `recorded` bytes whatever was written.
    std::optional<Delivery> deliver(std::span<const std::uint8_t> sound, std::size_t recorded);
    // Hands back the blocks that loseOnReset kept.
    bool handBackLost();
    // Posts any message to the notification thread, as a device would.
    void notify(UINT message, LPARAM lParam = 0);

    // --- Observing -------------------------------------------------------
    std::vector<std::string> log() const; // "open", "prepare 1", "add 2", "reset", ...
    void clearLog();
    std::vector<Delivery> deliveries() const;
    std::size_t deliveryCount() const;
    void clearDeliveries();
    std::size_t queuedBlocks() const;
    bool recording() const;
    bool isOpen() const;
    int allocations() const;
    int releases() const;
    const WAVEFORMATEX& lastFormat() const { return format_; }
    // Faults of the caller; all must stay 0.
    int releasedWhileQueued() const;
    int addsAfterReset() const;
    int wrongHeaderSizes() const;
    int releasedTwice() const;
    int releasedHeadersUsed() const;

    // --- WaveInDevice ----------------------------------------------------
    MMRESULT open(HWAVEIN* handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                  DWORD_PTR instance, DWORD flags) override;
    MMRESULT prepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize) override;
    MMRESULT add(HWAVEIN handle, WAVEHDR* header, UINT headerSize) override;
    MMRESULT start(HWAVEIN handle) override;
    MMRESULT reset(HWAVEIN handle) override;
    MMRESULT unprepare(HWAVEIN handle, WAVEHDR* header, UINT headerSize) override;
    MMRESULT close(HWAVEIN handle) override;
    void* allocate(std::size_t bytes) override;
    void release(void* memory) override;

  private:
    struct Failure {
        WaveCall call;
        int header;
        int times;
        MMRESULT result;
    };
    bool scriptedFailure(WaveCall call, int header, MMRESULT& result);
    int headerNumber(const WAVEHDR* header) const;
    bool isReleased(const WAVEHDR* header);
    void runCallHook(WaveCall call);
    void handBack(WAVEHDR* header, std::size_t recorded);
    void postOpenIfDeferred();
    void record(const std::string& entry);
    MMRESULT checkHandle(HWAVEIN handle) const;

    mutable std::mutex mutex_;
    std::vector<Failure> failures_;
    int failAllocations_ = 0;
    std::function<std::size_t(int)> resetRecorded_;
    std::uint8_t resetFill_ = 0x20;
    int lostHeader_ = 0;
    std::vector<WAVEHDR*> lost_;
    bool deferOpen_ = false;
    bool openPending_ = false;
    std::function<void(int)> addHook_;
    std::function<void()> callHooks_[7];

    std::vector<std::string> log_;
    std::vector<Delivery> deliveries_;
    std::deque<WAVEHDR*> queue_;
    WAVEFORMATEX format_{};
    DWORD thread_ = 0;
    HWAVEIN handle_ = nullptr;
    int opens_ = 0;
    bool open_ = false;
    bool recording_ = false;
    bool wasReset_ = false;
    std::vector<std::uint8_t*> regions_;
    std::deque<std::uint8_t*> quarantine_;
    int allocations_ = 0;
    int releases_ = 0;
    int releasedWhileQueued_ = 0;
    int addsAfterReset_ = 0;
    int wrongHeaderSizes_ = 0;
    int releasedTwice_ = 0;
    int releasedHeadersUsed_ = 0;
};

} // namespace tensikon::test
