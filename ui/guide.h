// The step-by-step guide shown in the measurement panel's page area.
#pragma once

#include <windows.h>

namespace tensikon {

// The first drawing of the guide's text area loads the first page.
void guideFirstPage(HWND panel);
// Back (-1) or Forward (+1).
void guideTurn(HWND panel, int delta);
// Set by the chosen bike model; read at the next page turn.
void setGuideVariant(int variant);
int currentGuideVariant();

} // namespace tensikon
