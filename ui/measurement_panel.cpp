#include "ui/measurement_panel.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <optional>

#include "capture/capture.h"
#include "core/bike_catalogue.h"
#include "core/shown_reading.h"
#include "resources/resource.h"
#include "ui/guide.h"
#include "ui/readout_panel.h"
#include "ui/shell_state.h"
#include "win32/error_message.h"
#include "win32/unique_handle.h"

namespace tensikon {

namespace {

constexpr UINT kFlashPeriodMs = 500;
// Often enough that a lost device is reported well within 2 s of its last block.
constexpr UINT kWatchPeriodMs = 100;
constexpr COLORREF kPanelBackground = 0xFFFFFF;

constexpr const char* kStartCaption = "Start Recording";
constexpr const char* kStartAfterResultCaption = "Start Record";
constexpr const char* kStopCaption = "Stop";

constexpr const char* kDeviceLostText =
    "The recording device stopped sending sound! Please check it.";
constexpr const char* kNoSoundText =
    "The microphone delivers no sound! Please check that it is switched on, not muted, "
    "and allowed for this program in the system's privacy settings.";

// The panel's measurement state. At any time either no recording runs and
// `recording` is 0, or exactly one runs, `recording` is 1 and flashTimer
// and the watch timer (which ends a capture whose device has failed) run. `holdPending` is true
// while holdTimer waits to start the next capture of the continuous cycle; it never is while a
// recording runs.
int recording = 0;
bool holdPending = false;
// The white background of the guide's text area.
UniqueBrush panelBrush;

void setRecordCaption(HWND panel, const char* caption)
{
    SetDlgItemTextA(panel, IDC_RECORD, caption);
}

void startFlashTimer(HWND panel)
{
    if (SetTimer(panel, IDT_FLASH, kFlashPeriodMs, nullptr) == 0)
        showError(panel, "Could not SetTimer()!", kErrorCaption, MB_ICONEXCLAMATION);
}

// Starts a recording; true when it runs. A failed start has shown its own
// message and leaves `recording` at 0.
bool beginCapture(HWND panel)
{
    // 1 already while the start runs: a failed start shows a message box,
    // whose message loop must not let the cylinder change under it.
    recording = 1;
    recording = startRecording(panel) == 1 ? 1 : 0;
    if (recording == 1) {
        showRecording();
        SetTimer(panel, IDT_WATCH, kWatchPeriodMs, nullptr);
    }
    return recording == 1;
}

// Every end of a capture: no watching, no flashing, `recording` cleared
// before the device is stopped (see onCaptureDone).
void endCapture(HWND panel)
{
    KillTimer(panel, IDT_WATCH);
    KillTimer(panel, IDT_FLASH);
    recording = 0;
}

void startFromButton(HWND panel)
{
    if (beginCapture(panel))
        refreshReadouts();
    startFlashTimer(panel);
    setRecordCaption(panel, kStopCaption);
}

// A capture whose device has failed ends as a stop by the button would, and
// the user is told once why.
void stopFailedCapture(HWND panel, CaptureFault fault)
{
    showStopped();
    refreshReadouts();
    endCapture(panel);
    stopFailedRecording();
    setRecordCaption(panel, kStartCaption);
    showError(panel, fault == CaptureFault::NoSound ? kNoSoundText : kDeviceLostText, kErrorCaption,
              MB_ICONEXCLAMATION);
}

// A press during a capture whose device has already failed ends it as that
// failure would.
void stopFromButton(HWND panel)
{
    if (const CaptureFault fault = captureFault(std::chrono::steady_clock::now());
        fault != CaptureFault::None) {
        stopFailedCapture(panel, fault);
        return;
    }
    showStopped();
    refreshReadouts();
    endCapture(panel);
    stopRecording(panel);
    setRecordCaption(panel, kStartCaption);
}

// A press while the continuous cycle waits for its next capture ends the
// cycle: otherwise the pending holdTimer would start a second recording over
// the one the press started. The last result stays on show.
void endContinuousCycle(HWND panel)
{
    KillTimer(panel, IDT_HOLD);
    holdPending = false;
    setRecordCaption(panel, kStartCaption);
}

// A press that arrives while a start or a stop is under way (the device
// calls of both handle messages sent by other threads) is ignored: acting on
// it would start or stop a recording in the middle of another.
void onRecordButton(HWND panel)
{
    if (recorderInTransition())
        return;
    if (recording == 1)
        stopFromButton(panel);
    else if (holdPending)
        endContinuousCycle(panel);
    else
        startFromButton(panel);
}

// The radio buttons show the readout panel's selection; a click has already
// moved the check by the time its command arrives. The pair is one tab
// stop, the checked button, from which the arrow keys move to the other.
void showSelection(HWND panel)
{
    const int selected = verticalSelected() ? IDC_VERTICAL_CYL : IDC_HORIZONTAL_CYL;
    CheckRadioButton(panel, IDC_VERTICAL_CYL, IDC_HORIZONTAL_CYL, selected);
    for (const int id : {IDC_VERTICAL_CYL, IDC_HORIZONTAL_CYL}) {
        HWND button = GetDlgItem(panel, id);
        const LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
        SetWindowLongPtrA(button, GWL_STYLE,
                          id == selected ? style | WS_TABSTOP : style & ~LONG_PTR{WS_TABSTOP});
    }
}

// The capture belongs to the selected cylinder: during one, a click on the
// other only has its check put back.
void onCylinderButton(HWND panel, bool vertical)
{
    if (vertical == verticalSelected())
        return;
    if (recording == 0)
        selectCylinder(vertical);
    showSelection(panel);
}

INT_PTR onCommand(HWND panel, int id)
{
    switch (id) {
    case IDC_RECORD:
        onRecordButton(panel);
        break;
    case IDC_VERTICAL_CYL:
        onCylinderButton(panel, true);
        break;
    case IDC_HORIZONTAL_CYL:
        onCylinderButton(panel, false);
        break;
    case IDC_GUIDE_BACK:
        guideTurn(panel, -1);
        break;
    case IDC_GUIDE_FORWARD:
        guideTurn(panel, +1);
        break;
    default:
        break;
    }
    return TRUE;
}

// The automatic restart of the continuous cycle; the caption still reads "Stop".
// During a start or a stop it waits for its next tick.
void onHoldTimer(HWND panel)
{
    if (recorderInTransition())
        return;
    KillTimer(panel, IDT_HOLD);
    holdPending = false;
    beginCapture(panel);
    startFlashTimer(panel);
}

void onWatchTimer(HWND panel)
{
    if (recording == 0 || !recorderIsOpen())
        return;
    if (const CaptureFault fault = captureFault(std::chrono::steady_clock::now());
        fault != CaptureFault::None)
        stopFailedCapture(panel, fault);
}

INT_PTR onTimer(HWND panel, UINT_PTR id)
{
    if (id == IDT_FLASH)
        flash();
    else if (id == IDT_HOLD)
        onHoldTimer(panel);
    else if (id == IDT_WATCH)
        onWatchTimer(panel);
    return TRUE;
}

// Shows the shown reading (the crossing count, or the pitch where the two
// disagree), judged against the selected cylinder's target, or "---" when
// the capture gave no reading at all.
void showReading(std::optional<std::int32_t> hz)
{
    const unsigned target = selectedTarget();
    if (!hz) {
        showResult(Verdict::NoReading, "---");
        return;
    }
    char text[16] = {};
    std::to_chars(text, text + sizeof text - 1, *hz);
    showResult(isWithinTarget(*hz, target) ? Verdict::InTarget : Verdict::OutOfTarget, text);
}

bool singleModeChosen()
{
    const UINT state = GetMenuState(GetMenu(shell.mainWindow), IDM_SINGLE, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

void continueOrFinish(HWND panel)
{
    if (singleModeChosen()) {
        setRecordCaption(panel, kStartAfterResultCaption);
        return;
    }
    if (SetTimer(panel, IDT_HOLD, static_cast<UINT>(shell.holdTimeMs), nullptr) == 0) {
        showError(panel, "Could not SetTimer()!", kErrorCaption, MB_ICONEXCLAMATION);
        return;
    }
    holdPending = true;
}

/*
 * The end of a capture. The capture thread posts WM_CAPTURE_DONE once both
 * halves of the analysis buffer are filled, but also when a stop by the
 * record button brings the blocks back; `recording` tells the two apart: the
 * button clears it before it stops the device, so every message that arrives
 * after that point (even one dispatched inside a message box of the stop) is
 * ignored. Here too `recording` is cleared first, then the device stopped;
 * stopRecording returns only when the thread no longer writes the buffer, so
 * the estimator reads a complete, settled capture.
 */
INT_PTR onCaptureDone(HWND panel)
{
    if (recording == 0 || !recorderIsOpen())
        return TRUE;
    endCapture(panel);
    stopRecording(panel);
    if (analysisBuffer() == nullptr)
        return TRUE;
    const AnalysisBuffer buffer(analysisBuffer(), kAnalysisBufferBytes);
    showReading(measureCapture(buffer).shown.hz);
    continueOrFinish(panel);
    return TRUE;
}

// The guide's text area stands on white and loads its first page when first
// drawn; a diagram stands on its own background. Every other static control
// keeps the dialog's default colours.
INT_PTR onCtlColorStatic(HWND panel, HDC dc, HWND control)
{
    if (GetDlgCtrlID(control) != IDC_GUIDE_TEXT)
        return reinterpret_cast<INT_PTR>(guidePictureBackground(control));
    SetBkMode(dc, TRANSPARENT);
    guideFirstPage(panel);
    return reinterpret_cast<INT_PTR>(panelBrush.get());
}

INT_PTR onInitDialog()
{
    panelBrush.reset(CreateSolidBrush(kPanelBackground));
    recording = 0;
    holdPending = false;
    return TRUE;
}

INT_PTR onDestroy(HWND panel)
{
    endMeasurement(panel);
    resetGuide();
    panelBrush.reset();
    return TRUE;
}

INT_PTR CALLBACK measurementPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog();
    case WM_DESTROY:
        return onDestroy(panel);
    case WM_COMMAND:
        return onCommand(panel, LOWORD(wParam));
    case WM_TIMER:
        return onTimer(panel, LOWORD(wParam));
    case WM_CTLCOLORSTATIC:
        return onCtlColorStatic(panel, reinterpret_cast<HDC>(wParam),
                                reinterpret_cast<HWND>(lParam));
    case WM_CAPTURE_DONE:
        return onCaptureDone(panel);
    default:
        return FALSE;
    }
}

} // namespace

HWND createMeasurementPanel(HINSTANCE instance, HWND parent)
{
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MEASUREMENT_PANEL), parent,
                              measurementPanelProc, 0);
}

void endMeasurement(HWND panel)
{
    KillTimer(panel, IDT_HOLD);
    holdPending = false;
    const bool wasRecording = recording == 1;
    endCapture(panel);
    if (wasRecording)
        stopRecording(panel);
}

} // namespace tensikon
