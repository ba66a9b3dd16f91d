#include "ui/about_box.h"

#include "resources/resource.h"
#include "win32/error_message.h"

namespace tensikon {

namespace {

// Only OK and the close box end the box; every other command, Escape's
// IDCANCEL among them, is taken and ignored.
INT_PTR onCommand(HWND box, int id)
{
    if (id == IDOK)
        EndDialog(box, 0);
    return TRUE;
}

INT_PTR CALLBACK aboutBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        return onCommand(box, LOWORD(wParam));
    case WM_CLOSE:
        EndDialog(box, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void runAboutBox(HINSTANCE instance, HWND owner)
{
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, aboutBoxProc, 0) == -1)
        showError(owner, "Dialog failed!", kErrorCaption, MB_ICONINFORMATION);
}

} // namespace tensikon
