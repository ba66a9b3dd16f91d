// The readout panel's operations on the real panel.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "ui/readout_panel.h"

namespace tensikon::test {
namespace {

TEST(PickShade, GivesTheHueInTheAskedBrightness)
{
    EXPECT_EQ(pickShade(true, true), kBrightRed);
    EXPECT_EQ(pickShade(true, false), kDarkRed);
    EXPECT_EQ(pickShade(false, true), kBrightGreen);
    EXPECT_EQ(pickShade(false, false), kDarkGreen);
}

using Readouts = AppTest;

// A readout shows whatever it is given, whole, and a colour given with an
// unchanged text still becomes its colour.
TEST_F(Readouts, ShowEachTextWholeInItsOwnColourOnBlack)
{
    const std::tuple<int, const char*, COLORREF> shown[] = {
        {IDC_VERTICAL_MEASURED, "1234", kDarkRed},
        {IDC_HORIZONTAL_MEASURED, "-2147483648", kBrightRed},
        {IDC_VERTICAL_TARGET, "000", kBrightGreen},
        {IDC_HORIZONTAL_TARGET, "2147483647", kDarkGreen},
    };
    for (const auto& [id, text, colour] : shown)
        showReadout(id, text, colour);
    for (const auto& [id, text, colour] : shown) {
        EXPECT_EQ(readout(id), text);
        EXPECT_EQ(readoutColour(id), colour) << id;
    }

    HDC dc = CreateCompatibleDC(nullptr);
    SetBkMode(dc, OPAQUE);
    const LRESULT brush =
        SendMessageA(readouts(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(readouts(), IDC_VERTICAL_MEASURED)));
    LOGBRUSH logBrush{};
    ASSERT_EQ(GetObjectA(reinterpret_cast<HGDIOBJ>(brush), sizeof logBrush, &logBrush),
              static_cast<int>(sizeof logBrush));
    EXPECT_EQ(logBrush.lbColor, 0x000000u);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    DeleteDC(dc);
}

} // namespace
} // namespace tensikon::test
