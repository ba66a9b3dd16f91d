#include "ui/main_window.h"

#include <utility>

#include "capture/capture.h"
#include "core/bike_catalogue.h"
#include "resources/resource.h"
#include "ui/about_box.h"
#include "ui/access_keys.h"
#include "ui/measurement_panel.h"
#include "ui/model_choice.h"
#include "ui/readout_panel.h"
#include "ui/shell_state.h"
#include "win32/dialog_layout.h"
#include "win32/dpi.h"
#include "win32/error_message.h"
#include "win32/unique_handle.h"

namespace tensikon {

namespace {

// A panel and its layout, which follows the main window's DPI.
struct Panel {
    UniqueWindow window;
    DialogLayout layout;

    void destroy()
    {
        layout.release();
        window.reset();
    }
};

Panel measurementPanel;
Panel readoutPanel;
bool creationReported = false;
// The control of the panels that had the focus when the main window was
// last deactivated: it gets the focus back when the window is activated.
HWND lastFocus = nullptr;

// Takes ownership of a new panel and publishes its handle; a panel that
// could not be created is reported and left out.
HWND addPanel(HWND window, Panel& owner, HWND panel, HWND& published)
{
    owner.window.reset(panel);
    published = panel;
    if (!panel)
        showError(window, "CreateDialog returned NULL", kWarningCaption, MB_ICONINFORMATION);
    else
        owner.layout.read(panel, windowDpi(window));
    return panel;
}

void layOutPanels(int dpi)
{
    measurementPanel.layout.apply(dpi);
    readoutPanel.layout.apply(dpi);
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
        target = GetDlgItem(shell.measurementPanel, IDC_RECORD);
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
        endMeasurement(shell.measurementPanel);
    detachCapture();
    shell.measurementPanel = nullptr;
    measurementPanel.destroy();
    shell.readoutPanel = nullptr;
    readoutPanel.destroy();
    shell.mainWindow = nullptr;
    lastFocus = nullptr;
}

LRESULT onCreate(HWND window, const CREATESTRUCTA& create)
{
    const auto* services = static_cast<const MainWindowServices*>(create.lpCreateParams);
    creationReported = false;
    shell.mainWindow = window;
    shell.holdTimeMs = kDefaultHoldTimeMs;
    if (HWND panel =
            addPanel(window, measurementPanel, createMeasurementPanel(shell.instance, window),
                     shell.measurementPanel)) {
        CheckDlgButton(panel, IDC_HORIZONTAL_CYL, BST_CHECKED);
        ShowWindow(panel, SW_SHOW);
    }
    if (HWND panel = addPanel(window, readoutPanel, createReadoutPanel(shell.instance, window),
                              shell.readoutPanel))
        ShowWindow(panel, SW_SHOW);
    layOutPanels(windowDpi(window));
    addAccessKeys(GetMenu(window));
    // Creating a panel puts the focus on its first control, the readout
    // panel's last: the record button has it at start.
    onSetFocus(window);

    // Without the buffer no capture could be kept: start-up ends here.
    if (!attachCapture(shell.measurementPanel, services->allocate)) {
        showError(nullptr, "Not enough memory for the recording buffer!", kStartupErrorCaption,
                  MB_ICONEXCLAMATION);
        creationReported = true;
        releaseEverything();
        return -1;
    }
    return 0;
}

// The Hold Time commands and how long each lets Continuous mode wait.
constexpr std::pair<UINT, int> kHoldTimes[] = {{IDM_HOLD_HALF_SECOND, 500},
                                               {IDM_HOLD_ONE_SECOND, 1000},
                                               {IDM_HOLD_TWO_SECONDS, 2000},
                                               {IDM_HOLD_THREE_SECONDS, 3000}};

// The wait a command chooses, or 0 when it is no Hold Time command.
int holdTimeOf(UINT command)
{
    for (const auto& [id, milliseconds] : kHoldTimes) {
        if (id == command)
            return milliseconds;
    }
    return 0;
}

void markHoldTime(HWND window, UINT command, int milliseconds)
{
    CheckMenuRadioItem(GetMenu(window), IDM_HOLD_HALF_SECOND, IDM_HOLD_THREE_SECONDS, command,
                       MF_BYCOMMAND);
    shell.holdTimeMs = milliseconds;
}

void markRecordMode(HWND window, UINT command)
{
    CheckMenuRadioItem(GetMenu(window), IDM_CONTINUOUS, IDM_SINGLE, command, MF_BYCOMMAND);
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
    case IDM_SINGLE:
        markRecordMode(window, command);
        break;
    default:
        if (const int milliseconds = holdTimeOf(command); milliseconds != 0)
            markHoldTime(window, command, milliseconds);
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
