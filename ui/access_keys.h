// Access keys for the main window's menus, so that every command can be
// reached from the keyboard.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tensikon {

// `text` with an access key marked ("&") before its first letter or digit
// that starts a word and is not in `taken`, else before its first letter or
// digit not in `taken`; the key is added to `taken` (lower case). A text
// that already marks its own key keeps it, and it is taken. A text with no
// free letter or digit stays as it is.
std::string withAccessKey(std::string_view text, std::string& taken);

// Gives every item of `menu` and of its submenus an access key of its own
// within its menu. The visible texts stay as they are; the key shows
// underlined.
void addAccessKeys(HMENU menu);

} // namespace tensikon
