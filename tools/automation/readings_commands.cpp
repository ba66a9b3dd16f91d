// The commands that read the readings window's list and fill the program's
// save dialog, as a user would.
#include <array>

#include "tools/automation/commands.h"
#include "tools/automation/report.h"

namespace automation {

// Every line of a list box, one report line each, top first. LB_GETTEXT
// across processes: the system copies the line into our buffer.
int rowsAction(Session& session, const Arguments& args)
{
    Control control;
    if (const int status = resolve(session, args[0], control))
        return status;
    DWORD_PTR count = 0;
    if (SendMessageTimeoutA(control.handle, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, session.timeoutMs,
                            &count) == 0)
        return noAnswer("LB_GETCOUNT");
    for (DWORD_PTR i = 0; i < count; ++i) {
        // Wide: Wine hands a list box's line to another process as UTF-16.
        std::array<wchar_t, 512> line{};
        DWORD_PTR length = 0;
        if (SendMessageTimeoutW(control.handle, LB_GETTEXT, i,
                                reinterpret_cast<LPARAM>(line.data()), SMTO_ABORTIFHUNG,
                                session.timeoutMs, &length) == 0)
            return noAnswer("LB_GETTEXT");
        std::array<char, 1024> utf8{};
        WideCharToMultiByte(CP_UTF8, 0, line.data(), -1, utf8.data(), static_cast<int>(utf8.size()),
                            nullptr, nullptr);
        report("row control=" + control.name + " index=" + std::to_string(i) +
               " value=" + quoted(utf8.data()));
    }
    report("rows control=" + control.name + " count=" + std::to_string(count));
    return kDone;
}

// Waits for the program's save dialog, types the file name into it and
// presses its Save button, as a user does; returns once it has closed.
int saveAsAction(Session& session, const Arguments& args)
{
    const ULONGLONG start = GetTickCount64();
    HWND dialog = nullptr;
    while ((dialog = findSaveDialog(session.windows)) == nullptr) {
        if (GetTickCount64() - start >= session.timeoutMs) {
            report("timeout save-dialog waited_ms=" + std::to_string(GetTickCount64() - start));
            return kTimedOut;
        }
        Sleep(session.pollMs);
    }
    HWND name = GetDlgItem(dialog, kSaveDialogNameId);
    if (name == nullptr)
        name = GetDlgItem(dialog, kSaveDialogOldNameId);
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[0].c_str()),
                            SMTO_ABORTIFHUNG, session.timeoutMs, &result) == 0)
        return noAnswer("WM_SETTEXT on the save dialog's file name");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    while (IsWindow(dialog)) {
        if (GetTickCount64() - start >= session.timeoutMs)
            return noAnswer("Save on its save dialog");
        Sleep(session.pollMs);
    }
    report("saved path=" + quoted(args[0]) +
           " waited_ms=" + std::to_string(GetTickCount64() - start));
    return kDone;
}

} // namespace automation
