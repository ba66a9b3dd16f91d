// The readout panel: the two targets and the two measured values in large
// type on black, one column per cylinder (horizontal left, vertical right).
//
// A readout's colour says two things: its hue the verdict (green: within
// the target's tolerance or not yet judged; red: outside it, or a capture
// running) and its brightness the selection (bright: the selected
// cylinder's column). The colours are read only while a readout paints, so a new colour
// shows once the readout's text is set again: callers that change only
// colours call refreshReadouts.
#pragma once

#include <windows.h>

namespace tensikon {

inline constexpr COLORREF kBrightRed = 0x0000FF;
inline constexpr COLORREF kDarkRed = 0x000060;
inline constexpr COLORREF kBrightGreen = 0x00FF00;
inline constexpr COLORREF kDarkGreen = 0x006000;
inline constexpr COLORREF kReadoutBackground = 0x000000;

struct ReadoutColours {
    COLORREF horizontalTargetColour;
    COLORREF verticalTargetColour;
    COLORREF horizontalMeasuredColour;
    COLORREF verticalMeasuredColour;
};

// The horizontal cylinder is selected at start: its column bright.
inline constexpr ReadoutColours kInitialReadoutColours{kBrightGreen, kDarkGreen, kBrightGreen,
                                                       kDarkGreen};

// User-interface thread only.
inline ReadoutColours readoutColours = kInitialReadoutColours;

// Creates the modeless panel (template 1002) as a child of `parent`, or null.
HWND createReadoutPanel(HINSTANCE instance, HWND parent);

// The red shade when `current` is a red (every red used is below 256, every
// green at or above), else the green shade: keeps a readout's hue while the
// caller picks its brightness.
COLORREF pickShade(COLORREF current, COLORREF redShade, COLORREF greenShade);

// Makes all four readouts repaint in their current colours by setting each
// one's text to itself. What they show does not change.
void refreshReadouts();

// Colour and text of the selected cylinder's measured readout (vertical when
// the panel's "Vertical Cyl" button is checked). The colour is set first, so
// the repaint that the new text causes already uses it.
void setSelectedMeasured(COLORREF colour, const char* text);

} // namespace tensikon
