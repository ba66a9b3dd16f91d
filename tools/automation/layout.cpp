#include "tools/automation/layout.h"

#include <array>
#include <string>
#include <utility>

#include "resources/resource.h"
#include "tools/automation/report.h"
#include "win32/dialog_layout.h"
#include "win32/dpi.h"

namespace automation {

namespace {

std::string field(const char* name, long value)
{
    return std::string(" ") + name + "=" + std::to_string(value);
}

std::string placeFields(const RECT& r)
{
    return field("left", r.left) + field("top", r.top) + field("right", r.right) +
           field("bottom", r.bottom);
}

bool isStatic(HWND control)
{
    std::array<char, 32> name{};
    GetClassNameA(control, name.data(), static_cast<int>(name.size()));
    return lstrcmpiA(name.data(), "Static") == 0;
}

const char* kindOf(HWND control)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
    if (isStatic(control)) {
        const DWORD type = style & SS_TYPEMASK;
        if (type == SS_BITMAP || type == SS_ICON)
            return "picture";
        if (type == SS_ETCHEDHORZ || type == SS_ETCHEDVERT || type == SS_ETCHEDFRAME)
            return "frame";
        return "text";
    }
    return (style & BS_TYPEMASK) == BS_GROUPBOX ? "frame" : "text";
}

INT_PTR CALLBACK replicaProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The program's executable, loaded for its resources only.
HMODULE programImage(HWND main)
{
    DWORD process = 0;
    GetWindowThreadProcessId(main, &process);
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    std::array<char, MAX_PATH> path{};
    auto size = static_cast<DWORD>(path.size());
    const BOOL named =
        handle != nullptr && QueryFullProcessImageNameA(handle, 0, path.data(), &size);
    if (handle != nullptr)
        CloseHandle(handle);
    return named ? LoadLibraryExA(path.data(), nullptr, LOAD_LIBRARY_AS_DATAFILE) : nullptr;
}

HFONT controlFont(HWND replica, HWND control)
{
    HWND copy = GetDlgItem(replica, GetDlgCtrlID(control));
    return reinterpret_cast<HFONT>(SendMessageA(copy, WM_GETFONT, 0, 0));
}

// The room the control's text needs in `font`: one line for a button, lines
// broken at words within the control's width for a static text.
SIZE neededRoom(HWND control, const RECT& room, HFONT font)
{
    std::array<char, 1024> text{};
    GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, font);
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
    const bool wraps = isStatic(control) && (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP &&
                       (style & SS_TYPEMASK) != SS_SIMPLE;
    RECT needed{0, 0, room.right - room.left, 0};
    DrawTextA(dc, text.data(), -1, &needed,
              DT_CALCRECT | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {needed.right - needed.left, needed.bottom - needed.top};
}

// `replica` is a copy of `panel` made in this process: a font handle
// belongs to the process that made it, so each control's text is measured
// in the font of its copy.
void reportControls(HWND panel, HWND replica)
{
    for (HWND control = GetWindow(panel, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsWindowVisible(control))
            continue;
        RECT place{};
        RECT room{};
        GetWindowRect(control, &place);
        GetClientRect(control, &room);
        const std::string kind = kindOf(control);
        const SIZE need =
            kind == "text" ? neededRoom(control, room, controlFont(replica, control)) : SIZE{0, 0};
        report("control" + field("id", GetDlgCtrlID(control)) + " kind=" + kind +
               placeFields(place) + field("room_width", room.right) +
               field("room_height", room.bottom) + field("need_width", need.cx) +
               field("need_height", need.cy));
    }
}

} // namespace

int layoutAction(Session& session, const Arguments&)
{
    RECT client{};
    GetClientRect(session.windows.main, &client);
    MapWindowPoints(session.windows.main, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    report("client" + placeFields(client));
    // The program's panels copied from its own templates and laid out by
    // its own code for its DPI.
    HMODULE program = programImage(session.windows.main);
    if (program == nullptr) {
        complain("the program's executable cannot be read");
        return kNotFound;
    }
    const int dpi = tensikon::windowDpi(session.windows.main);
    HWND host =
        CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const std::pair<HWND, int> panels[] = {
        {session.windows.measurementPanel, IDD_MEASUREMENT_PANEL},
        {session.windows.readoutPanel, IDD_READOUT_PANEL}};
    for (const auto& [panel, templateId] : panels) {
        HWND replica =
            CreateDialogParamA(program, MAKEINTRESOURCEA(templateId), host, replicaProc, 0);
        tensikon::DialogLayout layout;
        layout.read(replica, dpi);
        layout.apply(dpi);
        reportControls(panel, replica);
        layout.release();
        DestroyWindow(replica);
    }
    DestroyWindow(host);
    FreeLibrary(program);
    return kDone;
}

int focusAction(Session& session, const Arguments&)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(session.windows.main, nullptr);
    if (!GetGUIThreadInfo(thread, &info)) {
        complain("no focus information for the program's window");
        return kNotFound;
    }
    std::array<char, 256> text{};
    int id = 0;
    if (info.hwndFocus != nullptr && IsChild(session.windows.main, info.hwndFocus)) {
        id = GetDlgCtrlID(info.hwndFocus);
        GetWindowTextA(info.hwndFocus, text.data(), static_cast<int>(text.size()));
    }
    std::array<char, 256> caption{};
    GetWindowTextA(info.hwndActive, caption.data(), static_cast<int>(caption.size()));
    report("focus" + field("id", id) + " text=" + quoted(text.data()) +
           " window=" + quoted(caption.data()));
    return kDone;
}

} // namespace automation
