// Starts and stops asked for inside another's device calls, and devices that
// stop working during a capture: one that hands back no more blocks, one
// that delivers nothing but digital silence.
#include <gtest/gtest.h>

#include "tests/capture/capture_fixture.h"

namespace tensikon::test {
namespace {

using Clock = std::chrono::steady_clock;

class Nested : public CaptureTest {
  protected:
    // Inside `call`, asks for a start and a stop, as a press handled there would.
    void nestInside(WaveCall call)
    {
        device_.setCallHook(call, [this] {
            busy_ += startRecording(panel_) == StartResult::Busy;
            busy_ += stopRecording(panel_) == StopResult::Busy;
            ++asked_;
            states_.push_back(recorderState());
        });
    }
    // Pairs of a start and a stop asked, and how many of them said Busy.
    int asked_ = 0;
    int busy_ = 0;
    std::vector<RecorderState> states_;
};

TEST_F(Nested, StartsAndStopsDuringATransitionDoNothingAndSaySo)
{
    for (WaveCall call : {WaveCall::Open, WaveCall::Reset, WaveCall::Close})
        nestInside(call);
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(startRecording(panel_), StartResult::Recording);
        deliverAndWaitRequeue(quietBlock(1));
        EXPECT_EQ(stopRecording(panel_), StopResult::Stopped);
    }
    EXPECT_EQ(asked_, 9);
    EXPECT_EQ(busy_, 9 * 2);
    EXPECT_EQ(states_.front(), RecorderState::Opening);
    EXPECT_EQ(states_.back(), RecorderState::Stopping);
    EXPECT_EQ(recorderState(), RecorderState::Idle);
    EXPECT_EQ(device_.allocations(), 3);
    EXPECT_EQ(device_.releases(), 3);
    EXPECT_EQ(stopRecording(panel_), StopResult::NotRecording) << "nothing left to stop";
}

// A failed start's message box is part of its transition.
TEST_F(Nested, AFailedStartRefusesNestedCallsUntilItsMessageIsGone)
{
    nestInside(WaveCall::Close);
    device_.failOn(WaveCall::Start);
    EXPECT_EQ(startRecording(panel_), StartResult::Failed);
    EXPECT_EQ(asked_, 1);
    EXPECT_EQ(busy_, 2);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string>{"Error starting record!"});
    EXPECT_EQ(device_.releases(), device_.allocations());
}

class DeviceFault : public CaptureTest {};

// The device hands back no more blocks, and keeps both through the reset,
// as one that has been unplugged does.
TEST_F(DeviceFault, ADeviceThatStopsHandingBackBlocksIsLostOneSecondPastDue)
{
    const int abandonedBefore = abandonedRecordings();
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    deliverAndWaitRequeue(quietBlock(1));
    const auto now = Clock::now();
    EXPECT_EQ(captureFault(now), CaptureFault::None);
    EXPECT_EQ(captureFault(now + 1000ms), CaptureFault::None);
    EXPECT_EQ(captureFault(now + 1300ms), CaptureFault::DeviceLost);

    device_.loseOnReset(ScriptedWaveInDevice::kEveryHeader);
    const auto begin = Clock::now();
    EXPECT_EQ(stopFailedRecording(), StopResult::Stopped);
    EXPECT_LT(Clock::now() - begin, kFailedStopWaitLimit + 500ms);
    EXPECT_TRUE(boxes_.boxes().empty()) << "the caller's one message is the only one";
    EXPECT_EQ(device_.releases(), 0) << "never freed under the device";
    EXPECT_EQ(abandonedRecordings(), abandonedBefore + 1);
    EXPECT_EQ(stopFailedRecording(), StopResult::NotRecording);
    EXPECT_EQ(abandonedRecordings(), abandonedBefore + 1) << "kept once per lost device";
    EXPECT_EQ(captureFault(now + 5000ms), CaptureFault::None) << "nothing runs";

    device_.loseOnReset(0); // the microphone is back: a start opens afresh
    device_.clearLog();
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    EXPECT_EQ(device_.log().front(), "open");
    deliverAndWaitRetained(pluckBlock(2), 1);
    deliverAndWaitRetained(quietBlock(3), 2);
    EXPECT_EQ(captureFault(Clock::now() + 5000ms), CaptureFault::None) << "complete";
    EXPECT_EQ(stopRecording(panel_), StopResult::Stopped);
    EXPECT_EQ(buffer(), concat(pluckBlock(2), quietBlock(3)));
}

TEST_F(DeviceFault, TwelveBlocksOfDigitalSilenceInARowMeanNoSound)
{
    const Bytes zeros(kCaptureBlockBytes, 0);
    Bytes faint = zeros; // the lowest bit of one sample: a live input
    faint[4000] = 1;
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    for (int i = 0; i < 11; ++i)
        deliverAndWaitRequeue(zeros);
    deliverAndWaitRequeue(faint);
    for (int i = 0; i < 11; ++i)
        deliverAndWaitRequeue(zeros);
    EXPECT_EQ(captureFault(Clock::now()), CaptureFault::None);
    ASSERT_TRUE(device_.deliver(zeros, 1000).has_value()); // cut short: breaks the run
    ASSERT_TRUE(waitUntil([&] { return device_.queuedBlocks() == 2; }));
    for (int i = 0; i < 11; ++i)
        deliverAndWaitRequeue(zeros);
    EXPECT_EQ(captureFault(Clock::now()), CaptureFault::None);
    deliverAndWaitRequeue(zeros);
    EXPECT_EQ(captureFault(Clock::now()), CaptureFault::NoSound);

    EXPECT_EQ(stopFailedRecording(), StopResult::Stopped);
    EXPECT_TRUE(boxes_.boxes().empty());
    EXPECT_EQ(device_.releases(), device_.allocations()) << "a live device gives its blocks back";
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    EXPECT_EQ(captureFault(Clock::now()), CaptureFault::None) << "each recording counts afresh";
}

} // namespace
} // namespace tensikon::test
