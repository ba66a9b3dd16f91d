#include "win32/error_message.h"

namespace tensikon {

void showError(HWND owner, const char* text, const char* caption, UINT icon)
{
    MessageBoxA(owner, text, caption, MB_OK | icon);
}

} // namespace tensikon
