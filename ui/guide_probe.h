// What tests observe of the guide and the program itself never asks. Kept
// apart from guide.h so that no window comes to depend on it.
#pragma once

namespace tensikon {

// The GuideVariant the next page turn will use.
int currentGuideVariant();

// The page index (-1 until the first page is loaded).
int guidePageIndex();

} // namespace tensikon
