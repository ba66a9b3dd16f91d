// What the program's windows look like on the screen: where each control
// lies and whether its text has room, for the checks at every display
// scaling; and keys pressed as a user presses them.
#pragma once

#include "tools/automation/commands.h"

namespace automation {

// Prints the main window's client area, then every visible control of the
// panels with its place and the room its text has and needs, in screen
// pixels:
//   client left=.. top=.. right=.. bottom=..
//   control id=4001 kind=text|frame|picture left=.. top=.. right=.. bottom=..
//           room_width=.. room_height=.. need_width=.. need_height=..
// A frame (an etched line, a group box) and a picture have no text to fit.
int layoutAction(Session& session, const Arguments& args);

// Prints the control that has the keyboard focus in the program and the
// caption of its active window:
//   focus id=4001 text="Start Recording" window="Tensikon for ..."
// (id=0 when no control of the main window has it)
int focusAction(Session& session, const Arguments& args);

} // namespace automation
