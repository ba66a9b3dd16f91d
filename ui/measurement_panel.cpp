#include "ui/measurement_panel.h"

#include <charconv>
#include <cstdint>
#include <optional>

#include "capture/capture.h"
#include "core/bike_catalogue.h"
#include "core/shown_reading.h"
#include "resources/resource.h"
#include "ui/error_message.h"
#include "ui/guide.h"
#include "ui/readout_panel.h"
#include "ui/shell_state.h"
#include "ui/unique_handle.h"

namespace tensikon {

namespace {

constexpr UINT kFlashPeriodMs = 500;
constexpr COLORREF kPanelBackground = 0xFFFFFF;

constexpr const char* kStartCaption = "Start Recording";
constexpr const char* kStartAfterResultCaption = "Start Record";
constexpr const char* kStopCaption = "Stop";

// The panel's measurement state. At any time either no recording runs and
// `recording` is 0, or exactly one runs, `recording` is 1 and flashTimer
// runs. `holdPending` is true while holdTimer waits to start the next capture
// of the continuous cycle; it never is while a recording runs.
int recording = 0;
int horizontalSelected = 0;
bool holdPending = false;
// The white background of the guide's text area.
UniqueBrush panelBrush;

bool verticalSelected(HWND panel)
{
    return IsDlgButtonChecked(panel, IDC_VERTICAL_CYL) == BST_CHECKED;
}

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
    recording = startRecording(panel);
    if (recording == 1)
        setSelectedMeasured(kBrightRed, "REC");
    return recording == 1;
}

void startFromButton(HWND panel)
{
    if (beginCapture(panel))
        refreshReadouts();
    startFlashTimer(panel);
    setRecordCaption(panel, kStopCaption);
}

void stopFromButton(HWND panel)
{
    setSelectedMeasured(kBrightGreen, "???");
    refreshReadouts();
    recording = 0;
    stopRecording(panel);
    KillTimer(panel, IDT_FLASH);
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

void onRecordButton(HWND panel)
{
    if (recording == 1)
        stopFromButton(panel);
    else if (holdPending)
        endContinuousCycle(panel);
    else
        startFromButton(panel);
}

// Moves the selection to the other cylinder: its column turns bright, the
// other dim, each measured readout keeping its hue.
void selectCylinder(HWND panel, bool vertical)
{
    ReadoutColours& c = readoutColours;
    const COLORREF verticalRed = vertical ? kBrightRed : kDarkRed;
    const COLORREF verticalGreen = vertical ? kBrightGreen : kDarkGreen;
    const COLORREF horizontalRed = vertical ? kDarkRed : kBrightRed;
    const COLORREF horizontalGreen = vertical ? kDarkGreen : kBrightGreen;
    c.verticalMeasuredColour = pickShade(c.verticalMeasuredColour, verticalRed, verticalGreen);
    c.horizontalMeasuredColour =
        pickShade(c.horizontalMeasuredColour, horizontalRed, horizontalGreen);
    c.verticalTargetColour = verticalGreen;
    c.horizontalTargetColour = horizontalGreen;
    refreshReadouts();
    horizontalSelected = vertical ? 0 : 1;
    // Keeps the check with the selection also when the command did not come
    // from a click on the button itself.
    CheckRadioButton(panel, IDC_VERTICAL_CYL, IDC_HORIZONTAL_CYL,
                     vertical ? IDC_VERTICAL_CYL : IDC_HORIZONTAL_CYL);
}

void onCylinderButton(HWND panel, bool vertical)
{
    const bool otherIsSelected = vertical ? horizontalSelected == 1 : horizontalSelected == 0;
    if (!otherIsSelected)
        return;
    if (recording == 1) {
        // The capture belongs to the selected cylinder: put the check back.
        CheckRadioButton(panel, IDC_VERTICAL_CYL, IDC_HORIZONTAL_CYL,
                         vertical ? IDC_HORIZONTAL_CYL : IDC_VERTICAL_CYL);
        return;
    }
    selectCylinder(panel, vertical);
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

// "REC" swaps between bright and dark red; a green readout stays still.
void onFlashTimer(HWND panel)
{
    COLORREF& colour = verticalSelected(panel) ? readoutColours.verticalMeasuredColour
                                               : readoutColours.horizontalMeasuredColour;
    if (colour == kBrightRed)
        colour = kDarkRed;
    else if (colour == kDarkRed)
        colour = kBrightRed;
    refreshReadouts();
}

// The automatic restart of the continuous cycle; the caption still reads "Stop".
void onHoldTimer(HWND panel)
{
    KillTimer(panel, IDT_HOLD);
    holdPending = false;
    beginCapture(panel);
    startFlashTimer(panel);
}

INT_PTR onTimer(HWND panel, UINT_PTR id)
{
    if (id == IDT_FLASH)
        onFlashTimer(panel);
    else if (id == IDT_HOLD)
        onHoldTimer(panel);
    return TRUE;
}

// Writes the shown reading (the crossing count, or the pitch where the two
// disagree) into the selected measured readout: bright green within the
// selected cylinder's target, bright red outside it, and "---" in bright red
// when the capture gave no reading at all.
void showResult(HWND panel, std::optional<std::int32_t> hz)
{
    const int targetId = verticalSelected(panel) ? IDC_VERTICAL_TARGET : IDC_HORIZONTAL_TARGET;
    const UINT target = GetDlgItemInt(shell.readoutPanel, targetId, nullptr, FALSE);
    if (!hz) {
        setSelectedMeasured(kBrightRed, "---");
        return;
    }
    char text[16] = {};
    std::to_chars(text, text + sizeof text - 1, *hz);
    setSelectedMeasured(isWithinTarget(*hz, target) ? kBrightGreen : kBrightRed, text);
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
    KillTimer(panel, IDT_FLASH);
    recording = 0;
    stopRecording(panel);
    if (shell.analysisBuffer == nullptr)
        return TRUE;
    const AnalysisBuffer buffer(shell.analysisBuffer, kAnalysisBufferBytes);
    showResult(panel, measureCapture(buffer).shown.hz);
    continueOrFinish(panel);
    return TRUE;
}

// The guide's text area stands on white and loads its first page when first
// drawn. Every other static control keeps the dialog's default colours.
INT_PTR onCtlColorStatic(HWND panel, HDC dc, HWND control)
{
    if (GetDlgCtrlID(control) != IDC_GUIDE_TEXT)
        return FALSE;
    SetBkMode(dc, TRANSPARENT);
    guideFirstPage(panel);
    return reinterpret_cast<INT_PTR>(panelBrush.get());
}

INT_PTR onInitDialog()
{
    panelBrush.reset(CreateSolidBrush(kPanelBackground));
    horizontalSelected = 1;
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
    KillTimer(panel, IDT_FLASH);
    KillTimer(panel, IDT_HOLD);
    holdPending = false;
    if (recording == 1) {
        recording = 0;
        stopRecording(panel);
    }
}

} // namespace tensikon
