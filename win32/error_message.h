// The one way the program tells the user that something failed: the windows
// and the recorder alike.
#pragma once

#include <windows.h>

namespace tensikon {

inline constexpr const char* kErrorCaption = "Error";
// Failures that end start-up.
inline constexpr const char* kStartupErrorCaption = "Error!";
// A panel that could not be created: the program goes on without it.
inline constexpr const char* kWarningCaption = "Warning!";

// A modal message box with one OK button. `owner` may be null (no window yet).
// `icon` is MB_ICONEXCLAMATION, MB_ICONINFORMATION or MB_ICONWARNING.
void showError(HWND owner, const char* text, const char* caption, UINT icon);

} // namespace tensikon
