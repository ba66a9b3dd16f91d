// Whole measurements on the real windows: the record button, the cylinder
// buttons, the timers and WM_CAPTURE_DONE, seen as the user sees them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "capture/capture.h"
#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "tests/ui/capture_script.h"
#include "ui/readout_panel.h"
#include "ui/shell_state.h"

namespace tensikon::test {
namespace {

namespace script = capture_script;

class Measurement : public AppTest {
  protected:
    void flash() { SendMessageA(panel(), WM_TIMER, IDT_FLASH, 0); }
    void holdExpires() { SendMessageA(panel(), WM_TIMER, IDT_HOLD, 0); }

    // Whether the panel's timer runs. Asking ends it, so only at the end of
    // a phase of a test.
    bool timerRan(UINT_PTR id) { return KillTimer(panel(), id) != FALSE; }

    void expectReadout(int id, const char* text, COLORREF colour)
    {
        EXPECT_EQ(readout(id), text) << "readout " << id;
        EXPECT_EQ(readoutColour(id), colour) << "readout " << id << std::hex;
    }

    // The capture that runs has its analysis in the buffer: WM_CAPTURE_DONE.
    void single() { menu(IDM_SINGLE); }
};

TEST_F(Measurement, StartsWithZerosOnBlackAndTheHorizontalColumnBright)
{
    expectReadout(IDC_HORIZONTAL_TARGET, "000", kBrightGreen);
    expectReadout(IDC_VERTICAL_TARGET, "000", kDarkGreen);
    expectReadout(IDC_HORIZONTAL_MEASURED, "000", kBrightGreen);
    expectReadout(IDC_VERTICAL_MEASURED, "000", kDarkGreen);
    EXPECT_EQ(recordCaption(), "Start Recording");
    EXPECT_EQ(statusLine(), "No Bike Selected");
}

TEST_F(Measurement, SingleModeRunsFromPressToGreenValueAndStops)
{
    menu(6017); // Corvane 1000i: 140 and 140
    single();
    click(IDC_RECORD);
    EXPECT_EQ(script::starts(), 1);
    expectReadout(IDC_HORIZONTAL_MEASURED, "REC", kBrightRed);
    EXPECT_EQ(recordCaption(), "Stop");
    flash();
    expectReadout(IDC_HORIZONTAL_MEASURED, "REC", kDarkRed);
    flash();
    expectReadout(IDC_HORIZONTAL_MEASURED, "REC", kBrightRed);
    expectReadout(IDC_VERTICAL_MEASURED, "000", kDarkGreen);
    expectReadout(IDC_HORIZONTAL_TARGET, "140", kBrightGreen);

    pluck(pluckedTone(140));
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightGreen);
    EXPECT_EQ(recordCaption(), "Start Record");
    EXPECT_EQ(script::stops(), 1);
    EXPECT_FALSE(timerRan(IDT_FLASH));
    EXPECT_FALSE(timerRan(IDT_HOLD));

    // The next press starts afresh.
    click(IDC_RECORD);
    EXPECT_EQ(script::starts(), 2);
    EXPECT_EQ(recordCaption(), "Stop");
    flash(); // a result that comes in the dark beat is still bright
    pluck(pluckedTone(110));
    expectReadout(IDC_HORIZONTAL_MEASURED, "110", kBrightRed);
    EXPECT_EQ(recordCaption(), "Start Record");
}

TEST_F(Measurement, AValueJudgedAgainstTheSelectedCylindersTarget)
{
    menu(6015); // Corvane 800: horizontal 145, vertical 160
    single();
    click(IDC_RECORD);
    pluck(pluckedTone(140)); // exactly 5 below 145
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightGreen);

    click(IDC_VERTICAL_CYL);
    click(IDC_RECORD);
    expectReadout(IDC_VERTICAL_MEASURED, "REC", kBrightRed);
    pluck(pluckedTone(140)); // 20 below 160
    expectReadout(IDC_VERTICAL_MEASURED, "140", kBrightRed);
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kDarkGreen);

    click(IDC_RECORD);
    pluck(pluckedTone(160)); // reads 159
    expectReadout(IDC_VERTICAL_MEASURED, "159", kBrightGreen);
}

TEST_F(Measurement, WithoutAModelTheTargetIsZero)
{
    single();
    click(IDC_RECORD);
    pluck(pluckedTone(140));
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightRed);
    expectReadout(IDC_HORIZONTAL_TARGET, "000", kBrightGreen);
}

TEST_F(Measurement, ContinuousModeStartsTheNextCaptureAfterTheHoldTime)
{
    menu(6025); // Tourenza TR3: 142 and 142
    menu(IDM_HOLD_HALF_SECOND);
    click(IDC_RECORD);
    const ULONGLONG resultAt = (pluck(pluckedTone(140)), GetTickCount64());
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightGreen);
    EXPECT_EQ(recordCaption(), "Stop");
    EXPECT_EQ(script::starts(), 1);

    ASSERT_TRUE(pumpUntil([] { return script::starts() == 2; }, 5000));
    const ULONGLONG waited = GetTickCount64() - resultAt;
    EXPECT_GE(waited, 500u - 20u) << "the hold time is honoured";
    expectReadout(IDC_HORIZONTAL_MEASURED, "REC", kBrightRed);
    EXPECT_EQ(recordCaption(), "Stop");
    // The result "REC" replaced stays in sight, judged against today's target.
    const auto detail = [this] { return controlText(panel(), IDC_STATUS_DETAIL); };
    EXPECT_EQ(detail().rfind("Last: 140 Hz, in range. Input", 0), 0u) << detail();
    menu(6026); // Pistara 750R: 110
    EXPECT_EQ(detail().rfind("Last: 140 Hz, out of range. Input", 0), 0u) << detail();

    pluck(pluckedTone(110));
    expectReadout(IDC_HORIZONTAL_MEASURED, "110", kBrightGreen);
    EXPECT_EQ(recordCaption(), "Stop");
    EXPECT_TRUE(timerRan(IDT_HOLD));
    EXPECT_EQ(detail(), "");
}

TEST_F(Measurement, TheHoldTimeIsReadWhenTheResultArrives)
{
    click(IDC_RECORD);
    menu(IDM_HOLD_ONE_SECOND);
    const ULONGLONG resultAt = (pluck(pluckedTone(140)), GetTickCount64());
    menu(IDM_HOLD_HALF_SECOND); // too late for this result
    ASSERT_TRUE(pumpUntil([] { return script::starts() == 2; }, 5000));
    EXPECT_GE(GetTickCount64() - resultAt, 1000u - 20u);
}

TEST_F(Measurement, ARecordModeChosenDuringACaptureAppliesToItsResult)
{
    click(IDC_RECORD);
    single();
    pluck(pluckedTone(140));
    EXPECT_EQ(recordCaption(), "Start Record");
    EXPECT_FALSE(timerRan(IDT_HOLD));
}

TEST_F(Measurement, AStopDuringACaptureShowsQuestionMarksInBrightGreen)
{
    single();
    click(IDC_RECORD);
    pluck(pluckedTone(110));
    click(IDC_VERTICAL_CYL);
    click(IDC_RECORD);
    expectReadout(IDC_VERTICAL_MEASURED, "REC", kBrightRed);
    click(IDC_RECORD);
    expectReadout(IDC_VERTICAL_MEASURED, "???", kBrightGreen);
    expectReadout(IDC_HORIZONTAL_MEASURED, "110", kDarkRed);
    EXPECT_EQ(recordCaption(), "Start Recording");
    EXPECT_EQ(script::stops(), 2);
    EXPECT_FALSE(script::recording());
    // The capture's own WM_CAPTURE_DONE comes after the stop and is ignored.
    pumpMessages();
    expectReadout(IDC_VERTICAL_MEASURED, "???", kBrightGreen);
    EXPECT_EQ(recordCaption(), "Start Recording");
    EXPECT_FALSE(timerRan(IDT_FLASH));
    EXPECT_FALSE(timerRan(IDT_HOLD));
}

TEST_F(Measurement, ACaptureDoneWhileIdleChangesNothing)
{
    single();
    click(IDC_RECORD);
    pluck(pluckedTone(140));
    SendMessageA(panel(), WM_CAPTURE_DONE, 0, 0);
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightRed);
    EXPECT_EQ(recordCaption(), "Start Record");
    EXPECT_EQ(script::stops(), 1);
}

TEST_F(Measurement, TheCylinderCannotChangeDuringACapture)
{
    click(IDC_RECORD);
    click(IDC_VERTICAL_CYL);
    EXPECT_EQ(IsDlgButtonChecked(panel(), IDC_HORIZONTAL_CYL), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(panel(), IDC_VERTICAL_CYL), BST_UNCHECKED);
    expectReadout(IDC_HORIZONTAL_MEASURED, "REC", kBrightRed);
    expectReadout(IDC_VERTICAL_TARGET, "000", kDarkGreen);
    click(IDC_RECORD); // stop
    click(IDC_VERTICAL_CYL);
    EXPECT_EQ(IsDlgButtonChecked(panel(), IDC_VERTICAL_CYL), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(panel(), IDC_HORIZONTAL_CYL), BST_UNCHECKED);
    expectReadout(IDC_VERTICAL_TARGET, "000", kBrightGreen);
    expectReadout(IDC_HORIZONTAL_TARGET, "000", kDarkGreen);
    expectReadout(IDC_HORIZONTAL_MEASURED, "???", kDarkGreen);
}

TEST_F(Measurement, ACylinderChangeKeepsEachHueAndMovesTheBrightness)
{
    single();
    click(IDC_VERTICAL_CYL);
    click(IDC_RECORD);
    pluck(pluckedTone(140)); // red against 0
    expectReadout(IDC_VERTICAL_MEASURED, "140", kBrightRed);
    click(IDC_HORIZONTAL_CYL);
    expectReadout(IDC_VERTICAL_MEASURED, "140", kDarkRed);
    expectReadout(IDC_HORIZONTAL_MEASURED, "000", kBrightGreen);
    expectReadout(IDC_VERTICAL_TARGET, "000", kDarkGreen);
    expectReadout(IDC_HORIZONTAL_TARGET, "000", kBrightGreen);
    // A click on the cylinder already selected changes nothing.
    click(IDC_HORIZONTAL_CYL);
    expectReadout(IDC_VERTICAL_MEASURED, "140", kDarkRed);
    expectReadout(IDC_HORIZONTAL_TARGET, "000", kBrightGreen);
    EXPECT_EQ(IsDlgButtonChecked(panel(), IDC_HORIZONTAL_CYL), BST_CHECKED);
    click(IDC_VERTICAL_CYL);
    expectReadout(IDC_VERTICAL_MEASURED, "140", kBrightRed);
    expectReadout(IDC_HORIZONTAL_MEASURED, "000", kDarkGreen);
}

TEST_F(Measurement, AFailedStartReadsStopAndFlashesOnlyARedReadout)
{
    single();
    click(IDC_RECORD);
    pluck(pluckedTone(110)); // red against 0
    script::failNextStart();
    click(IDC_RECORD);
    const std::vector<CaughtBox> shown = boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Can't open WAVE In Device!");
    EXPECT_EQ(recordCaption(), "Stop");
    EXPECT_FALSE(script::recording());
    expectReadout(IDC_HORIZONTAL_MEASURED, "110", kBrightRed);
    flash();
    expectReadout(IDC_HORIZONTAL_MEASURED, "110", kDarkRed);
    flash();
    expectReadout(IDC_HORIZONTAL_MEASURED, "110", kBrightRed);
    EXPECT_TRUE(timerRan(IDT_FLASH));

    // The next press tries again.
    click(IDC_RECORD);
    EXPECT_EQ(script::startAttempts(), 3);
    EXPECT_TRUE(script::recording());
    expectReadout(IDC_HORIZONTAL_MEASURED, "REC", kBrightRed);
    EXPECT_EQ(recordCaption(), "Stop");
}

TEST_F(Measurement, AFailedStartLeavesAGreenReadoutStill)
{
    script::failNextStart();
    click(IDC_RECORD);
    EXPECT_EQ(boxes().size(), 1u);
    flash();
    expectReadout(IDC_HORIZONTAL_MEASURED, "000", kBrightGreen);
}

TEST_F(Measurement, AFailedAutomaticRestartLeavesTheFlashTimerAndTheCaption)
{
    click(IDC_RECORD);
    pluck(pluckedTone(140));
    script::failNextStart();
    holdExpires();
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_FALSE(script::recording());
    EXPECT_EQ(recordCaption(), "Stop");
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightRed);
    EXPECT_TRUE(timerRan(IDT_FLASH));
    EXPECT_FALSE(timerRan(IDT_HOLD));
}

// A press while the continuous cycle waits ends the cycle instead of
// starting a recording that the hold timer would start a second time.
TEST_F(Measurement, APressDuringTheHoldTimeEndsTheContinuousCycle)
{
    menu(IDM_HOLD_HALF_SECOND);
    click(IDC_RECORD);
    pluck(pluckedTone(140));
    EXPECT_EQ(recordCaption(), "Stop");
    click(IDC_RECORD);
    EXPECT_EQ(recordCaption(), "Start Recording");
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightRed);
    EXPECT_EQ(script::startAttempts(), 1);
    // Well past the hold time nothing has started.
    pumpUntil([] { return false; }, 800);
    EXPECT_EQ(script::startAttempts(), 1);
    EXPECT_FALSE(timerRan(IDT_HOLD));
    // The next press starts a capture as usual.
    click(IDC_RECORD);
    EXPECT_EQ(script::starts(), 2);
    expectReadout(IDC_HORIZONTAL_MEASURED, "REC", kBrightRed);
}

TEST_F(Measurement, ACaptureWithoutAReadingShowsDashesInBrightRedAndTheCycleGoesOn)
{
    menu(6017);
    menu(IDM_HOLD_HALF_SECOND);
    click(IDC_RECORD);
    pluck(pluckWithoutReading());
    expectReadout(IDC_HORIZONTAL_MEASURED, "---", kBrightRed);
    EXPECT_EQ(recordCaption(), "Stop");
    ASSERT_TRUE(pumpUntil([] { return script::starts() == 2; }, 5000));
    expectReadout(IDC_HORIZONTAL_MEASURED, "REC", kBrightRed);
}

// The status row's second field: the input while recording, against what
// the chosen pluck test needs, and why a capture shows "---".
TEST_F(Measurement, TheStatusRowSaysWhatItHearsAndWhyThereIsNoReading)
{
    const auto detail = [this] { return controlText(panel(), IDC_STATUS_DETAIL); };
    const auto inputTimer = [this] { SendMessageA(panel(), WM_TIMER, IDT_INPUT_LEVEL, 0); };
    single();
    EXPECT_EQ(detail(), "");
    click(IDC_RECORD);
    inputTimer();
    EXPECT_EQ(detail(), "Input: no sound yet (pluck test -2.5 dB)");
    pluck(pluckWithoutReading());
    EXPECT_EQ(detail(), "No reading: the sound does not die away like a plucked belt: a voice, a "
                        "whistle or a machine");
    EXPECT_EQ(statusLine(), "No Bike Selected");
    EXPECT_FALSE(timerRan(IDT_INPUT_LEVEL));

    menu(IDM_PLUCK_AUTOMATIC);
    click(IDC_RECORD);
    inputTimer();
    EXPECT_EQ(detail(), "Input: no sound yet (pluck test: a sharp rise to -30 dB)");
    script::deliverDigitalSilence(1); // the background a rise is heard over
    pluck(pluckedTone(140));
    EXPECT_EQ(detail(), "");
}

// A four-digit result stays whole through every later refresh.
TEST_F(Measurement, AResultOfFourDigitsSurvivesTheRefreshesOfTheNextCapture)
{
    single();
    click(IDC_VERTICAL_CYL);
    click(IDC_RECORD);
    pluck(pluckedSquare(1000)); // the crossing count reads 1002, the pitch agrees
    expectReadout(IDC_VERTICAL_MEASURED, "1002", kBrightRed);
    click(IDC_HORIZONTAL_CYL); // refreshes
    expectReadout(IDC_VERTICAL_MEASURED, "1002", kDarkRed);
    click(IDC_RECORD); // starts on the horizontal cylinder, refreshes
    flash();
    flash();
    EXPECT_EQ(readout(IDC_VERTICAL_MEASURED), "1002");
    click(IDC_RECORD);
    EXPECT_EQ(readout(IDC_VERTICAL_MEASURED), "1002");
}

// The colour query of the panel's other static controls is left to the
// default handling: the answer is a real brush, never the number 1.
TEST_F(Measurement, OtherStaticsOfThePanelGetTheDefaultColours)
{
    HDC dc = CreateCompatibleDC(nullptr);
    for (int id : {IDC_STATUS, IDC_MEASURED_LABEL, IDC_TARGET_LABEL, IDC_TOP_LINE}) {
        const LRESULT brush = SendMessageA(panel(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(GetDlgItem(panel(), id)));
        EXPECT_NE(brush, 1) << id;
        EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(brush)), static_cast<DWORD>(OBJ_BRUSH))
            << id;
    }
    SetBkMode(dc, OPAQUE);
    const LRESULT white =
        SendMessageA(panel(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(panel(), IDC_GUIDE_TEXT)));
    LOGBRUSH logBrush{};
    ASSERT_EQ(GetObjectA(reinterpret_cast<HGDIOBJ>(white), sizeof logBrush, &logBrush),
              static_cast<int>(sizeof logBrush));
    EXPECT_EQ(logBrush.lbColor, 0xFFFFFFu);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    DeleteDC(dc);
}

// The verdict follows the target: a reading on show is judged again when
// the model changes, in either column, and its number stays.
TEST_F(Measurement, AReadingOnShowIsJudgedAgainAgainstANewTarget)
{
    menu(6017); // 140 and 140
    single();
    click(IDC_RECORD);
    pluck(pluckedTone(140));
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightGreen);
    menu(6019); // 110 and 110
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightRed);
    click(IDC_VERTICAL_CYL);
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kDarkRed);
    menu(6015); // 145 and 160
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kDarkGreen);
    expectReadout(IDC_VERTICAL_MEASURED, "000", kBrightGreen);
}

// A WM_CAPTURE_DONE that never arrives (its post failed) does not leave
// "REC" on screen: the watch timer finishes the complete capture.
TEST_F(Measurement, ACaptureWhoseMessageIsLostIsFinishedAllTheSame)
{
    menu(6017);
    single();
    click(IDC_RECORD);
    capture_script::pluck(pluckedTone(140));
    MSG lost{};
    for (int waited = 0; waited < 5000; waited += 5) {
        if (PeekMessageA(&lost, panel(), WM_CAPTURE_DONE, WM_CAPTURE_DONE, PM_REMOVE))
            break;
        Sleep(5);
    }
    ASSERT_EQ(lost.message, static_cast<UINT>(WM_CAPTURE_DONE));
    const ULONGLONG lostAt = GetTickCount64();
    ASSERT_TRUE(pumpUntil([] { return !capture_script::recording(); }, 5000));
    std::printf("finished %llu ms after the lost message\n", GetTickCount64() - lostAt);
    expectReadout(IDC_HORIZONTAL_MEASURED, "140", kBrightGreen);
    EXPECT_EQ(recordCaption(), "Start Record");
}

TEST_F(Measurement, ClosingTheWindowDuringACaptureStopsItBeforeTheBufferIsReleased)
{
    click(IDC_RECORD);
    ASSERT_TRUE(script::recording());
    closeProgram();
    EXPECT_FALSE(script::recording());
    EXPECT_EQ(script::stops(), 1);
    EXPECT_TRUE(script::bufferAliveAtLastStop());
    EXPECT_EQ(analysisBuffer(), nullptr);
}

} // namespace
} // namespace tensikon::test
