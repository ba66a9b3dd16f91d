// The eleven pages of the step-by-step guide: which control shows each page
// under each GuideVariant, and the texts of the seven text pages.
//
// Platform-free: the Windows side (ui/guide.cpp) only shows and hides the
// control returned here and sets the text copied here.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tensikon {

inline constexpr int GuidePageCount = 11;

// The text of the text page looked up last, NUL-terminated, Windows-1252.
inline constexpr std::size_t GuideTextBufferSize = 1024;
using GuideTextBuffer = std::array<char, GuideTextBufferSize>;

// The size the guide hands to the copy: one less than the buffer, so that
// at most 1022 characters and the NUL are written and the buffer's last
// byte never is.
inline constexpr std::size_t GuideTextCopySize = GuideTextBufferSize - 1;

struct GuidePage {
    int controlVariant1;           // control that shows the page under GuideVariant 1
    int controlVariant0;           // ... and under GuideVariant 0
    std::string_view textVariant1; // empty for a diagram page
    std::string_view textVariant0;
};

// Indexed by page: text pages are shown in the text control (4017), diagram
// pages in one of the five bitmap controls.
extern const std::array<GuidePage, GuidePageCount> GuidePages;

// The text of a page under a GuideVariant (0, or anything else for 1);
// empty for a diagram page or an index outside 0..10.
std::string_view guidePageText(int index, int variant);

// Copies `text` verbatim into buffer[0..size): at most size - 1 characters
// and always a NUL after them (nothing at all when size is 0). Returns true
// when the text had to be cut. Never a formatted copy: a '%' in a text
// must not be able to read arguments that are not there.
bool copyGuideText(std::string_view text, char* buffer, std::size_t size);

// The control of the page at `index` under `variant`, or none for an index
// outside 0..10. For a text page the text is first copied into the buffer
// (see copyGuideText); for a diagram page the buffer is left alone.
std::optional<int> lookupGuidePage(int index, int variant, char* buffer, std::size_t size);

} // namespace tensikon
