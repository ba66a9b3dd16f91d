#include "ui/readout_panel.h"

#include "resources/resource.h"
#include "ui/shell_state.h"
#include "win32/unique_handle.h"

namespace tensikon {

namespace {

// What the panel shows besides the texts, which its controls hold.
struct ReadoutState {
    bool verticalSelected = false;
    Verdict horizontalMeasured = Verdict::NotMeasured;
    Verdict verticalMeasured = Verdict::NotMeasured;
    // The selected measured readout is in the dark beat of its flashing.
    bool darkBeat = false;
};

// User-interface thread only.
ReadoutState state;

// Paints the background of every readout; lives as long as the panel.
UniqueBrush readoutBrush;

// Room for every text a readout is given: "000", "REC", "???", "---" and any
// signed 32-bit value ("-2147483648" is 11 characters). A shorter buffer
// would cut a long result and so show a number that was never measured.
constexpr int kReadoutTextBytes = 16;

constexpr int kReadouts[] = {IDC_VERTICAL_TARGET, IDC_HORIZONTAL_TARGET, IDC_VERTICAL_MEASURED,
                             IDC_HORIZONTAL_MEASURED};

bool isRed(Verdict verdict)
{
    return verdict == Verdict::OutOfTarget || verdict == Verdict::NoReading ||
           verdict == Verdict::Recording;
}

// Why a readout has its colour. The hue is the verdict: a target, a value
// within its target, nothing measured yet and a stopped capture are green;
// a value outside its target, no reading and a running capture are red. The
// brightness is the selection: the selected cylinder's column is bright,
// except for the dark beat of a flashing readout. Zero for other controls.
COLORREF shownColour(int control)
{
    const bool vertical = control == IDC_VERTICAL_TARGET || control == IDC_VERTICAL_MEASURED;
    const bool selected = vertical == state.verticalSelected;
    switch (control) {
    case IDC_HORIZONTAL_TARGET:
    case IDC_VERTICAL_TARGET:
        return pickShade(false, selected);
    case IDC_HORIZONTAL_MEASURED:
    case IDC_VERTICAL_MEASURED: {
        const Verdict verdict = vertical ? state.verticalMeasured : state.horizontalMeasured;
        return pickShade(isRed(verdict), selected && !state.darkBeat);
    }
    default:
        return 0;
    }
}

int selectedMeasuredId()
{
    return state.verticalSelected ? IDC_VERTICAL_MEASURED : IDC_HORIZONTAL_MEASURED;
}

void setSelectedMeasured(Verdict verdict, const char* text)
{
    (state.verticalSelected ? state.verticalMeasured : state.horizontalMeasured) = verdict;
    state.darkBeat = false;
    SetDlgItemTextA(shell.readoutPanel, selectedMeasuredId(), text);
}

INT_PTR onInitDialog()
{
    readoutBrush.reset(CreateSolidBrush(kReadoutBackground));
    state = ReadoutState{};
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
    const int id = GetDlgCtrlID(control);
    for (const int readout : kReadouts) {
        if (id == readout)
            SetTextColor(dc, shownColour(id));
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
    return CreateDialogA(instance, MAKEINTRESOURCEA(IDD_READOUT_PANEL), parent, readoutPanelProc);
}

COLORREF pickShade(bool red, bool bright)
{
    if (red)
        return bright ? kBrightRed : kDarkRed;
    return bright ? kBrightGreen : kDarkGreen;
}

void refreshReadouts()
{
    for (const int id : kReadouts) {
        char text[kReadoutTextBytes] = {};
        GetDlgItemTextA(shell.readoutPanel, id, text, kReadoutTextBytes);
        SetDlgItemTextA(shell.readoutPanel, id, text);
    }
}

bool verticalSelected()
{
    return state.verticalSelected;
}

void selectCylinder(bool vertical)
{
    state.verticalSelected = vertical;
    state.darkBeat = false;
    refreshReadouts();
}

void showTargets(unsigned horizontalHz, unsigned verticalHz)
{
    SetDlgItemInt(shell.readoutPanel, IDC_HORIZONTAL_TARGET, horizontalHz, FALSE);
    SetDlgItemInt(shell.readoutPanel, IDC_VERTICAL_TARGET, verticalHz, FALSE);
}

unsigned selectedTarget()
{
    const int id = state.verticalSelected ? IDC_VERTICAL_TARGET : IDC_HORIZONTAL_TARGET;
    return GetDlgItemInt(shell.readoutPanel, id, nullptr, FALSE);
}

void showResult(Verdict verdict, const char* text)
{
    setSelectedMeasured(verdict, text);
}

void showRecording()
{
    setSelectedMeasured(Verdict::Recording, "REC");
}

void showStopped()
{
    setSelectedMeasured(Verdict::Stopped, "???");
}

void flash()
{
    const Verdict selected =
        state.verticalSelected ? state.verticalMeasured : state.horizontalMeasured;
    if (isRed(selected))
        state.darkBeat = !state.darkBeat;
    refreshReadouts();
}

} // namespace tensikon
