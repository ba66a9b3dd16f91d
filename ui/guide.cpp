// Stand-in until the guide's pages arrive: it keeps the variant only.
#include "ui/guide.h"

namespace tensikon {

namespace {
int guideVariant = 1;
}

void guideFirstPage(HWND) {}
void guideTurn(HWND, int) {}
void setGuideVariant(int variant)
{
    guideVariant = variant;
}
int currentGuideVariant()
{
    return guideVariant;
}

} // namespace tensikon
