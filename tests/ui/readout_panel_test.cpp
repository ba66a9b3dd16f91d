// The readout panel's three operations on the real panel.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "ui/readout_panel.h"
#include "ui/shell_state.h"

namespace tensikon::test {
namespace {

TEST(PickShade, KeepsTheHueAndTakesTheAskedBrightness)
{
    EXPECT_EQ(pickShade(kDarkRed, kBrightRed, kBrightGreen), kBrightRed);
    EXPECT_EQ(pickShade(kDarkGreen, kBrightRed, kBrightGreen), kBrightGreen);
    EXPECT_EQ(pickShade(kBrightRed, kDarkRed, kDarkGreen), kDarkRed);
    EXPECT_EQ(pickShade(kBrightGreen, kDarkRed, kDarkGreen), kDarkGreen);
    EXPECT_EQ(pickShade(255, kDarkRed, kDarkGreen), kDarkRed);
    EXPECT_EQ(pickShade(256, kDarkRed, kDarkGreen), kDarkGreen);
}

using Readouts = AppTest;

// Refreshing rewrites every readout with its own text; it must never cut a
// value, whatever its length.
TEST_F(Readouts, RefreshNeverChangesWhatAReadoutShows)
{
    const std::pair<int, const char*> texts[] = {
        {IDC_VERTICAL_MEASURED, "1234"},
        {IDC_HORIZONTAL_MEASURED, "-2147483648"},
        {IDC_VERTICAL_TARGET, "-123"},
        {IDC_HORIZONTAL_TARGET, "2147483647"},
    };
    for (const auto& [id, text] : texts)
        SetDlgItemTextA(readouts(), id, text);
    refreshReadouts();
    refreshReadouts();
    for (const auto& [id, text] : texts)
        EXPECT_EQ(readout(id), text);
}

TEST_F(Readouts, EachAsksForItsOwnColourOnBlack)
{
    readoutColours = {0x010101, 0x020202, 0x030303, 0x040404};
    EXPECT_EQ(readoutColour(IDC_HORIZONTAL_TARGET), 0x010101u);
    EXPECT_EQ(readoutColour(IDC_VERTICAL_TARGET), 0x020202u);
    EXPECT_EQ(readoutColour(IDC_HORIZONTAL_MEASURED), 0x030303u);
    EXPECT_EQ(readoutColour(IDC_VERTICAL_MEASURED), 0x040404u);

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

TEST_F(Readouts, SetSelectedMeasuredTouchesOnlyTheSelectedCylinder)
{
    setSelectedMeasured(kBrightRed, "REC");
    EXPECT_EQ(readout(IDC_HORIZONTAL_MEASURED), "REC");
    EXPECT_EQ(readoutColours.horizontalMeasuredColour, kBrightRed);
    EXPECT_EQ(readout(IDC_VERTICAL_MEASURED), "000");
    EXPECT_EQ(readoutColours.verticalMeasuredColour, kDarkGreen);

    CheckRadioButton(panel(), IDC_VERTICAL_CYL, IDC_HORIZONTAL_CYL, IDC_VERTICAL_CYL);
    setSelectedMeasured(kBrightGreen, "???");
    EXPECT_EQ(readout(IDC_VERTICAL_MEASURED), "???");
    EXPECT_EQ(readoutColours.verticalMeasuredColour, kBrightGreen);
    EXPECT_EQ(readout(IDC_HORIZONTAL_MEASURED), "REC");
    EXPECT_EQ(readoutColours.horizontalMeasuredColour, kBrightRed);
}

} // namespace
} // namespace tensikon::test
