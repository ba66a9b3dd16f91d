#include "ui/main_window.h"

#include "capture/capture.h"
#include "core/bike_catalogue.h"
#include "resources/resource.h"
#include "ui/about_box.h"
#include "ui/measurement_panel.h"
#include "ui/measurement_state.h"
#include "ui/measurement_sync.h"
#include "ui/model_choice.h"
#include "ui/readout_panel.h"
#include "ui/shell_state.h"
#include "win32/error_message.h"
#include "win32/unique_handle.h"

namespace tensikon {

namespace {

bool creationReported = false;

// Takes ownership of a new panel; a panel that could not be created is
// reported and left out.
HWND addPanel(HWND window, UniqueWindow& owner, HWND panel)
{
    owner.reset(panel);
    if (!panel)
        showError(window, "CreateDialog returned NULL", kWarningCaption, MB_ICONINFORMATION);
    return panel;
}

// A capture that still runs is stopped, with the panel's timers, before the
// buffer it writes into is released. Also called when creation fails, since
// a window whose creation fails does not always get WM_DESTROY.
void releaseEverything()
{
    if (shell.measurementPanel)
        endMeasurement(shell.measurementPanel.get());
    detachCapture();
    shell.measurementPanel.reset();
    shell.readoutPanel.reset();
    shell.mainWindow = nullptr;
}

LRESULT onCreate(HWND window, const CREATESTRUCTA& create)
{
    const auto* services = static_cast<const MainWindowServices*>(create.lpCreateParams);
    creationReported = false;
    shell.mainWindow = window;
    buildBikeMenu(GetMenu(window));
    resetMeasurementState();
    if (HWND panel = addPanel(window, shell.measurementPanel,
                              createMeasurementPanel(shell.instance, window))) {
        CheckDlgButton(panel, IDC_HORIZONTAL_CYL, BST_CHECKED);
        ShowWindow(panel, SW_SHOW);
    }
    if (HWND panel =
            addPanel(window, shell.readoutPanel, createReadoutPanel(shell.instance, window)))
        ShowWindow(panel, SW_SHOW);

    // Without the buffer no capture could be kept: start-up ends here.
    if (!attachCapture(shell.measurementPanel.get(), services->allocate)) {
        showError(nullptr, "Not enough memory for the recording buffer!", kStartupErrorCaption,
                  MB_ICONEXCLAMATION);
        creationReported = true;
        releaseEverything();
        return -1;
    }
    return 0;
}

// The wait a command chooses, or 0 when it is no Hold Time command.
int holdTimeOf(UINT command)
{
    for (const HoldTimeItem& item : kHoldTimes) {
        if (item.command == command)
            return item.milliseconds;
    }
    return 0;
}

void chooseHoldTime(int milliseconds)
{
    measurementState().holdTimeMs = milliseconds;
    syncMeasurementUi();
}

void chooseRecordMode(RecordMode mode)
{
    measurementState().mode = mode;
    syncMeasurementUi();
}

// Takes effect from the next recording on.
void choosePluckDetection(PluckTest test)
{
    measurementState().pluckTest = test;
    syncMeasurementUi();
}

LRESULT onCommand(HWND window, UINT command)
{
    switch (command) {
    case IDM_EXIT:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case IDM_ABOUT:
        runAboutBox(shell.instance, window);
        break;
    case IDM_CONTINUOUS:
        chooseRecordMode(RecordMode::Continuous);
        break;
    case IDM_SINGLE:
        chooseRecordMode(RecordMode::Single);
        break;
    case IDM_PLUCK_LEVEL:
        choosePluckDetection(PluckTest::Level);
        break;
    case IDM_PLUCK_AUTOMATIC:
        choosePluckDetection(PluckTest::Automatic);
        break;
    default:
        if (const int milliseconds = holdTimeOf(command); milliseconds != 0)
            chooseHoldTime(milliseconds);
        else if (const BikeModel* row = findModel(static_cast<std::uint16_t>(command)))
            applyModel(*row);
        break;
    }
    return 0;
}

LRESULT onDestroy()
{
    releaseEverything();
    PostQuitMessage(0);
    return 0;
}

} // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return onCreate(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_COMMAND:
        return onCommand(window, LOWORD(wParam));
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        return onDestroy();
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool mainWindowCreationReported()
{
    return creationReported;
}

} // namespace tensikon
