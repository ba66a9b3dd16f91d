#include "ui/guide.h"

#include "core/bike_catalogue.h"
#include "core/guide_pages.h"
#include "resources/resource.h"
#include "ui/guide_probe.h"
#include "ui/measurement_state.h"
#include "win32/unique_handle.h"

#include <algorithm>

namespace tensikon {
namespace {

// All on the user-interface thread. guideIndex is -1 until the text control
// is first drawn; pageOnShow is the control to hide at the next turn, which
// is the one actually shown even when the GuideVariant has changed since.
int guideIndex = -1;
int pageOnShow = IDC_GUIDE_TEXT;
GuideTextBuffer guideText{};
// The background of the diagram on show and its colour.
UniqueBrush pictureBrush;
COLORREF pictureBrushColour = 0;

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

bool isDiagram(int control)
{
    for (const GuideView view : {GuideView::Pulley, GuideView::Belts, GuideView::BeltsTwin,
                                 GuideView::Nuts, GuideView::Tool}) {
        if (controlOf(view) == control)
            return true;
    }
    return false;
}

// The colour of the top-left pixel of the picture a static control shows.
COLORREF cornerColour(HWND control)
{
    const auto picture =
        reinterpret_cast<HBITMAP>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    HDC memory = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(memory, picture);
    const COLORREF colour = GetPixel(memory, 0, 0);
    SelectObject(memory, old);
    DeleteDC(memory);
    return colour;
}

} // namespace

HBRUSH guidePictureBackground(HWND control)
{
    if (!isDiagram(GetDlgCtrlID(control)))
        return nullptr;
    const COLORREF colour = cornerColour(control);
    if (!pictureBrush || colour != pictureBrushColour) {
        pictureBrush.reset(CreateSolidBrush(colour));
        pictureBrushColour = colour;
    }
    return pictureBrush.get();
}

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
    pictureBrush.reset();
}

} // namespace tensikon
