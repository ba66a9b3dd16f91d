// The hazards of handing blocks between the device, the capture thread and
// the stop, each forced deterministically with the scripted device.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>

#include "tests/capture/capture_fixture.h"

namespace tensikon::test {
namespace {

class HandOver : public CaptureTest {};

// The stop arrives while the thread has found `armed` set and is inside its
// give-back: it must wait for the give-back to finish, so that its reset
// hands the block back instead of leaving it in a reset device.
TEST_F(HandOver, StopDuringAGiveBackWaitsForItAndGetsTheBlockBack)
{
    const int abandonedBefore = abandonedRecordings();
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    HANDLE inGiveBack = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    device_.setAddHook([&](int) {
        SetEvent(inGiveBack);
        Sleep(50); // the stop is called meanwhile
    });
    ASSERT_TRUE(device_.deliver(quietBlock(1)).has_value());
    ASSERT_EQ(WaitForSingleObject(inGiveBack, 3000), WAIT_OBJECT_0);
    EXPECT_LT(timedStop(), kStopWaitLimit);
    device_.setAddHook(nullptr);
    CloseHandle(inGiveBack);

    EXPECT_EQ(device_.addsAfterReset(), 0);
    EXPECT_EQ(captureBlockCount(), 2);
    EXPECT_EQ(takeCaptureDone(), 1);
    EXPECT_EQ(abandonedRecordings(), abandonedBefore);
    EXPECT_EQ(device_.releases(), device_.allocations());
}

// No device call is made under the capture lock: a device call may handle
// messages sent to the windows, whose handlers take that lock.
TEST_F(HandOver, NoDeviceCallHoldsTheCaptureLock)
{
    std::atomic<int> calls = 0; // the give-back's add runs on the capture thread
    std::atomic<int> underLock = 0;
    const auto check = [&] {
        ++calls;
        underLock += std::async(std::launch::async, [] {
                         std::unique_lock probe(captureState().lock, std::try_to_lock);
                         return !probe.owns_lock();
                     }).get();
    };
    for (WaveCall call : {WaveCall::Open, WaveCall::Reset, WaveCall::Close})
        device_.setCallHook(call, check);
    device_.setAddHook([&](int) { check(); });
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    deliverAndWaitRequeue(quietBlock(1));
    EXPECT_EQ(stopRecording(panel_), StopResult::Stopped);
    device_.setAddHook(nullptr);
    EXPECT_EQ(calls, 6) << "open, two adds, a give-back, reset, close";
    EXPECT_EQ(underLock, 0);
}

// When the stop releases a recording's memory (the scripted device poisons
// it), the second block's copy is complete: the buffer holds the block, not
// the poison.
TEST_F(HandOver, MemoryIsReleasedOnlyAfterTheSecondCopyIsComplete)
{
    for (int round = 0; round < 50; ++round) {
        ASSERT_EQ(startRecording(panel_), StartResult::Recording);
        ASSERT_TRUE(device_.deliver(pluckBlock(1)).has_value());
        ASSERT_TRUE(device_.deliver(quietBlock(2)).has_value() ||
                    waitUntil([&] { return device_.deliver(quietBlock(2)).has_value(); }));
        stopRecording(panel_); // may race with the copy of the second block
        EXPECT_EQ(buffer(), concat(pluckBlock(1), quietBlock(2))) << "round " << round;
        EXPECT_EQ(takeCaptureDone(), 1);
    }
}

// The new recording's count is 0 before its stop can read it, even while
// the thread has not yet seen the device's open notification: the stop
// right after the start waits for this recording's two blocks.
TEST_F(HandOver, StopRightAfterAStartNeverSeesThePreviousRecordingsCount)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    deliverAndWaitRetained(pluckBlock(1), 1);
    deliverAndWaitRetained(quietBlock(2), 2);
    stopRecording(panel_);
    ASSERT_EQ(takeCaptureDone(), 1);

    device_.deferOpenNotification(true);
    device_.setResetFill(0x44);
    device_.setResetRecorded([](int) { return 100; });
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    EXPECT_EQ(captureBlockCount(), 0);
    device_.clearDeliveries();
    stopRecording(panel_);
    const std::vector<Delivery> back = device_.deliveries();
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(buffer(), concat(back[0].bytes, back[1].bytes))
        << "both reset blocks were waited for";
    EXPECT_EQ(captureBlockCount(), 2);
    EXPECT_EQ(takeCaptureDone(), 1);
    EXPECT_EQ(device_.releasedWhileQueued(), 0);
}

// A give-back that fails leaves the block with nobody: the stop does not
// wait for it and releases everything.
TEST_F(HandOver, FailedGiveBackDoesNotHoldTheStop)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    device_.failOn(WaveCall::Add, 2);
    deliverAndWaitRequeue(quietBlock(1));
    ASSERT_TRUE(device_.deliver(quietBlock(2)).has_value());
    ASSERT_TRUE(waitUntil([&] {
        const auto log = device_.log();
        return std::count(log.begin(), log.end(), "add 2") == 2; // the failed give-back
    }));
    EXPECT_LT(timedStop(), kStopWaitLimit / 2);
    EXPECT_EQ(captureBlockCount(), 1);
    EXPECT_EQ(takeCaptureDone(), 0);
    EXPECT_EQ(device_.releases(), device_.allocations());
    EXPECT_TRUE(boxes_.boxes().empty());
}

// A device that keeps a block through its reset: the stop gives up after its
// limit, reports what fails, keeps the memory the device may still write,
// and ignores the block if it ever comes back. The next start is unharmed.
TEST_F(HandOver, LostBlockEndsTheWaitAtItsLimitAndKeepsTheMemory)
{
    const int abandonedBefore = abandonedRecordings();
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    deliverAndWaitRetained(pluckBlock(1), 1);
    device_.loseOnReset(2);
    const auto waited = timedStop();
    EXPECT_GE(waited, kStopWaitLimit - 100ms);
    EXPECT_LT(waited, kStopWaitLimit + 2000ms);
    EXPECT_EQ(boxes_.texts(), (std::vector<std::string>{"Error unpreparing WAVEHDR 2!",
                                                        "Can't close WAVE In Device!"}));
    EXPECT_EQ(device_.releases(), 0) << "memory still in the device is never released";
    EXPECT_EQ(abandonedRecordings(), abandonedBefore + 1);
    EXPECT_FALSE(recorderIsOpen());

    const Bytes before = buffer();
    device_.loseOnReset(0);
    ASSERT_TRUE(device_.handBackLost()); // the lost block turns up late
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    deliverAndWaitRequeue(quietBlock(9)); // the late block has been handled by now
    EXPECT_EQ(buffer(), before);
    EXPECT_EQ(captureBlockCount(), 0);
    EXPECT_EQ(takeCaptureDone(), 0);
    stopRecording(panel_);
    EXPECT_EQ(device_.releases(), 1);
}

// Detaching stops the recording first and then releases the buffer; from
// then on nothing is copied and nothing is posted, whatever the device does.
TEST_F(HandOver, DetachStopsTheRecordingAndNothingIsCopiedAfterIt)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    deliverAndWaitRetained(pluckBlock(1), 1);
    takeCaptureDone();
    detachCapture();
    EXPECT_FALSE(recorderIsOpen());
    EXPECT_FALSE(device_.isOpen());
    EXPECT_EQ(device_.releases(), device_.allocations());
    EXPECT_EQ(analysisBuffer(), nullptr);
    EXPECT_EQ(captureBlockCount(), 2) << "the stop still waited for the reset's block";

    device_.notify(MM_WIM_DATA, 0);
    ASSERT_EQ(startRecording(panel_), StartResult::Recording); // a recording with no buffer held
    deliverAndWaitRetained(pluckBlock(2), 1);
    deliverAndWaitRetained(quietBlock(3), 2);
    stopRecording(panel_);
    EXPECT_EQ(analysisBuffer(), nullptr);
    EXPECT_EQ(takeCaptureDone(), 0);
}

} // namespace
} // namespace tensikon::test
