// The readout panel: the two targets and the two measured values in large
// type on black, one column per cylinder (horizontal left, vertical right).
//
// The panel owns what it shows. The other windows tell it what happened (a
// result, a capture started or stopped, a flash, a change of cylinder) and
// it keeps, for each readout, what that means, and the selected cylinder.
// Its colour is worked out from that only while the readout paints, in one
// place (readout_panel.cpp, shownColour), so a new colour shows once the
// readout's text is set again: operations that change only colours end with
// refreshReadouts.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tensikon {

inline constexpr COLORREF kBrightRed = 0x0000FF;
inline constexpr COLORREF kDarkRed = 0x000060;
inline constexpr COLORREF kBrightGreen = 0x00FF00;
inline constexpr COLORREF kDarkGreen = 0x006000;
inline constexpr COLORREF kReadoutBackground = 0x000000;

// What a measured readout's text stands for.
enum class Verdict : std::uint8_t {
    NotMeasured, // "000": nothing measured yet
    InTarget,    // a result within the selected cylinder's target
    OutOfTarget, // a result outside it
    NoReading,   // "---": the capture gave no reading
    Recording,   // "REC": a capture runs
    Stopped,     // "???": the capture was stopped before a result
};

// Creates the modeless panel (template 1002) as a child of `parent`, or null.
// Its creation puts every readout back to "nothing measured", with the
// horizontal cylinder selected.
HWND createReadoutPanel(HINSTANCE instance, HWND parent);

// The shade of a hue: red when `red`, else green; bright or dark.
COLORREF pickShade(bool red, bool bright);

// Makes all four readouts repaint in their current colours by setting each
// one's text to itself. What they show does not change.
void refreshReadouts();

// The selected cylinder: true for the vertical one. Asked by everything that
// acts on "the selected cylinder"; the panel's radio buttons only show it.
bool verticalSelected();

// Selects a cylinder: its column turns bright, the other dim, each measured
// readout keeping its verdict. Repaints all four readouts.
void selectCylinder(bool vertical);

// Shows the two targets (decimal, horizontal first).
void showTargets(unsigned horizontalHz, unsigned verticalHz);

// The selected cylinder's target, read back from its readout.
unsigned selectedTarget();

// What follows puts a text with its verdict into the selected cylinder's
// measured readout. The verdict is recorded first, so the repaint that the
// new text causes already shows its colour; the other readouts are not
// repainted.

// A result: the value as text and how it compares with the target.
void showResult(Verdict verdict, const char* text);
// "REC" in the selected measured readout.
void showRecording();
// "???" in the selected measured readout.
void showStopped();
// One beat of the flashing: a red selected measured readout swaps between
// bright and dark; a green one stays still. Repaints all four readouts.
void flash();

} // namespace tensikon
