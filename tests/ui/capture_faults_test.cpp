// The record button pressed inside the device calls of a start or a stop,
// and captures whose device stops working, seen as the user sees them.
#include <windows.h>

#include <gtest/gtest.h>

#include "capture/capture.h"
#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "tests/ui/capture_script.h"
#include "ui/readout_panel.h"

namespace tensikon::test {
namespace {

namespace script = capture_script;

class CaptureFaults : public AppTest {
  protected:
    void expectIdleWithQuestionMarks()
    {
        EXPECT_EQ(readout(IDC_HORIZONTAL_MEASURED), "???");
        EXPECT_EQ(readoutColour(IDC_HORIZONTAL_MEASURED), kBrightGreen);
        EXPECT_EQ(recordCaption(), "Start Recording");
        EXPECT_FALSE(script::recording());
        EXPECT_FALSE(KillTimer(panel(), IDT_WATCH)) << "nothing left to watch";
    }
    // The one message box the panel shows after the capture ended.
    void expectOneMessage(const std::string& text)
    {
        ASSERT_TRUE(pumpUntil([&] { return !(caught_ = boxes()).empty(); }, 5000));
        pumpUntil([] { return false; }, 300);
        const std::vector<CaughtBox> later = boxes();
        caught_.insert(caught_.end(), later.begin(), later.end());
        ASSERT_EQ(caught_.size(), 1u);
        EXPECT_EQ(caught_[0].text, text);
        EXPECT_EQ(caught_[0].caption, "Error");
        EXPECT_TRUE(caught_[0].exclamationIcon);
        EXPECT_EQ(caught_[0].owner, mainWindow()) << "the panel's, which is a child window";
    }
    std::vector<CaughtBox> caught_;
};

// Presses (and a hold timer) handled inside open, reset and close, as a
// thread that waits in them handles messages sent from another process.
TEST_F(CaptureFaults, PressesInsideAStartOrAStopAreIgnored)
{
    int nested = 0;
    for (WaveCall call : {WaveCall::Open, WaveCall::Reset, WaveCall::Close}) {
        script::duringDeviceCall(call, [&] {
            ++nested;
            click(IDC_RECORD);
            SendMessageA(panel(), WM_TIMER, IDT_HOLD, 0);
        });
    }
    for (int round = 1; round <= 5; ++round) {
        click(IDC_RECORD);
        EXPECT_EQ(recordCaption(), "Stop");
        EXPECT_EQ(readout(IDC_HORIZONTAL_MEASURED), "REC");
        EXPECT_TRUE(script::recording());
        click(IDC_RECORD);
        expectIdleWithQuestionMarks();
        EXPECT_EQ(script::startAttempts(), round) << "a nested press started nothing";
    }
    EXPECT_EQ(nested, 15);
    EXPECT_EQ(script::stops(), 5);
    EXPECT_EQ(script::memoryFaults(), 0);
}

TEST_F(CaptureFaults, ALostDeviceEndsTheCaptureWithOneMessageAndTheNextPressOpensAfresh)
{
    click(IDC_RECORD);
    script::loseDevice();
    const ULONGLONG started = GetTickCount64();
    expectOneMessage("The recording device stopped sending sound! Please check it.");
    EXPECT_LT(GetTickCount64() - started, 2500u) << "1 s past the first block's due time";
    expectIdleWithQuestionMarks();
    EXPECT_EQ(script::memoryFaults(), 0);

    click(IDC_RECORD);
    EXPECT_EQ(script::startAttempts(), 2);
    EXPECT_TRUE(script::recording());
    pluck(pluckedTone(140));
    EXPECT_EQ(readout(IDC_HORIZONTAL_MEASURED), "140");
}

TEST_F(CaptureFaults, ThreeSecondsOfDigitalSilenceEndTheCaptureWithOneMessage)
{
    menu(IDM_SINGLE);
    click(IDC_RECORD);
    script::deliverDigitalSilence(12);
    expectOneMessage("The microphone delivers no sound! Please check that it is switched on, "
                     "not muted, and allowed for this program in the system's privacy settings.");
    expectIdleWithQuestionMarks();
    EXPECT_EQ(script::stops(), 1);
}

// Closing the program from another thread while a stop waits in the
// device's reset: the close runs inside the reset, as a message sent to the
// window does, and must neither deadlock nor write into the released buffer.
TEST_F(CaptureFaults, AWindowClosedFromAnotherThreadDuringAStopClosesCleanly)
{
    click(IDC_RECORD);
    HWND window = mainWindow();
    script::duringDeviceCall(WaveCall::Reset, [window] {
        HANDLE closer = CreateThread(
            nullptr, 0,
            [](LPVOID w) -> DWORD {
                SendMessageA(static_cast<HWND>(w), WM_CLOSE, 0, 0);
                return 0;
            },
            window, 0, nullptr);
        // As a device call waits: handling the messages other threads send.
        while (MsgWaitForMultipleObjects(1, &closer, FALSE, 10000, QS_SENDMESSAGE) ==
               WAIT_OBJECT_0 + 1) {
            MSG sent;
            PeekMessageA(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        CloseHandle(closer);
    });
    click(IDC_RECORD);
    EXPECT_EQ(mainWindow(), nullptr);
    EXPECT_FALSE(script::recording());
    EXPECT_EQ(analysisBuffer(), nullptr);
    EXPECT_EQ(script::memoryFaults(), 0);
    script::duringDeviceCall(WaveCall::Reset, nullptr);
}

} // namespace
} // namespace tensikon::test
