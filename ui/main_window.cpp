#include "ui/main_window.h"

#include "capture/capture.h"
#include "core/bike_catalogue.h"
#include "resources/resource.h"
#include "ui/about_box.h"
#include "ui/access_keys.h"
#include "ui/measurement_panel.h"
#include "ui/measurement_state.h"
#include "ui/measurement_sync.h"
#include "ui/model_choice.h"
#include "ui/readings.h"
#include "ui/readings_window.h"
#include "ui/readout_panel.h"
#include "ui/save_readings.h"
#include "ui/shell_state.h"
#include "win32/dialog_layout.h"
#include "win32/dpi.h"
#include "win32/error_message.h"
#include "win32/unique_handle.h"

namespace tensikon {

namespace {

// The panels' layouts, which follow the main window's DPI.
DialogLayout measurementLayout;
DialogLayout readoutLayout;
bool creationReported = false;
// The control of the panels that had the focus when the main window was
// last deactivated: it gets the focus back when the window is activated.
HWND lastFocus = nullptr;

// Takes ownership of a new panel and reads its layout; a panel that could
// not be created is reported and left out.
HWND addPanel(HWND window, UniqueWindow& owner, DialogLayout& layout, HWND panel)
{
    owner.reset(panel);
    if (!panel)
        showError(window, "CreateDialog returned NULL", kWarningCaption, MB_ICONINFORMATION);
    else
        layout.read(panel, windowDpi(window));
    return panel;
}

void layOutPanels(int dpi)
{
    measurementLayout.apply(dpi);
    readoutLayout.apply(dpi);
}

// A taller caption or menu bar than usual leaves less than the client
// height for the panels: the window grows by the difference.
void fitClientHeight(HWND window, int width, int clientHeight)
{
    RECT client{};
    GetClientRect(window, &client);
    if (client.bottom - client.top >= clientHeight)
        return;
    RECT outer{};
    GetWindowRect(window, &outer);
    const int height = outer.bottom - outer.top + clientHeight - (client.bottom - client.top);
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

// The window moved to a monitor of another DPI: the panels are laid out
// anew and the window takes the place the system suggests, at its size for
// the new DPI.
LRESULT onDpiChanged(HWND window, int dpi, const RECT& suggested)
{
    layOutPanels(dpi);
    placeMainWindow(window, dpi, &suggested);
    return 0;
}

void onActivate(HWND window, WPARAM wParam)
{
    if (LOWORD(wParam) != WA_INACTIVE)
        return;
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window, focus))
        lastFocus = focus;
}

// The focus never rests on the bare main window, where no key would act: it
// goes on to the control of the panels that last had it, else to the record
// button.
LRESULT onSetFocus(HWND window)
{
    HWND target = lastFocus;
    if (target == nullptr || !IsChild(window, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
        target = GetDlgItem(shell.measurementPanel.get(), IDC_RECORD);
    if (target != nullptr)
        SetFocus(target);
    return 0;
}

// A capture that still runs is stopped, with the panel's timers, before the
// buffer it writes into is released. Also called when creation fails, since
// a window whose creation fails does not always get WM_DESTROY.
void releaseEverything()
{
    if (shell.measurementPanel)
        endMeasurement(shell.measurementPanel.get());
    detachCapture();
    measurementLayout.release();
    shell.measurementPanel.reset();
    readoutLayout.release();
    shell.readoutPanel.reset();
    shell.mainWindow = nullptr;
    lastFocus = nullptr;
}

LRESULT onCreate(HWND window, const CREATESTRUCTA& create)
{
    const auto* services = static_cast<const MainWindowServices*>(create.lpCreateParams);
    creationReported = false;
    shell.mainWindow = window;
    buildBikeMenu(GetMenu(window));
    // The whole menu, the bike models built just now among it.
    addAccessKeys(GetMenu(window));
    resetMeasurementState();
    resetReadings();
    if (HWND panel = addPanel(window, shell.measurementPanel, measurementLayout,
                              createMeasurementPanel(shell.instance, window))) {
        CheckDlgButton(panel, IDC_HORIZONTAL_CYL, BST_CHECKED);
        ShowWindow(panel, SW_SHOW);
    }
    if (HWND panel = addPanel(window, shell.readoutPanel, readoutLayout,
                              createReadoutPanel(shell.instance, window)))
        ShowWindow(panel, SW_SHOW);
    layOutPanels(windowDpi(window));
    // Creating a panel puts the focus on its first control, the readout
    // panel's last: the record button has it at start.
    onSetFocus(window);

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

void toggleSoundOnResult()
{
    measurementState().soundOnResult = !measurementState().soundOnResult;
    syncMeasurementUi();
}

// Takes effect from the next recording on.
void choosePluckDetection(PluckTest test)
{
    measurementState().pluckTest = test;
    syncMeasurementUi();
}

// The menu's commands with a handler of their own; the Hold Time and model
// commands are found in their tables.
struct CommandHandler {
    UINT command;
    void (*handle)(HWND window);
};
constexpr CommandHandler kCommandHandlers[] = {
    {IDM_EXIT, [](HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); }},
    {IDM_ABOUT, [](HWND w) { runAboutBox(shell.instance, w); }},
    {IDM_CONTINUOUS, [](HWND) { chooseRecordMode(RecordMode::Continuous); }},
    {IDM_SINGLE, [](HWND) { chooseRecordMode(RecordMode::Single); }},
    {IDM_READINGS, [](HWND w) { openReadingsWindow(w); }},
    {IDM_SAVE_READINGS, [](HWND w) { saveReadings(w); }},
    {IDM_SOUND_ON_RESULT, [](HWND) { toggleSoundOnResult(); }},
    {IDM_PLUCK_LEVEL, [](HWND) { choosePluckDetection(PluckTest::Level); }},
    {IDM_PLUCK_AUTOMATIC, [](HWND) { choosePluckDetection(PluckTest::Automatic); }},
};

LRESULT onCommand(HWND window, UINT command)
{
    for (const CommandHandler& handler : kCommandHandlers) {
        if (handler.command == command) {
            handler.handle(window);
            return 0;
        }
    }
    if (const int milliseconds = holdTimeOf(command); milliseconds != 0)
        chooseHoldTime(milliseconds);
    else if (const BikeModel* row = findModel(static_cast<std::uint16_t>(command)))
        applyModel(*row);
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
    case WM_DPICHANGED:
        return onDpiChanged(window, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    case WM_ACTIVATE:
        onActivate(window, wParam);
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SETFOCUS:
        return onSetFocus(window);
    case WM_DESTROY:
        return onDestroy();
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void placeMainWindow(HWND window, int dpi, const RECT* suggested)
{
    const int width = scaleToDpi(kMainWindowWidth, dpi);
    const int height = scaleToDpi(kMainWindowHeight, dpi);
    RECT outer{};
    GetWindowRect(window, &outer);
    if (suggested != nullptr)
        outer = *suggested;
    if (suggested != nullptr || outer.right - outer.left != width ||
        outer.bottom - outer.top != height)
        SetWindowPos(window, nullptr, outer.left, outer.top, width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    fitClientHeight(window, width, scaleToDpi(kMainClientHeight, dpi));
}

bool mainWindowCreationReported()
{
    return creationReported;
}

} // namespace tensikon
