// The readout panel: the two targets and the two measured values in large
// type on black, one column per cylinder (horizontal left, vertical right).
//
// The panel only paints. What each readout shows, and in which colour, is
// worked out from the measurement's state (ui/measurement_state.h) by
// syncMeasurementUi, which hands each readout its text and colour here.
#pragma once

#include <windows.h>

namespace tensikon {

inline constexpr COLORREF kBrightRed = 0x0000FF;
inline constexpr COLORREF kDarkRed = 0x000060;
inline constexpr COLORREF kBrightGreen = 0x00FF00;
inline constexpr COLORREF kDarkGreen = 0x006000;
inline constexpr COLORREF kReadoutBackground = 0x000000;

// Creates the modeless panel (template 1002) as a child of `parent`, or null.
HWND createReadoutPanel(HINSTANCE instance, HWND parent);

// The shade of a hue: red when `red`, else green; bright or dark.
COLORREF pickShade(bool red, bool bright);

// Shows `text` in `colour` in readout `id`. The colour is set first, so the
// repaint that a new text causes already uses it; an unchanged text is
// repainted all the same, so a new colour always shows.
void showReadout(int id, const char* text, COLORREF colour);

// The target that a target readout shows, read back from its text.
unsigned shownTarget(int id);

} // namespace tensikon
