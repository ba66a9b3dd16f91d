// The dialog templates as the resources hold them, and the windows created
// from them: the main window's frame, both panels and every control with its
// class, style, text, place and visibility.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "tests/ui/dialog_template.h"
#include "ui/main_window.h"

namespace tensikon::test {
namespace {

constexpr int kButton = 0x0080;
constexpr int kStatic = 0x0082;

struct ControlLayout {
    int id;
    int classAtom;
    DWORD style; // besides WS_CHILD and WS_VISIBLE
    DWORD exStyle;
    NameOrNumber title;
    RECT place; // x, y, width, height in dialog units
    bool visible;
};

constexpr DWORD kBitmapStyle = SS_BITMAP | SS_CENTERIMAGE;
constexpr DWORD kRadioStyle = BS_AUTORADIOBUTTON | BS_PUSHLIKE;
constexpr RECT kPageArea{8, 8, 184, 124};

NameOrNumber named(const char* text)
{
    return {text, -1};
}

NameOrNumber bitmap(int id)
{
    return {"", id};
}

// Dialog 1001 in template order, which is also the stacking order.
const std::vector<ControlLayout> kPanelControls{
    {IDC_RECORD,
     kButton,
     BS_PUSHBUTTON | WS_TABSTOP,
     0,
     named("Start Recording"),
     {212, 96, 112, 48},
     true},
    {IDC_TOP_LINE, kStatic, SS_ETCHEDHORZ, 0, {}, {0, 0, 348, 4}, true},
    {IDC_DIVIDER, kStatic, SS_ETCHEDVERT, 0, {}, {200, 0, 4, 160}, true},
    {IDC_HORIZONTAL_CYL,
     kButton,
     kRadioStyle,
     0,
     named(" Horizontal Cyl"),
     {212, 80, 56, 10},
     true},
    {IDC_VERTICAL_CYL, kButton, kRadioStyle, 0, named("Vertical Cyl"), {268, 80, 56, 10}, true},
    {IDC_MEASURED_LABEL,
     kStatic,
     SS_LEFT | WS_GROUP,
     0,
     named("Measured Value"),
     {240, 68, 54, 8},
     true},
    {IDC_TARGET_LABEL,
     kStatic,
     SS_LEFT | WS_GROUP,
     0,
     named("Target Value"),
     {244, 7, 44, 8},
     true},
    {IDC_GUIDE_BACK, kButton, BS_PUSHBUTTON | WS_TABSTOP, 0, named("Back"), {8, 136, 36, 12}, true},
    {IDC_GUIDE_FORWARD,
     kButton,
     BS_PUSHBUTTON | WS_TABSTOP,
     0,
     named("Forward"),
     {156, 136, 37, 12},
     true},
    {IDC_GUIDE_BELTS, kStatic, kBitmapStyle, WS_EX_CLIENTEDGE, bitmap(IDB_BELTS_SINGLE_CAM),
     kPageArea, false},
    {IDC_GUIDE_BELTS_TWIN, kStatic, kBitmapStyle, WS_EX_CLIENTEDGE, bitmap(IDB_BELTS_TWIN_CAM),
     kPageArea, false},
    {IDC_GUIDE_TEXT, kStatic, SS_LEFT | WS_GROUP, WS_EX_CLIENTEDGE, {}, kPageArea, true},
    {IDC_STATUS,
     kStatic,
     SS_LEFT | SS_SUNKEN,
     0,
     named("No Bike Selected"),
     {1, 152, 331, 10},
     true},
    {IDC_GUIDE_PULLEY, kStatic, kBitmapStyle, WS_EX_CLIENTEDGE, bitmap(IDB_DRIVE_PULLEY), kPageArea,
     false},
    {IDC_GUIDE_NUTS, kStatic, kBitmapStyle, WS_EX_CLIENTEDGE, bitmap(IDB_TENSIONER_NUTS), kPageArea,
     false},
    {IDC_GUIDE_TOOL, kStatic, kBitmapStyle, WS_EX_CLIENTEDGE, bitmap(IDB_TENSIONER_TOOL), kPageArea,
     false},
};

// Dialog 1002: the readouts, in template order.
const std::vector<ControlLayout> kReadoutControls{
    {IDC_HORIZONTAL_TARGET, kStatic, SS_CENTER | SS_SUNKEN, 0, named("000"), {2, 1, 20, 9}, true},
    {IDC_VERTICAL_TARGET, kStatic, SS_CENTER | SS_SUNKEN, 0, named("000"), {26, 1, 20, 9}, true},
    {IDC_HORIZONTAL_MEASURED,
     kStatic,
     SS_CENTER | SS_SUNKEN,
     0,
     named("000"),
     {2, 12, 20, 9},
     true},
    {IDC_VERTICAL_MEASURED, kStatic, SS_CENTER | SS_SUNKEN, 0, named("000"), {26, 12, 20, 9}, true},
};

void expectSameRect(const RECT& actual, const RECT& expected)
{
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

// A control class as the template may name it: by its atom or by its name.
std::string classOf(const NameOrNumber& name)
{
    if (name.number == kButton)
        return "BUTTON";
    if (name.number == kStatic)
        return "STATIC";
    std::string upper = name.text;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

void expectTemplateItems(const DialogTemplate& t, const std::vector<ControlLayout>& layouts)
{
    ASSERT_EQ(t.items.size(), layouts.size());
    for (std::size_t k = 0; k < layouts.size(); ++k) {
        const ControlLayout& want = layouts[k];
        const TemplateItem& item = t.items[k];
        SCOPED_TRACE(testing::Message() << "control " << want.id);
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(classOf(item.className), classOf({"", want.classAtom}));
        EXPECT_EQ(item.title, want.title);
        EXPECT_EQ(item.style, want.style | WS_CHILD | (want.visible ? WS_VISIBLE : 0))
            << std::hex << item.style;
        EXPECT_EQ(item.exStyle, want.exStyle);
        expectSameRect(item.place, want.place);
    }
}

// Dialog units of `dialog` to pixels, each of x, y, width and height on its
// own as the dialog manager converts them; as left, top, right, bottom.
RECT toPixels(HWND dialog, RECT place)
{
    MapDialogRect(dialog, &place);
    return {place.left, place.top, place.left + place.right, place.top + place.bottom};
}

// A window's rectangle in the client coordinates of `parent`.
RECT placeIn(HWND parent, HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string className(HWND window)
{
    std::array<char, 64> name{};
    GetClassNameA(window, name.data(), static_cast<int>(name.size()));
    return name.data();
}

// The controls as created: stacking order, place, visibility and text.
void expectCreatedControls(HWND dialog, const std::vector<ControlLayout>& layouts)
{
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const ControlLayout& want : layouts) {
        SCOPED_TRACE(testing::Message() << "control " << want.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), want.id) << "stacking order";
        HWND control = GetDlgItem(dialog, want.id);
        EXPECT_STRCASEEQ(className(control).c_str(),
                         want.classAtom == kButton ? "Button" : "Static");
        EXPECT_EQ(IsWindowVisible(control) != FALSE, want.visible);
        const RECT expected = toPixels(dialog, want.place);
        const RECT actual = placeIn(dialog, control);
        if (want.style == SS_ETCHEDHORZ || want.style == SS_ETCHEDVERT) {
            // The platform draws an etched line at its own thickness.
            EXPECT_EQ(actual.left, expected.left);
            EXPECT_EQ(actual.top, expected.top);
        } else {
            expectSameRect(actual, expected);
        }
        if (want.title.number < 0 && !want.title.text.empty()) {
            EXPECT_EQ(controlText(dialog, want.id), want.title.text);
        }
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "no further controls";
}

std::string fontFace(HWND window, LONG* height)
{
    const auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    LOGFONTA logFont{};
    GetObjectA(font, sizeof logFont, &logFont);
    *height = logFont.lfHeight;
    EXPECT_EQ(logFont.lfWeight, FW_NORMAL);
    return logFont.lfFaceName;
}

LONG pointsToHeight(int points)
{
    HDC screen = GetDC(nullptr);
    const LONG height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return height;
}

using Layout = AppTest;

TEST_F(Layout, MainWindowIs505WideWithA264PixelClientAndNoResizing)
{
    RECT outer{};
    RECT client{};
    GetWindowRect(mainWindow(), &outer);
    GetClientRect(mainWindow(), &client);
    EXPECT_EQ(outer.right - outer.left, kMainWindowWidth);
    EXPECT_EQ(client.bottom - client.top, kMainClientHeight);
    std::array<char, 64> caption{};
    GetWindowTextA(mainWindow(), caption.data(), static_cast<int>(caption.size()));
    EXPECT_STREQ(caption.data(), "Tensikon for Veltrani Motorbikes");
    EXPECT_EQ(className(mainWindow()), "myWindowClass");
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(mainWindow(), GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
    EXPECT_TRUE(style & WS_VISIBLE);
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(mainWindow(), GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_NE(GetMenu(mainWindow()), nullptr);
    EXPECT_NE(GetClassLongPtrA(mainWindow(), GCLP_HICON), 0);
    EXPECT_NE(GetClassLongPtrA(mainWindow(), GCLP_HICONSM), 0);
    EXPECT_EQ(GetClassLongPtrA(mainWindow(), GCLP_HBRBACKGROUND), COLOR_WINDOW + 1);
}

TEST_F(Layout, ATallerCaptionAndMenuBarStillLeave264Pixels)
{
    NONCLIENTMETRICSA usual{};
    usual.cbSize = sizeof usual;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof usual, &usual, 0));
    NONCLIENTMETRICSA tall = usual;
    tall.iCaptionHeight += 24;
    tall.iMenuHeight += 16;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof tall, &tall, 0));
    ASSERT_NE(restartWith(defaultStartupServices()), nullptr);
    RECT outer{};
    RECT client{};
    GetWindowRect(mainWindow(), &outer);
    GetClientRect(mainWindow(), &client);
    SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof usual, &usual, 0);
    EXPECT_EQ(outer.right - outer.left, kMainWindowWidth);
    EXPECT_EQ(client.bottom - client.top, kMainClientHeight);
    EXPECT_GT(outer.bottom - outer.top, kMainWindowHeight);
}

TEST(DialogTemplates, MeasurementPanelHasEveryControlWithItsStyleTextAndPlace)
{
    const DialogTemplate t = loadDialogTemplate(IDD_MEASUREMENT_PANEL);
    EXPECT_EQ(t.style,
              static_cast<DWORD>(DS_CONTROL | DS_3DLOOK | DS_SETFONT | WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(t.exStyle, 0u);
    expectSameRect(t.place, {0, 0, 348, 164});
    EXPECT_EQ(t.caption, "");
    EXPECT_EQ(t.typeface, "MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.weight, FW_NORMAL);
    expectTemplateItems(t, kPanelControls);
}

TEST(DialogTemplates, ReadoutPanelHasFourSunkenCentredReadoutsInTwentyPointArial)
{
    const DialogTemplate t = loadDialogTemplate(IDD_READOUT_PANEL);
    EXPECT_EQ(t.style, static_cast<DWORD>(DS_3DLOOK | DS_SETFONT | WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_TRANSPARENT));
    expectSameRect(t.place, {76, 6, 48, 22});
    EXPECT_EQ(t.caption, "");
    EXPECT_EQ(t.typeface, "Arial");
    EXPECT_EQ(t.pointSize, 20);
    EXPECT_EQ(t.weight, FW_NORMAL);
    expectTemplateItems(t, kReadoutControls);
}

TEST(DialogTemplates, AboutBoxShowsNameVersionNoticeAndOk)
{
    const DialogTemplate t = loadDialogTemplate(IDD_ABOUT);
    EXPECT_EQ(t.caption, "About");
    EXPECT_EQ(t.place.right, 170);
    EXPECT_EQ(t.place.bottom, 90);
    EXPECT_EQ(t.typeface, "MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_TRUE(t.style & WS_CAPTION);
    EXPECT_TRUE(t.style & WS_SYSMENU);
    EXPECT_TRUE(t.style & DS_MODALFRAME);
    ASSERT_EQ(t.items.size(), 5u);
    EXPECT_EQ(t.items[0].title, named("Tensikon"));
    EXPECT_EQ(t.items[0].style & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
    EXPECT_EQ(t.items[1].title, named("Version 1.0.0.3"));
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(classOf(t.items[k].className), "STATIC");
        EXPECT_EQ(t.items[k].style & SS_TYPEMASK, static_cast<DWORD>(SS_CENTER));
        EXPECT_FALSE(t.items[k].title.text.empty());
    }
    EXPECT_EQ(t.items[4].id, IDOK);
    EXPECT_EQ(t.items[4].title, named("OK"));
    EXPECT_EQ(classOf(t.items[4].className), "BUTTON");
}

TEST_F(Layout, MeasurementPanelHoldsEveryControlAsTemplated)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(panel(), GWL_STYLE));
    EXPECT_EQ(style & (DS_CONTROL | DS_3DLOOK | WS_CHILD | WS_VISIBLE | WS_CAPTION),
              DS_CONTROL | DS_3DLOOK | WS_CHILD | WS_VISIBLE);
    expectSameRect(placeIn(mainWindow(), panel()), toPixels(panel(), {0, 0, 348, 164}));
    LONG height = 0;
    EXPECT_EQ(fontFace(panel(), &height), "MS Sans Serif");
    EXPECT_EQ(height, pointsToHeight(8));
    expectCreatedControls(panel(), kPanelControls);
    EXPECT_EQ(IsDlgButtonChecked(panel(), IDC_HORIZONTAL_CYL), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(panel(), IDC_VERTICAL_CYL), BST_UNCHECKED);
}

TEST_F(Layout, ReadoutPanelLiesOverTheMeasurementControlsInLargeType)
{
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(readouts(), GWL_STYLE));
    EXPECT_EQ(style & (DS_3DLOOK | WS_CHILD | WS_VISIBLE | WS_CAPTION),
              DS_3DLOOK | WS_CHILD | WS_VISIBLE);
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(readouts(), GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_TRANSPARENT);
    expectSameRect(placeIn(mainWindow(), readouts()), toPixels(readouts(), {76, 6, 48, 22}));
    LONG height = 0;
    EXPECT_EQ(fontFace(readouts(), &height), "Arial");
    EXPECT_EQ(height, pointsToHeight(20));
    expectCreatedControls(readouts(), kReadoutControls);
}

} // namespace
} // namespace tensikon::test
