#include "win32/dpi.h"

namespace tensikon {

namespace {

// Functions of newer systems, looked up at run time so that the program
// still starts where they are missing.
template <typename Function> Function systemFunction(const char* name)
{
    const FARPROC found = GetProcAddress(GetModuleHandleA("user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using SetDialogDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
using SetDialogControlDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);

// DIALOG_DPI_CHANGE_BEHAVIORS and DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS.
constexpr int kDialogDisableAll = 0x0001;
constexpr int kControlDisableFontUpdate = 0x0001;
constexpr int kControlDisableRelayout = 0x0002;

} // namespace

int windowDpi(HWND window)
{
    static const auto getDpiForWindow = systemFunction<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0)
            return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

void keepDialogScalingToProgram(HWND dialog)
{
    static const auto dialogBehaviour =
        systemFunction<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior");
    static const auto controlBehaviour =
        systemFunction<SetDialogControlDpiChangeBehaviorFn>("SetDialogControlDpiChangeBehavior");
    if (dialogBehaviour != nullptr)
        dialogBehaviour(dialog, kDialogDisableAll, kDialogDisableAll);
    if (controlBehaviour == nullptr)
        return;
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        const int disable = kControlDisableFontUpdate | kControlDisableRelayout;
        controlBehaviour(control, disable, disable);
    }
}

} // namespace tensikon
