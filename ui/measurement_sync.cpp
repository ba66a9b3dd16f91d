#include "ui/measurement_sync.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "resources/resource.h"
#include "ui/measurement_state.h"
#include "ui/readout_panel.h"
#include "ui/shell_state.h"
#include "win32/error_message.h"

namespace tensikon {

namespace {

constexpr UINT kFlashPeriodMs = 500;
// Often enough that a lost device is reported well within 2 s of its last
// block, and a capture whose WM_CAPTURE_DONE was lost is finished at once.
constexpr UINT kWatchPeriodMs = 100;
// The input's level is shown at most four times a second.
constexpr UINT kInputLevelPeriodMs = 250;

constexpr const char* kNoModelStatus = "No Bike Selected";

// The timers this has started, so that each starts once when it becomes due
// (a restart would push back its expiry) and is killed once when it is not.
struct RunningTimers {
    bool flash = false;
    bool hold = false;
    bool watch = false;
    bool inputLevel = false;
};
RunningTimers running;

void setText(HWND dialog, int id, const char* text)
{
    char shown[256] = {};
    GetDlgItemTextA(dialog, id, shown, sizeof shown);
    if (std::strcmp(shown, text) != 0)
        SetDlgItemTextA(dialog, id, text);
}

int targetReadout(Cylinder c)
{
    return c == Cylinder::Vertical ? IDC_VERTICAL_TARGET : IDC_HORIZONTAL_TARGET;
}

int measuredReadout(Cylinder c)
{
    return c == Cylinder::Vertical ? IDC_VERTICAL_MEASURED : IDC_HORIZONTAL_MEASURED;
}

// The targets first: each measured value is judged against the target its
// column shows, read back from that readout.
void showReadouts(const MeasurementState& s)
{
    for (const Cylinder c : {Cylinder::Vertical, Cylinder::Horizontal}) {
        const bool selected = c == s.cylinder;
        const std::string target = s.model ? std::to_string(targetHz(s, c)) : "000";
        showReadout(targetReadout(c), target.c_str(), pickShade(false, selected));
    }
    for (const Cylinder c : {Cylinder::Vertical, Cylinder::Horizontal}) {
        const ReadoutContent& reading = s.readings[static_cast<std::size_t>(c)];
        const bool red = measuredIsRed(reading, shownTarget(targetReadout(c)));
        const bool bright = c == s.cylinder && !(red && s.darkBeat);
        showReadout(measuredReadout(c), measuredText(reading).text, pickShade(red, bright));
    }
}

// The pair is one tab stop, the checked button, from which the arrow keys
// move to the other.
void showCylinder(HWND panel, const MeasurementState& s)
{
    const int selected = s.cylinder == Cylinder::Vertical ? IDC_VERTICAL_CYL : IDC_HORIZONTAL_CYL;
    CheckRadioButton(panel, IDC_VERTICAL_CYL, IDC_HORIZONTAL_CYL, selected);
    for (const int id : {IDC_VERTICAL_CYL, IDC_HORIZONTAL_CYL}) {
        HWND button = GetDlgItem(panel, id);
        const LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
        SetWindowLongPtrA(button, GWL_STYLE,
                          id == selected ? style | WS_TABSTOP : style & ~LONG_PTR{WS_TABSTOP});
    }
}

void showPanel(HWND panel, const MeasurementState& s)
{
    setText(panel, IDC_RECORD, recordCaption(s));
    showCylinder(panel, s);
    setText(panel, IDC_STATUS, s.model ? std::string(s.model->statusText).c_str() : kNoModelStatus);
    setText(panel, IDC_STATUS_DETAIL, statusRowDetail(s).c_str());
}

void showMenuMarks(const MeasurementState& s)
{
    HMENU menu = GetMenu(shell.mainWindow);
    if (menu == nullptr)
        return;
    CheckMenuRadioItem(menu, IDM_CONTINUOUS, IDM_SINGLE,
                       s.mode == RecordMode::Single ? IDM_SINGLE : IDM_CONTINUOUS, MF_BYCOMMAND);
    CheckMenuItem(menu, IDM_SOUND_ON_RESULT,
                  MF_BYCOMMAND | (s.soundOnResult ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuRadioItem(menu, IDM_PLUCK_LEVEL, IDM_PLUCK_AUTOMATIC,
                       s.pluckTest == PluckTest::Automatic ? IDM_PLUCK_AUTOMATIC : IDM_PLUCK_LEVEL,
                       MF_BYCOMMAND);
    for (const HoldTimeItem& item : kHoldTimes) {
        if (item.milliseconds == s.holdTimeMs)
            CheckMenuRadioItem(menu, kHoldTimes.front().command, kHoldTimes.back().command,
                               item.command, MF_BYCOMMAND);
    }
}

// Starts or kills one timer; false when it is due and could not be started.
bool runTimer(HWND panel, UINT_PTR id, bool due, UINT periodMs, bool& isRunning)
{
    if (due == isRunning)
        return true;
    isRunning = due;
    if (!due) {
        KillTimer(panel, id);
        return true;
    }
    return SetTimer(panel, id, periodMs, nullptr) != 0;
}

void reportTimerFailure(HWND panel)
{
    showError(panel, "Could not SetTimer()!", kErrorCaption, MB_ICONEXCLAMATION);
}

// Last, since a message box runs its own message loop.
void runTimers(HWND panel, MeasurementState& s)
{
    runTimer(panel, IDT_WATCH, watchTimerRuns(s), kWatchPeriodMs, running.watch);
    runTimer(panel, IDT_INPUT_LEVEL, inputLevelTimerRuns(s), kInputLevelPeriodMs,
             running.inputLevel);
    const bool flashing =
        runTimer(panel, IDT_FLASH, flashTimerRuns(s), kFlashPeriodMs, running.flash);
    const bool holding =
        runTimer(panel, IDT_HOLD, holdTimerRuns(s), static_cast<UINT>(s.holdTimeMs), running.hold);
    if (!holding) {
        running.hold = false;
        s.phase = Phase::Idle;
        s.idle = IdleReason::HoldFailed;
    }
    if (!flashing)
        reportTimerFailure(panel); // the capture runs without flashing
    if (!holding)
        reportTimerFailure(panel);
}

} // namespace

void syncMeasurementUi()
{
    MeasurementState& s = measurementState();
    showMenuMarks(s);
    HWND panel = shell.measurementPanel.get();
    if (panel == nullptr)
        return;
    showReadouts(s);
    showPanel(panel, s);
    runTimers(panel, s);
}

void forgetMeasurementTimers()
{
    running = RunningTimers{};
}

} // namespace tensikon
