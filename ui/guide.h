// The step-by-step guide on the measurement panel: eleven pages shown one
// at a time on six stacked controls of the panel (one text control and five
// bitmap controls), turned with the panel's Back and Forward buttons.
//
// The guide has no window of its own. The panel's dialog procedure hands it
// the two buttons' commands and the colour query of the text control; the
// page table and texts live in core/guide_pages.h.
#pragma once

#include <windows.h>

namespace tensikon {

// Loads page 0 into the text control the first time it is drawn; called by
// the panel for every WM_CTLCOLORSTATIC of control 4017 and does nothing
// once a page has been loaded.
void guideFirstPage(HWND panel);

// Back (-1) or Forward (+1): moves within pages 0..10 (clamped at both
// ends), hides the page on show, shows the new page and, for a text page,
// sets its text.
void guideTurn(HWND panel, int delta);

// The GuideVariant of the chosen bike model (0 or 1, 1 until a model is
// chosen). Read at the next page turn only: setting it redraws nothing.
void setGuideVariant(int variant);
int currentGuideVariant();

// The page index (-1 until the first page is loaded) and the control of the
// page on show.
int guidePageIndex();
int guidePageControl();

// Forgets the pages of a destroyed panel: a new panel starts with its text
// control on show and no page loaded. The GuideVariant is kept, since it
// belongs to the chosen model, not to the panel.
void resetGuide();

} // namespace tensikon
