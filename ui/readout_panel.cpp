#include "ui/readout_panel.h"

#include "resources/resource.h"
#include "ui/shell_state.h"
#include "ui/unique_handle.h"

namespace tensikon {

namespace {

// Paints the background of every readout; lives as long as the panel.
UniqueBrush readoutBrush;

// Room for every text a readout is given: "000", "REC", "???", "---" and any
// signed 32-bit value ("-2147483648" is 11 characters). A shorter buffer
// would cut a long result and so show a number that was never measured.
constexpr int kReadoutTextBytes = 16;

constexpr int kReadouts[] = {IDC_VERTICAL_TARGET, IDC_HORIZONTAL_TARGET, IDC_VERTICAL_MEASURED,
                             IDC_HORIZONTAL_MEASURED};

INT_PTR onInitDialog()
{
    readoutBrush.reset(CreateSolidBrush(kReadoutBackground));
    readoutColours = kInitialReadoutColours;
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
    switch (GetDlgCtrlID(control)) {
    case IDC_VERTICAL_TARGET:
        SetTextColor(dc, readoutColours.verticalTargetColour);
        break;
    case IDC_HORIZONTAL_TARGET:
        SetTextColor(dc, readoutColours.horizontalTargetColour);
        break;
    case IDC_VERTICAL_MEASURED:
        SetTextColor(dc, readoutColours.verticalMeasuredColour);
        break;
    case IDC_HORIZONTAL_MEASURED:
        SetTextColor(dc, readoutColours.horizontalMeasuredColour);
        break;
    default:
        break;
    }
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
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_READOUT_PANEL), parent,
                              readoutPanelProc, 0);
}

COLORREF pickShade(COLORREF current, COLORREF redShade, COLORREF greenShade)
{
    return current < 256 ? redShade : greenShade;
}

void refreshReadouts()
{
    for (const int id : kReadouts) {
        char text[kReadoutTextBytes] = {};
        GetDlgItemTextA(shell.readoutPanel, id, text, kReadoutTextBytes);
        SetDlgItemTextA(shell.readoutPanel, id, text);
    }
}

void setSelectedMeasured(COLORREF colour, const char* text)
{
    if (IsDlgButtonChecked(shell.measurementPanel, IDC_VERTICAL_CYL) == BST_CHECKED) {
        readoutColours.verticalMeasuredColour = colour;
        SetDlgItemTextA(shell.readoutPanel, IDC_VERTICAL_MEASURED, text);
    } else {
        readoutColours.horizontalMeasuredColour = colour;
        SetDlgItemTextA(shell.readoutPanel, IDC_HORIZONTAL_MEASURED, text);
    }
}

} // namespace tensikon
