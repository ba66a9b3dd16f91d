#include "ui/readings_window.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "resources/resource.h"
#include "ui/readings.h"
#include "ui/shell_state.h"
#include "win32/unique_handle.h"

namespace tensikon {

namespace {

// The list's columns, in dialog units from its left edge; the column titles
// of the template stand at the same places.
constexpr std::array<int, 6> kTabStops{34, 96, 134, 156, 182, 228};

UniqueWindow window;
// How many readings the log had ever taken when the list last caught up.
std::uint64_t shownAdded = 0;

std::string listLine(const Reading& r)
{
    const std::string time = isoTime(r.time).substr(11, 8);
    return time + "\t" + r.model + "\t" + std::string(cylinderName(r.cylinder)) + "\t" +
           valueText(r) + "\t" + std::to_string(r.targetHz) + "\t" +
           std::string(verdictText(verdictOf(r))) + "\t" + std::string(readingSourceName(r.from));
}

// Adds the readings the list has not shown yet at its top and drops from
// its end what the log has dropped.
void catchUp(HWND list)
{
    const ReadingsLog& log = readingsLog();
    const auto fresh =
        static_cast<std::size_t>(std::min<std::uint64_t>(log.added() - shownAdded, log.size()));
    for (std::size_t i = fresh; i-- > 0;)
        SendMessageA(list, LB_INSERTSTRING, 0,
                     reinterpret_cast<LPARAM>(listLine(log.at(i)).c_str()));
    auto count = static_cast<std::size_t>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    while (count > log.size())
        SendMessageA(list, LB_DELETESTRING, --count, 0);
    shownAdded = log.added();
}

// To the right of the main window, so that the readouts stay in sight; on a
// screen too narrow for both, as far right as the screen allows.
void placeBeside(HWND owner)
{
    RECT main{};
    RECT own{};
    GetWindowRect(owner, &main);
    GetWindowRect(window.get(), &own);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const LONG width = own.right - own.left;
    const LONG left =
        std::max(monitor.rcWork.left, std::min(main.right, monitor.rcWork.right - width));
    SetWindowPos(window.get(), nullptr, left, main.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR onInitDialog(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_READINGS_LIST);
    SendMessageA(list, LB_SETTABSTOPS, kTabStops.size(),
                 reinterpret_cast<LPARAM>(kTabStops.data()));
    shownAdded = 0;
    return TRUE;
}

INT_PTR CALLBACK readingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            window.reset();
        return TRUE;
    case WM_CLOSE:
        window.reset();
        return TRUE;
    case WM_NCDESTROY:
        // Also destroyed with its owner, the main window: the handle is gone.
        window.release();
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void openReadingsWindow(HWND owner)
{
    if (!window) {
        window.reset(CreateDialogParamA(shell.instance, MAKEINTRESOURCEA(IDD_READINGS), owner,
                                        readingsProc, 0));
        if (!window)
            return;
        placeBeside(owner);
        showReadings();
    }
    SetWindowPos(window.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(window.get());
}

void showReadings()
{
    if (!window)
        return;
    SetDlgItemTextA(window.get(), IDC_READINGS_AGREEMENT,
                    agreementText(readingsLog().agreement()).c_str());
    catchUp(GetDlgItem(window.get(), IDC_READINGS_LIST));
}

HWND readingsWindow()
{
    return window.get();
}

} // namespace tensikon
