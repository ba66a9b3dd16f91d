#include "tests/ui/dialog_catcher.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tensikon::test {

namespace {

DialogCatcher* current = nullptr;

// A message box's text control and icon control.
constexpr int kBoxTextId = 0xFFFF;
constexpr int kBoxIconId = 0x0440;
constexpr UINT kWatchdogPeriodMs = 1000;
constexpr ULONGLONG kWatchdogLimitMs = 5000;

std::string windowText(HWND window)
{
    std::array<char, 512> text{};
    GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

bool isDialog(HWND window)
{
    std::array<char, 64> name{};
    GetClassNameA(window, name.data(), static_cast<int>(name.size()));
    return std::string(name.data()) == "#32770";
}

BoxIcon iconOf(HWND box)
{
    HWND control = GetDlgItem(box, kBoxIconId);
    const auto icon = reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0));
    if (!icon)
        return BoxIcon::None;
    if (icon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION)))
        return BoxIcon::Exclamation;
    if (icon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION)))
        return BoxIcon::Information;
    return BoxIcon::Other;
}

} // namespace

DialogCatcher::DialogCatcher()
{
    current = this;
    hook_ = SetWindowsHookExA(WH_CBT, cbtProc, nullptr, GetCurrentThreadId());
    watchdog_ = SetTimer(nullptr, 0, kWatchdogPeriodMs, watchdogProc);
}

DialogCatcher::~DialogCatcher()
{
    KillTimer(nullptr, watchdog_);
    UnhookWindowsHookEx(hook_);
    current = nullptr;
}

std::vector<CaughtBox> DialogCatcher::take()
{
    return std::exchange(boxes_, {});
}

LRESULT CALLBACK DialogCatcher::cbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && current) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (isDialog(window))
            current->activated(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogCatcher::activated(HWND dialog)
{
    std::erase_if(open_, [](const OpenDialog& d) { return !IsWindow(d.window); });
    if (std::any_of(open_.begin(), open_.end(),
                    [dialog](const OpenDialog& d) { return d.window == dialog; }))
        return;
    open_.push_back({dialog, GetTickCount64()});
    if (onDialog && onDialog(dialog))
        return;
    boxes_.push_back({windowText(GetDlgItem(dialog, kBoxTextId)), windowText(dialog),
                      iconOf(dialog), GetWindow(dialog, GW_OWNER)});
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

void CALLBACK DialogCatcher::watchdogProc(HWND, UINT, UINT_PTR, DWORD)
{
    if (!current)
        return;
    const ULONGLONG now = GetTickCount64();
    for (const OpenDialog& d : current->open_) {
        if (IsWindow(d.window) && now - d.since >= kWatchdogLimitMs) {
            current->watchdogFired_ = true;
            EndDialog(d.window, IDCANCEL);
        }
    }
}

} // namespace tensikon::test
