// The eleven pages of the step-by-step guide: what each page shows under
// each GuideVariant (its text, or which of the five pictures), and the texts
// of the seven text pages.
//
// Platform-free: the Windows side (ui/guide.cpp) maps what a page shows to
// the control that shows it and sets the text copied here.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tensikon {

inline constexpr int kGuidePageCount = 11;

// The text of the text page looked up last, NUL-terminated, Windows-1252.
inline constexpr std::size_t kGuideTextBufferSize = 1024;
using GuideTextBuffer = std::array<char, kGuideTextBufferSize>;

// The size the guide hands to the copy: one less than the buffer, so that
// at most 1022 characters and the NUL are written and the buffer's last
// byte never is.
inline constexpr std::size_t kGuideTextCopySize = kGuideTextBufferSize - 1;

// What a page shows: its text, or one of the five pictures.
enum class GuideView {
    Text,
    Pulley,    // the belt drive pulley at top dead centre
    Belts,     // where to flick the belts of a single-cam engine
    BeltsTwin, // ... and of a twin-cam engine
    Nuts,      // adjusting the tensioner of a single-cam engine
    Tool,      // ... and of a twin-cam engine
};

// The text of a page under a GuideVariant (0, or anything else for 1);
// empty for a diagram page or an index outside 0..10.
std::string_view guidePageText(int index, int variant);

// Copies `text` verbatim into buffer[0..size): at most size - 1 characters
// and always a NUL after them (nothing at all when size is 0). Returns true
// when the text had to be cut. Never a formatted copy: a '%' in a text
// must not be able to read arguments that are not there.
bool copyGuideText(std::string_view text, char* buffer, std::size_t size);

// What the page at `index` under `variant` shows, or none for an index
// outside 0..10. For a text page the text is first copied into the buffer
// (see copyGuideText); for a diagram page the buffer is left alone.
std::optional<GuideView> loadGuidePage(int index, int variant, char* buffer, std::size_t size);

} // namespace tensikon
