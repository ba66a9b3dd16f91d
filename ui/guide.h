// The step-by-step guide on the measurement panel: eleven pages shown one
// at a time on six stacked controls of the panel (one text control and five
// bitmap controls), turned with the panel's Back and Forward buttons.
//
// The guide has no window of its own. The panel's dialog procedure hands it
// the two buttons' commands and the colour query of the text control; the
// page table and texts live in core/guide_pages.h, the control of each kind
// of page here.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

namespace tensikon {

// The control of the page at `index` under `variant` (IDC_GUIDE_TEXT for
// every text page), or none for an index outside 0..10. For a text page the
// text is first copied into the buffer (see copyGuideText).
std::optional<int> lookupGuidePage(int index, int variant, char* buffer, std::size_t size);

// Loads page 0 into the text control the first time it is drawn; called by
// the panel for every WM_CTLCOLORSTATIC of control 4017 and does nothing
// once a page has been loaded.
void guideFirstPage(HWND panel);

// The brush for the area around a diagram, in the colour of the diagram's
// top-left pixel, so that the picture seems to fill its page; null for a
// control that is no diagram. The themed static control fills that area
// with the brush its parent gives it. The brush stays valid until the next
// call.
HBRUSH guidePictureBackground(HWND control);

// Back (-1) or Forward (+1): moves within pages 0..10 (clamped at both
// ends), hides the page on show, shows the new page and, for a text page,
// sets its text.
void guideTurn(HWND panel, int delta);

// Forgets the pages of a destroyed panel: a new panel starts with its text
// control on show and no page loaded.
void resetGuide();

} // namespace tensikon
