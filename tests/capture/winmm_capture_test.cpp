// The recorder and the capture thread on Wine's real wave-in device. A
// machine without a sound card gives either a device that records silence
// or no device at all; each outcome is checked for what it must do. Run
// with TENSIKON_EXPECT_NO_WAVE_IN=1 (and Wine's audio drivers disabled) the
// test insists on the second.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "tests/capture/capture_fixture.h"

namespace tensikon::test {
namespace {

// Winmm, counted: give-backs, allocations, releases.
class CountedWinmm final : public WaveInDevice {
  public:
    MMRESULT open(HWAVEIN* h, UINT id, const WAVEFORMATEX* f, DWORD_PTR cb, DWORD_PTR inst,
                  DWORD flags) override
    {
        return real_.open(h, id, f, cb, inst, flags);
    }
    MMRESULT prepare(HWAVEIN h, WAVEHDR* hdr, UINT size) override
    {
        return real_.prepare(h, hdr, size);
    }
    MMRESULT add(HWAVEIN h, WAVEHDR* hdr, UINT size) override
    {
        const MMRESULT result = real_.add(h, hdr, size);
        adds += result == MMSYSERR_NOERROR ? 1 : 0;
        return result;
    }
    MMRESULT start(HWAVEIN h) override { return real_.start(h); }
    MMRESULT reset(HWAVEIN h) override { return real_.reset(h); }
    MMRESULT unprepare(HWAVEIN h, WAVEHDR* hdr, UINT size) override
    {
        return real_.unprepare(h, hdr, size);
    }
    MMRESULT close(HWAVEIN h) override { return real_.close(h); }
    void* allocate(std::size_t bytes) override
    {
        ++allocations;
        return real_.allocate(bytes);
    }
    void release(void* memory) override
    {
        ++releases;
        real_.release(memory);
    }

    std::atomic<int> adds{0};
    int allocations = 0;
    int releases = 0;

  private:
    WinmmWaveInDevice real_;
};

class RealDevice : public CaptureTest {
  protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        useWaveInDevice(&winmm_);
    }
    CountedWinmm winmm_;
};

bool machineCanOpenWaveIn()
{
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    HWAVEIN h = nullptr;
    if (waveInOpen(&h, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        return false;
    }
    waveInClose(h);
    return true;
}

TEST_F(RealDevice, RecordsAndStopsOrShowsTheOneOpenMessage)
{
    const bool noDeviceExpected = std::getenv("TENSIKON_EXPECT_NO_WAVE_IN") != nullptr;
    const bool deviceExpected = std::getenv("TENSIKON_EXPECT_WAVE_IN") != nullptr;
    const StartResult started = startRecording(panel_);
    std::printf("wave-in device: %s\n", started == StartResult::Recording ? "present" : "absent");
    if (started == StartResult::Failed) {
        EXPECT_FALSE(deviceExpected) << "no device opened with a sound server running";
        EXPECT_EQ(boxes_.texts(), std::vector<std::string>{"Can't open WAVE In Device!"});
        ASSERT_EQ(boxes_.boxes().size(), 1u);
        EXPECT_EQ(boxes_.boxes()[0].caption, "Error");
        EXPECT_EQ(winmm_.allocations, 0);
        EXPECT_FALSE(recorderIsOpen());
        EXPECT_FALSE(machineCanOpenWaveIn()) << "the device can be opened, yet the start failed";
        return;
    }
    ASSERT_FALSE(noDeviceExpected) << "a device opened with the audio drivers disabled";
    EXPECT_TRUE(boxes_.boxes().empty());
    EXPECT_TRUE(recorderIsOpen());
    // Silence never holds a pluck: every full block goes back to the device.
    EXPECT_TRUE(waitUntil([&] { return winmm_.adds >= 2 + 3; }, 5000ms))
        << "blocks given back while armed: " << winmm_.adds - 2;
    EXPECT_TRUE(captureArmed());
    EXPECT_EQ(captureBlockCount(), 0);

    EXPECT_LT(timedStop(), kStopWaitLimit);
    EXPECT_TRUE(boxes_.boxes().empty()) << "unprepare and close succeed";
    EXPECT_FALSE(recorderIsOpen());
    EXPECT_EQ(captureBlockCount(), 2) << "the reset handed both blocks back";
    EXPECT_EQ(takeCaptureDone(), 1);
    EXPECT_EQ(winmm_.allocations, 1);
    EXPECT_EQ(winmm_.releases, 1);

    // The device is free again: a second recording opens it afresh.
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    stopRecording(panel_);
    EXPECT_EQ(winmm_.releases, 2);
    EXPECT_TRUE(boxes_.boxes().empty());
}

} // namespace
} // namespace tensikon::test
