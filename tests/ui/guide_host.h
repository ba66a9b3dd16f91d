// A stand-in for the measurement panel in the guide's tests: a dialog with
// the panel's six page controls and two buttons, at the panel's positions
// and in its font, whose procedure routes to the guide as the panel does.
#pragma once

#define IDD_GUIDE_HOST 100
