#include "tests/support/message_box_catcher.h"

#include <stdexcept>

namespace tensikon::test {
namespace {

thread_local MessageBoxCatcher* activeCatcher = nullptr;

// The text control of a message box has the id 0xFFFF; failing that, the
// first static control that is not the icon.
std::string boxText(HWND box)
{
    char text[1024] = {};
    if (GetDlgItemTextA(box, 0xFFFF, text, sizeof text) > 0) {
        return text;
    }
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof cls);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) != SS_ICON) {
            GetWindowTextA(child, text, sizeof text);
            return text;
        }
    }
    return {};
}

void inspectChildren(HWND box, CaughtBox& caught)
{
    const HICON exclamation = LoadIconA(nullptr, IDI_EXCLAMATION);
    const HICON information = LoadIconA(nullptr, IDI_INFORMATION);
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof cls);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(cls, "Button") == 0 && (style & WS_VISIBLE) != 0) {
            ++caught.visibleButtons;
        }
        if (lstrcmpiA(cls, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
            const auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            caught.exclamationIcon = caught.exclamationIcon || icon == exclamation;
            caught.informationIcon = caught.informationIcon || icon == information;
        }
    }
}

} // namespace

MessageBoxCatcher::MessageBoxCatcher()
{
    if (activeCatcher != nullptr) {
        throw std::logic_error("one MessageBoxCatcher per thread");
    }
    hook_ = SetWindowsHookExA(WH_CBT, hookProc, nullptr, GetCurrentThreadId());
    if (hook_ == nullptr) {
        throw std::runtime_error("SetWindowsHookExA(WH_CBT) failed");
    }
    activeCatcher = this;
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    UnhookWindowsHookEx(hook_);
    activeCatcher = nullptr;
}

std::vector<std::string> MessageBoxCatcher::texts() const
{
    std::vector<std::string> result;
    for (const CaughtBox& box : boxes_) {
        result.push_back(box.text);
    }
    return result;
}

LRESULT CALLBACK MessageBoxCatcher::hookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && activeCatcher != nullptr) {
        const auto window = reinterpret_cast<HWND>(wParam);
        char cls[16] = {};
        GetClassNameA(window, cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0 && GetDlgItem(window, IDOK) != nullptr &&
            GetPropA(window, "tensikon.caught") == nullptr) {
            activeCatcher->catchBox(window);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxCatcher::catchBox(HWND box)
{
    // A box may be activated more than once; it is read and closed once.
    SetPropA(box, "tensikon.caught", reinterpret_cast<HANDLE>(1));
    CaughtBox caught;
    caught.text = boxText(box);
    char caption[256] = {};
    GetWindowTextA(box, caption, sizeof caption);
    caught.caption = caption;
    caught.owner = GetWindow(box, GW_OWNER);
    inspectChildren(box, caught);
    boxes_.push_back(caught);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

} // namespace tensikon::test
