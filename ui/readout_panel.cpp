#include "ui/readout_panel.h"

#include <cstring>

#include "resources/resource.h"
#include "ui/shell_state.h"
#include "win32/unique_handle.h"

namespace tensikon {

namespace {

constexpr int kReadouts[] = {IDC_VERTICAL_TARGET, IDC_HORIZONTAL_TARGET, IDC_VERTICAL_MEASURED,
                             IDC_HORIZONTAL_MEASURED};

// The colour each readout paints in, in the order of kReadouts: the left
// column bright, as the horizontal cylinder is selected at start.
constexpr COLORREF kInitialColours[] = {kDarkGreen, kBrightGreen, kDarkGreen, kBrightGreen};
COLORREF colours[4] = {};

// Paints the background of every readout; lives as long as the panel.
UniqueBrush readoutBrush;

// Room for every text a readout is given: "000", "REC", "???", "---" and any
// signed 32-bit value ("-2147483648" is 11 characters).
constexpr int kReadoutTextBytes = 16;

int indexOf(int id)
{
    for (int i = 0; i < 4; ++i) {
        if (kReadouts[i] == id)
            return i;
    }
    return -1;
}

INT_PTR onInitDialog()
{
    readoutBrush.reset(CreateSolidBrush(kReadoutBackground));
    std::memcpy(colours, kInitialColours, sizeof colours);
    return TRUE;
}

INT_PTR onDestroy()
{
    readoutBrush.reset();
    return TRUE;
}

// The text colour of each readout; the background is the black brush.
INT_PTR onCtlColorStatic(HDC dc, HWND control)
{
    if (const int index = indexOf(GetDlgCtrlID(control)); index >= 0)
        SetTextColor(dc, colours[index]);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(readoutBrush.get());
}

INT_PTR CALLBACK readoutPanelProc(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog();
    case WM_DESTROY:
        return onDestroy();
    case WM_CTLCOLORSTATIC:
        return onCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default:
        return FALSE;
    }
}

} // namespace

HWND createReadoutPanel(HINSTANCE instance, HWND parent)
{
    return CreateDialogA(instance, MAKEINTRESOURCEA(IDD_READOUT_PANEL), parent, readoutPanelProc);
}

COLORREF pickShade(bool red, bool bright)
{
    if (red)
        return bright ? kBrightRed : kDarkRed;
    return bright ? kBrightGreen : kDarkGreen;
}

void showReadout(int id, const char* text, COLORREF colour)
{
    const int index = indexOf(id);
    HWND panel = shell.readoutPanel.get();
    if (index < 0 || panel == nullptr)
        return;
    colours[index] = colour;
    char shown[kReadoutTextBytes] = {};
    GetDlgItemTextA(panel, id, shown, kReadoutTextBytes);
    if (std::strcmp(shown, text) != 0)
        SetDlgItemTextA(panel, id, text);
    else
        InvalidateRect(GetDlgItem(panel, id), nullptr, TRUE);
}

unsigned shownTarget(int id)
{
    return GetDlgItemInt(shell.readoutPanel.get(), id, nullptr, FALSE);
}

} // namespace tensikon
