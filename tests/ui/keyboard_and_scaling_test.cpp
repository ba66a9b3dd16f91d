// What a user without a mouse, or with a display scaled above 100 %,
// relies on: an access key on every menu item, and a layout that follows
// the window's DPI and comes back exactly. (The focus is followed by the
// keyboard's end-to-end test.)
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <string>

#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "ui/main_window.h"

namespace tensikon::test {
namespace {

using KeyboardAndScaling = AppTest;

std::string itemText(HMENU menu, int position)
{
    std::array<char, 128> text{};
    GetMenuStringA(menu, static_cast<UINT>(position), text.data(), static_cast<int>(text.size()),
                   MF_BYPOSITION);
    return text.data();
}

// Each item marks one key and no other item of its menu has it.
void expectAccessKeys(HMENU menu)
{
    std::string keys;
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        const std::string text = itemText(menu, position);
        const std::size_t mark = text.find('&');
        ASSERT_NE(mark, std::string::npos) << text;
        const char key =
            static_cast<char>(std::tolower(static_cast<unsigned char>(text[mark + 1])));
        EXPECT_EQ(keys.find(key), std::string::npos) << text << " shares its key";
        keys += key;
        if (HMENU sub = GetSubMenu(menu, position))
            expectAccessKeys(sub);
    }
}

// The bike models built at run time among them; "&File" and "&Exit" keep
// their own. (MainMenu in resources_test.cpp checks the texts as shown.)
TEST_F(KeyboardAndScaling, EveryMenuItemHasAnAccessKeyOfItsOwn)
{
    HMENU menu = GetMenu(mainWindow());
    expectAccessKeys(menu);
    EXPECT_EQ(itemText(menu, 0), "&File");
    EXPECT_EQ(itemText(GetSubMenu(menu, 0), 2), "&Exit");
}

RECT placeOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

bool sameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

TEST_F(KeyboardAndScaling, AChangeOfDpiScalesEverythingAndTheWayBackRestoresIt)
{
    HWND record = GetDlgItem(panel(), IDC_RECORD);
    HWND readout = GetDlgItem(readouts(), IDC_HORIZONTAL_TARGET);
    const RECT window = placeOf(mainWindow());
    const RECT button = placeOf(record);
    RECT suggested = window;
    SendMessageA(mainWindow(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    const RECT large = placeOf(record);
    EXPECT_EQ(placeOf(mainWindow()).right - window.left, 2 * kMainWindowWidth);
    EXPECT_EQ(large.right - large.left, 2 * (button.right - button.left));
    EXPECT_EQ(large.bottom - large.top, 2 * (button.bottom - button.top));
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(readout, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_GT(std::abs(font.lfHeight), 50) << "the readouts' digits grow with the DPI";

    SendMessageA(mainWindow(), WM_DPICHANGED, MAKEWPARAM(96, 96),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(sameRect(placeOf(mainWindow()), window));
    EXPECT_TRUE(sameRect(placeOf(record), button));
}

} // namespace
} // namespace tensikon::test
