// The recorder and the capture thread against a scripted device: the steps of
// a start and a stop, the three endings of a recording, and what the thread
// does with every kind of notification.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/capture/capture_fixture.h"

namespace tensikon::test {
namespace {

using Log = std::vector<std::string>;

const Log kStartLog = {"open", "allocate", "prepare 1", "prepare 2", "add 1", "add 2", "start"};
const Log kStopLog = {"reset", "unprepare 2", "unprepare 1", "close", "release"};

class Recorder : public CaptureTest {};

TEST_F(Recorder, StartOpensMonoPcmAndQueuesBothBlocksOfOneAllocation)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    EXPECT_EQ(device_.log(), kStartLog); // prepare/add "1" and "2": header 2 is 22 050 bytes on
    const WAVEFORMATEX& f = device_.lastFormat();
    EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.nAvgBytesPerSec, 88200u);
    EXPECT_TRUE(recorderIsOpen());
    EXPECT_TRUE(captureArmed());
    EXPECT_EQ(captureBlockCount(), 0);
    EXPECT_EQ(device_.queuedBlocks(), 2u);

    device_.clearLog();
    stopRecording(panel_);
    EXPECT_EQ(device_.log(), kStopLog);
    EXPECT_FALSE(recorderIsOpen());
    EXPECT_FALSE(device_.isOpen());
    EXPECT_EQ(device_.releases(), device_.allocations());
    EXPECT_TRUE(boxes_.boxes().empty());
}

struct FailingStep {
    const char* name;
    std::function<void(ScriptedWaveInDevice&)> script;
    const char* message;
};

void PrintTo(const FailingStep& step, std::ostream* os)
{
    *os << step.name;
}

class FailedStart : public CaptureTest, public ::testing::WithParamInterface<FailingStep> {};

// Whatever step fails: one message, result 0, nothing kept, nothing copied,
// and the next start opens the device afresh.
TEST_P(FailedStart, ShowsOneMessageReleasesEverythingAndLetsTheNextStartOpenAfresh)
{
    GetParam().script(device_);
    EXPECT_EQ(startRecording(panel_), StartResult::Failed);
    ASSERT_EQ(boxes_.boxes().size(), 1u);
    const CaughtBox& box = boxes_.boxes()[0];
    EXPECT_EQ(box.text, GetParam().message);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_TRUE(box.exclamationIcon);
    EXPECT_EQ(box.visibleButtons, 1);
    EXPECT_EQ(box.owner, panel_);

    EXPECT_FALSE(recorderIsOpen());
    EXPECT_FALSE(device_.isOpen());
    EXPECT_FALSE(device_.recording());
    EXPECT_EQ(device_.releases(), device_.allocations());
    EXPECT_FALSE(captureArmed());
    EXPECT_EQ(captureBlockCount(), 0);
    EXPECT_EQ(takeCaptureDone(), 0);
    EXPECT_EQ(buffer(), Bytes(kAnalysisBufferBytes, kUntouched));

    device_.clearLog();
    boxes_.clear();
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    EXPECT_EQ(device_.log(), kStartLog);
    stopRecording(panel_);
    EXPECT_TRUE(boxes_.boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, FailedStart,
    ::testing::Values(FailingStep{"Open", [](auto& d) { d.failOn(WaveCall::Open); },
                                  "Can't open WAVE In Device!"},
                      FailingStep{"Allocate", [](auto& d) { d.failAllocation(); },
                                  "Can't allocate memory for WAVE buffer!"},
                      FailingStep{"Prepare1", [](auto& d) { d.failOn(WaveCall::Prepare, 1); },
                                  "Error preparing WAVEHDR 1!"},
                      FailingStep{"Prepare2", [](auto& d) { d.failOn(WaveCall::Prepare, 2); },
                                  "Error preparing WAVEHDR 2!"},
                      FailingStep{"Queue1", [](auto& d) { d.failOn(WaveCall::Add, 1); },
                                  "Error queueing WAVEHDR 1!"},
                      FailingStep{"Queue2", [](auto& d) { d.failOn(WaveCall::Add, 2); },
                                  "Error queueing WAVEHDR 2!"},
                      FailingStep{"Start", [](auto& d) { d.failOn(WaveCall::Start); },
                                  "Error starting record!"}),
    [](const auto& info) { return std::string(info.param.name); });

// A failed start gives back exactly what it had acquired, in reverse.
TEST_F(Recorder, FailedStartTakesItsQueuedBlocksBackBeforeUnpreparingAndClosing)
{
    device_.failAllocation();
    EXPECT_EQ(startRecording(panel_), StartResult::Failed);
    EXPECT_EQ(device_.log(), (Log{"open", "allocate", "reset", "close"}));
    device_.clearLog();
    device_.failOn(WaveCall::Add, 2);
    EXPECT_EQ(startRecording(panel_), StartResult::Failed);
    EXPECT_EQ(device_.log(), (Log{"open", "allocate", "prepare 1", "prepare 2", "add 1", "add 2",
                                  "reset", "unprepare 2", "unprepare 1", "close", "release"}));
}

TEST_F(Recorder, StopReportsHeaderTwoThenHeaderOneThenCloseAndStillReleases)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    device_.failOn(WaveCall::Unprepare, 1);
    device_.failOn(WaveCall::Unprepare, 2);
    device_.failOn(WaveCall::Close);
    stopRecording(panel_);
    EXPECT_EQ(boxes_.texts(), (std::vector<std::string>{"Error unpreparing WAVEHDR 2!",
                                                        "Error unpreparing WAVEHDR 1!",
                                                        "Can't close WAVE In Device!"}));
    for (const CaughtBox& box : boxes_.boxes()) {
        EXPECT_EQ(box.caption, "Error");
        EXPECT_TRUE(box.exclamationIcon);
        EXPECT_EQ(box.owner, panel_);
    }
    EXPECT_EQ(device_.releases(), device_.allocations());
    EXPECT_FALSE(recorderIsOpen());
}

TEST_F(Recorder, PluckFillsTheBufferWithItsBlockAndTheNextAndPostsOnce)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    deliverAndWaitRequeue(quietBlock(1)); // header 1
    deliverAndWaitRequeue(quietBlock(2)); // header 2
    EXPECT_EQ(captureBlockCount(), 0);
    EXPECT_EQ(buffer(), Bytes(kAnalysisBufferBytes, kUntouched)) << "quiet blocks are not copied";

    deliverAndWaitRetained(pluckBlock(3), 1); // header 1 again
    EXPECT_FALSE(captureArmed());
    EXPECT_EQ(takeCaptureDone(), 0);
    deliverAndWaitRetained(quietBlock(4), 2); // header 2, queued behind it
    EXPECT_EQ(takeCaptureDone(), 1);
    EXPECT_EQ(buffer(), concat(pluckBlock(3), quietBlock(4)));
    EXPECT_EQ(device_.queuedBlocks(), 0u);

    device_.clearLog();
    EXPECT_LT(timedStop(), kStopWaitLimit);
    EXPECT_EQ(device_.log(), kStopLog);
    EXPECT_EQ(captureBlockCount(), 2) << "the count stays 2 through the stop and the close";
    EXPECT_EQ(takeCaptureDone(), 0);
    EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(Recorder, StopBeforeAnyPluckRetainsBothResetBlocksWholeAndPostsOnce)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    deliverAndWaitRequeue(quietBlock(1));
    device_.setResetRecorded([](int header) { return header == 2 ? 1000 : 0; });
    device_.setResetFill(0x33);
    device_.clearDeliveries();
    EXPECT_LT(timedStop(), kStopWaitLimit);
    const std::vector<Delivery> back = device_.deliveries();
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].header, 2) << "the reset hands back in queue order";
    EXPECT_EQ(captureBlockCount(), 2);
    EXPECT_EQ(buffer(), concat(back[0].bytes, back[1].bytes));
    EXPECT_EQ(takeCaptureDone(), 1);
}

TEST_F(Recorder, StopAfterThePlucksBlockMakesTheResetBlockTheSecondHalf)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    deliverAndWaitRetained(pluckBlock(7, 22001), 1);
    device_.setResetRecorded([](int) { return 4410; });
    device_.clearDeliveries();
    EXPECT_LT(timedStop(), kStopWaitLimit);
    const std::vector<Delivery> back = device_.deliveries();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].recorded, 4410u);
    EXPECT_EQ(buffer(), concat(pluckBlock(7, 22001), back[0].bytes));
    EXPECT_EQ(captureBlockCount(), 2);
    EXPECT_EQ(takeCaptureDone(), 1);
}

TEST_F(Recorder, BlockWithNoRecordedBytesIsNotScannedYetRetainedWholeWhenDisarmed)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    // The block's memory holds a pluck, but the device recorded nothing.
    ASSERT_TRUE(device_.deliver(pluckBlock(5), 0).has_value());
    ASSERT_TRUE(waitUntil([&] { return device_.queuedBlocks() == 2; }));
    EXPECT_TRUE(captureArmed());
    EXPECT_EQ(captureBlockCount(), 0);
    // 42 recorded bytes: offset 1 is tested.
    deliverAndWaitRetained(pluckBlock(6, 1), 1);
    device_.clearDeliveries();
    stopRecording(panel_); // the reset hands back header 1 (the 0-byte one) with 0 bytes
    const std::vector<Delivery> back = device_.deliveries();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].recorded, 0u);
    EXPECT_EQ(back[0].bytes, pluckBlock(5));
    EXPECT_EQ(buffer(), concat(pluckBlock(6, 1), pluckBlock(5)));
    EXPECT_EQ(takeCaptureDone(), 1);
}

TEST_F(Recorder, CloseAndForeignMessagesChangeNothingArmedOrAfterThePluck)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    auto sendNoise = [&] {
        device_.notify(MM_WIM_CLOSE);
        device_.notify(WM_USER + 7, 12345);
        device_.notify(WM_CAPTURE_DONE);
        device_.notify(MM_WIM_DATA, reinterpret_cast<LPARAM>(&device_)); // not one of our headers
    };
    sendNoise();
    deliverAndWaitRequeue(quietBlock(1)); // handled after the noise, in order
    EXPECT_TRUE(captureArmed());
    EXPECT_EQ(captureBlockCount(), 0);
    EXPECT_EQ(buffer(), Bytes(kAnalysisBufferBytes, kUntouched));

    deliverAndWaitRetained(pluckBlock(2), 1);
    sendNoise();
    deliverAndWaitRetained(quietBlock(3), 2);
    EXPECT_EQ(buffer(), concat(pluckBlock(2), quietBlock(3)));
    EXPECT_EQ(takeCaptureDone(), 1);
}

TEST_F(Recorder, PostsOnlyWhenTwoBlocksAreRetained)
{
    ASSERT_EQ(startRecording(panel_), StartResult::Recording);
    device_.failOn(WaveCall::Add, 1); // the give-back of header 1 fails
    ASSERT_TRUE(device_.deliver(quietBlock(1)).has_value());
    ASSERT_TRUE(waitUntil([&] {
        const auto log = device_.log();
        return std::count(log.begin(), log.end(), "add 1") == 2;
    }));
    deliverAndWaitRetained(pluckBlock(2), 1); // header 2, the only one left
    EXPECT_LT(timedStop(), kStopWaitLimit) << "a block out of the device is not waited for";
    EXPECT_EQ(captureBlockCount(), 1);
    EXPECT_EQ(takeCaptureDone(), 0);
    EXPECT_EQ(device_.releases(), device_.allocations());
    EXPECT_TRUE(boxes_.boxes().empty());
}

} // namespace
} // namespace tensikon::test
