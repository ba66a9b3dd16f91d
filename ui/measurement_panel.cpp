#include "ui/measurement_panel.h"

#include <chrono>
#include <cstdint>
#include <optional>

#include "capture/capture.h"
#include "core/bike_catalogue.h"
#include "core/no_reading_reason.h"
#include "core/shown_reading.h"
#include "resources/resource.h"
#include "ui/guide.h"
#include "ui/measurement_state.h"
#include "ui/measurement_sync.h"
#include "ui/readings.h"
#include "ui/shell_state.h"
#include "win32/error_message.h"
#include "win32/unique_handle.h"

namespace tensikon {

namespace {

constexpr COLORREF kPanelBackground = 0xFFFFFF;

constexpr const char* kDeviceLostText =
    "The recording device stopped sending sound! Please check it.";
constexpr const char* kNoSoundText =
    "The microphone delivers no sound! Please check that it is switched on, not muted, "
    "and allowed for this program in the system's privacy settings.";

// The white background of the guide's text area.
UniqueBrush panelBrush;

MeasurementState& state()
{
    return measurementState();
}

// Starts a recording, from the button or the hold timer. While the start
// runs the phase is Starting: a failed start shows a message box, whose
// message loop must neither let the cylinder change nor start another.
void beginCapture(HWND panel)
{
    const ReadoutContent previous = selectedReading(state());
    const bool continuing = state().phase == Phase::Holding &&
                            (previous.what == Shown::Value || previous.what == Shown::NoReading);
    state().lastResult = continuing ? std::optional(previous) : std::nullopt;
    state().phase = Phase::Starting;
    choosePluckTest(state().pluckTest);
    if (startRecording(panel) == StartResult::Recording) {
        state().phase = Phase::Armed;
        state().detail = {DetailKind::InputLevel};
        showOnSelected(state(), {Shown::Recording, 0});
    } else {
        state().phase = Phase::Idle;
        state().idle = IdleReason::StartFailed;
    }
    syncMeasurementUi();
}

// Every end of a capture before its result: "???" on the selected readout,
// the phase Stopping while the device is taken down, idle afterwards.
template <typename Stop> void endCaptureWithoutResult(Stop stop)
{
    showOnSelected(state(), {Shown::Stopped, 0});
    state().phase = Phase::Stopping;
    syncMeasurementUi();
    stop();
    state().phase = Phase::Idle;
    state().idle = IdleReason::Fresh;
    if (state().detail.kind == DetailKind::InputLevel)
        state().detail = {}; // the level is shown only while recording
    syncMeasurementUi();
}

// A capture whose device has failed ends as a stop by the button would, and
// the user is told once why.
void stopFailedCapture(HWND panel, CaptureFault fault)
{
    endCaptureWithoutResult([] { stopFailedRecording(); });
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
    endCaptureWithoutResult([panel] { stopRecording(panel); });
}

// A press while the continuous cycle waits for its next capture ends the
// cycle: otherwise the pending hold timer would start a second recording
// over the one the press started. The last result stays on show.
void endContinuousCycle()
{
    state().phase = Phase::Idle;
    state().idle = IdleReason::Fresh;
    syncMeasurementUi();
}

// A press that arrives while a start or a stop is under way (the device
// calls of both handle messages sent by other threads) is ignored: acting on
// it would start or stop a recording in the middle of another.
void onRecordButton(HWND panel)
{
    switch (state().phase) {
    case Phase::Armed:
        stopFromButton(panel);
        break;
    case Phase::Holding:
        endContinuousCycle();
        break;
    case Phase::Idle:
        beginCapture(panel);
        break;
    case Phase::Starting:
    case Phase::Stopping:
        break;
    }
}

// The capture belongs to the selected cylinder: during one, a click on the
// other only has its check put back (a click has already moved it).
void onCylinderButton(bool vertical)
{
    const Cylinder clicked = vertical ? Cylinder::Vertical : Cylinder::Horizontal;
    if (cylinderMayChange(state()) && clicked != state().cylinder) {
        state().cylinder = clicked;
        state().darkBeat = false;
    }
    syncMeasurementUi();
    noteSelection();
}

INT_PTR onCommand(HWND panel, int id)
{
    switch (id) {
    case IDC_RECORD:
        onRecordButton(panel);
        break;
    case IDC_VERTICAL_CYL:
        onCylinderButton(true);
        break;
    case IDC_HORIZONTAL_CYL:
        onCylinderButton(false);
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
void onHoldTimer(HWND panel)
{
    if (state().phase == Phase::Holding)
        beginCapture(panel);
}

// A red selected readout swaps between bright and dark; a green one stays still.
void onFlashTimer()
{
    MeasurementState& s = state();
    if (measuredIsRed(selectedReading(s), targetHz(s, s.cylinder)))
        s.darkBeat = !s.darkBeat;
    syncMeasurementUi();
}

void finishCapture(HWND panel);

// A failed device ends the capture; a capture that is complete but whose
// WM_CAPTURE_DONE never came (the post failed) is finished here instead.
void onWatchTimer(HWND panel)
{
    if (state().phase != Phase::Armed)
        return;
    if (const CaptureFault fault = captureFault(std::chrono::steady_clock::now());
        fault != CaptureFault::None)
        stopFailedCapture(panel, fault);
    else if (captureComplete())
        finishCapture(panel);
}

// While armed: the last block's loudest sample, or, once a block rose like a
// pluck that the level test did not take, the advice for that.
void onInputLevelTimer()
{
    if (state().phase != Phase::Armed)
        return;
    const HeardInput heard = heardInput();
    state().detail = heard.pluckBelowLevel ? StatusDetail{DetailKind::PluckBelowLevel}
                                           : StatusDetail{DetailKind::InputLevel, heard.peak};
    syncMeasurementUi();
}

INT_PTR onTimer(HWND panel, UINT_PTR id)
{
    if (id == IDT_FLASH)
        onFlashTimer();
    else if (id == IDT_HOLD)
        onHoldTimer(panel);
    else if (id == IDT_WATCH)
        onWatchTimer(panel);
    else if (id == IDT_INPUT_LEVEL)
        onInputLevelTimer();
    return TRUE;
}

// Record Mode as the menu shows it: the mark that syncMeasurementUi sets
// from the state.
bool singleModeChosen()
{
    const UINT mark = GetMenuState(GetMenu(shell.mainWindow), IDM_SINGLE, MF_BYCOMMAND);
    return mark != static_cast<UINT>(-1) && (mark & MF_CHECKED) != 0;
}

// The reading shown (the crossing count, or the pitch where the two
// disagree), or "---" when the capture gave no reading at all; then Single
// mode ends, Continuous mode holds until the next capture.
void finishCapture(HWND panel)
{
    state().phase = Phase::Stopping;
    syncMeasurementUi();
    stopRecording(panel);
    state().phase = Phase::Idle;
    state().idle = IdleReason::Fresh;
    if (analysisBuffer() == nullptr) {
        syncMeasurementUi();
        return;
    }
    // Measured from where the live scan found the pluck: with the level test
    // that is where findPluck finds it again.
    const AnalysisBuffer buffer(analysisBuffer(), kAnalysisBufferBytes);
    const Measurement m = measureCaptureFrom(buffer, capturedPluckOffset());
    const std::optional<std::int32_t> hz = m.shown.hz;
    showOnSelected(state(),
                   hz ? ReadoutContent{Shown::Value, *hz} : ReadoutContent{Shown::NoReading, 0});
    state().detail = hz ? StatusDetail{} : StatusDetail{DetailKind::NoReading, 0, reasonFor(m)};
    if (singleModeChosen())
        state().idle = IdleReason::SingleResult;
    else
        state().phase = Phase::Holding;
    syncMeasurementUi();
    recordReading(m.shown, targetHz(state(), state().cylinder));
}

/*
 * The end of a capture. The capture thread posts WM_CAPTURE_DONE once both
 * halves of the analysis buffer are filled, but also when a stop by the
 * record button brings the blocks back; the phase tells the two apart: a
 * stop leaves Armed before it stops the device, so every message that
 * arrives after that point (even one dispatched inside a message box of the
 * stop) is ignored. stopRecording returns only when the thread no longer
 * writes the buffer, so the estimator reads a complete, settled capture.
 */
INT_PTR onCaptureDone(HWND panel)
{
    if (state().phase == Phase::Armed)
        finishCapture(panel);
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
    forgetMeasurementTimers();
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
    for (const UINT_PTR timer : {IDT_FLASH, IDT_HOLD, IDT_WATCH})
        KillTimer(panel, timer);
    forgetMeasurementTimers();
    const bool wasArmed = state().phase == Phase::Armed;
    state().phase = Phase::Idle;
    if (wasArmed)
        stopRecording(panel);
}

} // namespace tensikon
