#include "ui/guide.h"

#include "core/bike_catalogue.h"
#include "core/guide_pages.h"
#include "resources/resource.h"
#include "ui/guide_probe.h"
#include "ui/measurement_state.h"

#include <algorithm>

namespace tensikon {
namespace {

// All on the user-interface thread. guideIndex is -1 until the text control
// is first drawn; pageOnShow is the control to hide at the next turn, which
// is the one actually shown even when the GuideVariant has changed since.
int guideIndex = -1;
int pageOnShow = IDC_GUIDE_TEXT;
GuideTextBuffer guideText{};

// The chosen model's variant, read at each page turn.
int guideVariant()
{
    const BikeModel* model = measurementState().model;
    return model == nullptr ? kDefaultGuideVariant : (model->guideVariant == 0 ? 0 : 1);
}

void setGuideText(HWND panel)
{
    SetDlgItemTextA(panel, IDC_GUIDE_TEXT, guideText.data());
}

int controlOf(GuideView view)
{
    switch (view) {
    case GuideView::Pulley:
        return IDC_GUIDE_PULLEY;
    case GuideView::Belts:
        return IDC_GUIDE_BELTS;
    case GuideView::BeltsTwin:
        return IDC_GUIDE_BELTS_TWIN;
    case GuideView::Nuts:
        return IDC_GUIDE_NUTS;
    case GuideView::Tool:
        return IDC_GUIDE_TOOL;
    case GuideView::Text:
        break;
    }
    return IDC_GUIDE_TEXT;
}

} // namespace

std::optional<int> lookupGuidePage(int index, int variant, char* buffer, std::size_t size)
{
    const auto view = loadGuidePage(index, variant, buffer, size);
    if (!view)
        return std::nullopt;
    return controlOf(*view);
}

void guideFirstPage(HWND panel)
{
    if (guideIndex != -1)
        return;
    // Set before the text: setting it repaints the control, whose colour
    // query comes straight back here and must find the page loaded.
    guideIndex = 0;
    if (lookupGuidePage(guideIndex, guideVariant(), guideText.data(), kGuideTextCopySize) ==
        IDC_GUIDE_TEXT)
        setGuideText(panel);
}

void guideTurn(HWND panel, int delta)
{
    // The step is bounded first so that no delta can overflow the sum.
    const int step = std::clamp(delta, -kGuidePageCount, kGuidePageCount);
    guideIndex = std::clamp(guideIndex + step, 0, kGuidePageCount - 1);
    ShowWindow(GetDlgItem(panel, pageOnShow), SW_HIDE);
    const auto control =
        lookupGuidePage(guideIndex, guideVariant(), guideText.data(), kGuideTextCopySize);
    if (!control)
        return;
    pageOnShow = *control;
    ShowWindow(GetDlgItem(panel, pageOnShow), SW_SHOW);
    if (pageOnShow == IDC_GUIDE_TEXT)
        setGuideText(panel);
}

int currentGuideVariant()
{
    return guideVariant();
}

int guidePageIndex()
{
    return guideIndex;
}

void resetGuide()
{
    guideIndex = -1;
    pageOnShow = IDC_GUIDE_TEXT;
}

} // namespace tensikon
