// The readout panel's operations on the real panel.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "ui/readout_panel.h"
#include "ui/shell_state.h"

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
    // Four different colours: a red result in the selected vertical column.
    selectCylinder(true);
    showResult(Verdict::OutOfTarget, "110");
    flash();
    EXPECT_EQ(readoutColour(IDC_HORIZONTAL_TARGET), kDarkGreen);
    EXPECT_EQ(readoutColour(IDC_VERTICAL_TARGET), kBrightGreen);
    EXPECT_EQ(readoutColour(IDC_HORIZONTAL_MEASURED), kDarkGreen);
    EXPECT_EQ(readoutColour(IDC_VERTICAL_MEASURED), kDarkRed);

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

TEST_F(Readouts, AMeasuredTextGoesOnlyToTheSelectedCylinder)
{
    showRecording();
    EXPECT_EQ(readout(IDC_HORIZONTAL_MEASURED), "REC");
    EXPECT_EQ(readoutColour(IDC_HORIZONTAL_MEASURED), kBrightRed);
    EXPECT_EQ(readout(IDC_VERTICAL_MEASURED), "000");
    EXPECT_EQ(readoutColour(IDC_VERTICAL_MEASURED), kDarkGreen);

    selectCylinder(true);
    showStopped();
    EXPECT_EQ(readout(IDC_VERTICAL_MEASURED), "???");
    EXPECT_EQ(readoutColour(IDC_VERTICAL_MEASURED), kBrightGreen);
    EXPECT_EQ(readout(IDC_HORIZONTAL_MEASURED), "REC");
    EXPECT_EQ(readoutColour(IDC_HORIZONTAL_MEASURED), kDarkRed);
}

} // namespace
} // namespace tensikon::test
