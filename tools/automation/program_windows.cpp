#include "tools/automation/program_windows.h"

#include <array>
#include <string_view>

#include "resources/resource.h"
#include "ui/main_window.h"

namespace automation {

namespace {

constexpr DWORD kPollMs = 20;

// The panels are modeless dialogs made without control numbers, so they are
// told apart by a control that only one of them holds.
BOOL CALLBACK notePanel(HWND child, LPARAM param)
{
    auto* windows = reinterpret_cast<ProgramWindows*>(param);
    if (GetParent(child) != windows->main)
        return TRUE;
    if (GetDlgItem(child, IDC_RECORD) != nullptr)
        windows->measurementPanel = child;
    else if (GetDlgItem(child, IDC_HORIZONTAL_MEASURED) != nullptr)
        windows->readoutPanel = child;
    return TRUE;
}

bool findOnce(ProgramWindows& found)
{
    ProgramWindows windows;
    windows.main = FindWindowA(tensikon::kMainWindowClass, tensikon::kMainWindowCaption);
    // Shown only once it has its size and its panels their layout.
    if (windows.main == nullptr || !IsWindowVisible(windows.main))
        return false;
    EnumChildWindows(windows.main, notePanel, reinterpret_cast<LPARAM>(&windows));
    if (windows.measurementPanel == nullptr || windows.readoutPanel == nullptr)
        return false;
    found = windows;
    return true;
}

struct BoxSearch {
    DWORD process = 0;
    HWND box = nullptr;
};

BOOL CALLBACK noteBox(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    std::array<char, 16> cls{};
    GetClassNameA(window, cls.data(), static_cast<int>(cls.size()));
    if (process != search->process || std::string_view(cls.data()) != "#32770" ||
        !IsWindowVisible(window) || GetDlgItem(window, kMessageBoxTextId) == nullptr)
        return TRUE;
    search->box = window;
    return FALSE;
}

struct OwnedSearch {
    HWND owner = nullptr;
    int id = 0;
    HWND control = nullptr;
};

BOOL CALLBACK noteOwnedControl(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<OwnedSearch*>(param);
    if (GetWindow(window, GW_OWNER) != search->owner)
        return TRUE;
    search->control = GetDlgItem(window, search->id);
    return search->control == nullptr;
}

} // namespace

HWND findSaveDialog(const ProgramWindows& windows)
{
    for (const int id : {kSaveDialogNameId, kSaveDialogOldNameId}) {
        OwnedSearch search{windows.main, id, nullptr};
        EnumWindows(noteOwnedControl, reinterpret_cast<LPARAM>(&search));
        if (search.control != nullptr && IsWindowVisible(GetParent(search.control)))
            return GetParent(search.control);
    }
    return nullptr;
}

HWND findMessageBox(const ProgramWindows& windows)
{
    BoxSearch search;
    GetWindowThreadProcessId(windows.main, &search.process);
    EnumWindows(noteBox, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

bool findProgram(DWORD timeoutMs, ProgramWindows& found)
{
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (findOnce(found))
            return true;
        if (GetTickCount64() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

HWND findControl(const ProgramWindows& windows, int id)
{
    if (id == 0)
        return windows.main;
    for (HWND panel : std::array{windows.measurementPanel, windows.readoutPanel}) {
        if (HWND control = GetDlgItem(panel, id))
            return control;
    }
    OwnedSearch search{windows.main, id, nullptr};
    EnumWindows(noteOwnedControl, reinterpret_cast<LPARAM>(&search));
    return search.control;
}

} // namespace automation
