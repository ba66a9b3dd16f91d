// The dialog templates as the resources hold them, and the windows created
// from them: the main window's frame, both panels, what their controls must
// be for the program to work, and every control created as templated.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "tests/ui/dialog_template.h"
#include "ui/main_window.h"

namespace tensikon::test {
namespace {

constexpr int kButton = 0x0080;
constexpr int kStatic = 0x0082;

NameOrNumber named(const char* text)
{
    return {text, -1};
}

// The item with this id; fails the test when the template lacks it.
const TemplateItem& item(const DialogTemplate& t, int id)
{
    for (const TemplateItem& i : t.items) {
        if (i.id == id)
            return i;
    }
    ADD_FAILURE() << "no control " << id;
    static const TemplateItem none;
    return none;
}

bool overlap(const RECT& a, const RECT& b)
{
    return a.left < b.left + b.right && b.left < a.left + a.right && a.top < b.top + b.bottom &&
           b.top < a.top + a.bottom;
}

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

// The controls as created from the template: stacking order, class, place,
// visibility and text.
void expectCreatedAsTemplated(HWND dialog, const DialogTemplate& t)
{
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const TemplateItem& want : t.items) {
        SCOPED_TRACE(testing::Message() << "control " << want.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), want.id) << "stacking order";
        EXPECT_STRCASEEQ(className(child).c_str(), classOf(want.className).c_str());
        EXPECT_EQ(IsWindowVisible(child) != FALSE, (want.style & WS_VISIBLE) != 0);
        const RECT expected = toPixels(dialog, want.place);
        const RECT actual = placeIn(dialog, child);
        const DWORD kind = want.style & SS_TYPEMASK;
        if (classOf(want.className) == "STATIC" &&
            (kind == SS_ETCHEDHORZ || kind == SS_ETCHEDVERT)) {
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

TEST_F(Layout, MainWindowIs505WideWithAFixedClientHeightAndNoResizing)
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

TEST_F(Layout, ATallerCaptionAndMenuBarStillLeaveTheClientHeight)
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

TEST(DialogTemplates, MeasurementPanelIsAChildInEightPointSansSerif)
{
    const DialogTemplate t = loadDialogTemplate(IDD_MEASUREMENT_PANEL);
    EXPECT_EQ(t.style,
              static_cast<DWORD>(DS_CONTROL | DS_3DLOOK | DS_SETFONT | WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(t.exStyle, 0u);
    expectSameRect(t.place, {0, 0, 348, 180});
    EXPECT_EQ(t.caption, "");
    EXPECT_EQ(t.typeface, "MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.weight, FW_NORMAL);
    for (const TemplateItem& i : t.items)
        EXPECT_TRUE(i.style & WS_CHILD) << i.id;
}

TEST(DialogTemplates, MeasurementPanelShowsItsTextsAndPushButtons)
{
    const DialogTemplate t = loadDialogTemplate(IDD_MEASUREMENT_PANEL);
    const std::pair<int, const char*> texts[] = {
        {IDC_RECORD, "Start Recording"},    {IDC_HORIZONTAL_CYL, " Horizontal Cyl"},
        {IDC_VERTICAL_CYL, "Vertical Cyl"}, {IDC_MEASURED_LABEL, "Measured Value"},
        {IDC_TARGET_LABEL, "Target Value"}, {IDC_GUIDE_BACK, "Back"},
        {IDC_GUIDE_FORWARD, "Forward"},     {IDC_STATUS, "No Bike Selected"},
    };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(item(t, id).title, named(text)) << id;
    for (const int id : {IDC_RECORD, IDC_GUIDE_BACK, IDC_GUIDE_FORWARD}) {
        EXPECT_EQ(item(t, id).style & (BS_TYPEMASK | WS_TABSTOP),
                  static_cast<DWORD>(BS_PUSHBUTTON | WS_TABSTOP))
            << id;
        EXPECT_EQ(classOf(item(t, id).className), "BUTTON") << id;
    }
}

// One pair of push-like radio buttons on one row, horizontal on the left:
// a group of its own (so the arrow keys stay within it) whose tab stop is
// the checked button, horizontal at start.
TEST(DialogTemplates, CylinderButtonsAreOneRadioPairSideBySide)
{
    const DialogTemplate t = loadDialogTemplate(IDD_MEASUREMENT_PANEL);
    const TemplateItem& horizontal = item(t, IDC_HORIZONTAL_CYL);
    const TemplateItem& vertical = item(t, IDC_VERTICAL_CYL);
    for (const TemplateItem* cyl : {&horizontal, &vertical}) {
        EXPECT_EQ(cyl->style & (BS_TYPEMASK | BS_PUSHLIKE),
                  static_cast<DWORD>(BS_AUTORADIOBUTTON | BS_PUSHLIKE));
        EXPECT_EQ(cyl->place.top, horizontal.place.top);
    }
    EXPECT_EQ(horizontal.style & (WS_GROUP | WS_TABSTOP),
              static_cast<DWORD>(WS_GROUP | WS_TABSTOP));
    EXPECT_EQ(vertical.style & (WS_GROUP | WS_TABSTOP), 0u);
    ASSERT_EQ(&vertical, &horizontal + 1);
    EXPECT_TRUE((&vertical + 1)->style & WS_GROUP) << "the group ends after the pair";
    EXPECT_LT(horizontal.place.left + horizontal.place.right, vertical.place.left + 1);
}

constexpr int kGuidePages[] = {IDC_GUIDE_BELTS,  IDC_GUIDE_BELTS_TWIN, IDC_GUIDE_TEXT,
                               IDC_GUIDE_PULLEY, IDC_GUIDE_NUTS,       IDC_GUIDE_TOOL};

// One place for all the guide's pages, only the text shown at first, each
// picture a bitmap of the program.
TEST(DialogTemplates, GuidePagesShareOnePlace)
{
    const DialogTemplate t = loadDialogTemplate(IDD_MEASUREMENT_PANEL);
    for (const int id : kGuidePages) {
        const TemplateItem& page = item(t, id);
        expectSameRect(page.place, item(t, IDC_GUIDE_TEXT).place);
        EXPECT_EQ(page.exStyle, static_cast<DWORD>(WS_EX_CLIENTEDGE)) << id;
        EXPECT_EQ((page.style & WS_VISIBLE) != 0, id == IDC_GUIDE_TEXT) << id;
        if (id == IDC_GUIDE_TEXT)
            continue;
        EXPECT_EQ(page.style & (SS_TYPEMASK | SS_CENTERIMAGE),
                  static_cast<DWORD>(SS_BITMAP | SS_CENTERIMAGE));
        HBITMAP picture =
            LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(page.title.number));
        EXPECT_NE(picture, nullptr) << id;
        DeleteObject(picture);
    }
}

// Every control lies inside the panel; every other than a page is shown and,
// but for the etched lines, has a place of its own.
TEST(DialogTemplates, MeasurementControlsDoNotCoverEachOther)
{
    const DialogTemplate t = loadDialogTemplate(IDD_MEASUREMENT_PANEL);
    for (const TemplateItem& i : t.items) {
        const RECT& r = i.place;
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left + r.right <= t.place.right &&
                    r.top + r.bottom <= t.place.bottom)
            << i.id;
        if (std::ranges::find(kGuidePages, i.id) != std::end(kGuidePages))
            continue;
        EXPECT_TRUE(i.style & WS_VISIBLE) << i.id;
        const DWORD kind = i.style & SS_TYPEMASK;
        if (classOf(i.className) == "STATIC" && (kind == SS_ETCHEDHORZ || kind == SS_ETCHEDVERT))
            continue;
        for (const TemplateItem& other : t.items) {
            if (&other != &i && other.id != IDC_DIVIDER && other.id != IDC_TOP_LINE) {
                EXPECT_FALSE(overlap(r, other.place)) << i.id << " and " << other.id;
            }
        }
    }
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
    // A two by two grid: horizontal left, targets on top, one size for all,
    // each "000" centred and sunken.
    ASSERT_EQ(t.items.size(), 4u);
    const RECT& horizontalTarget = item(t, IDC_HORIZONTAL_TARGET).place;
    const RECT& verticalTarget = item(t, IDC_VERTICAL_TARGET).place;
    const RECT& horizontalMeasured = item(t, IDC_HORIZONTAL_MEASURED).place;
    const RECT& verticalMeasured = item(t, IDC_VERTICAL_MEASURED).place;
    EXPECT_EQ(horizontalTarget.top, verticalTarget.top);
    EXPECT_EQ(horizontalMeasured.top, verticalMeasured.top);
    EXPECT_EQ(horizontalTarget.left, horizontalMeasured.left);
    EXPECT_EQ(verticalTarget.left, verticalMeasured.left);
    EXPECT_LT(horizontalTarget.left, verticalTarget.left);
    EXPECT_LT(horizontalTarget.top, horizontalMeasured.top);
    for (const TemplateItem& i : t.items) {
        EXPECT_EQ(classOf(i.className), "STATIC") << i.id;
        EXPECT_EQ(i.title, named("000")) << i.id;
        EXPECT_EQ(i.style, static_cast<DWORD>(SS_CENTER | SS_SUNKEN | WS_CHILD | WS_VISIBLE))
            << i.id;
        EXPECT_EQ(i.place.right, horizontalTarget.right) << i.id;
        EXPECT_EQ(i.place.bottom, horizontalTarget.bottom) << i.id;
        for (const TemplateItem& other : t.items)
            EXPECT_TRUE(&other == &i || !overlap(i.place, other.place)) << i.id;
    }
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
    expectSameRect(placeIn(mainWindow(), panel()), toPixels(panel(), {0, 0, 348, 180}));
    LONG height = 0;
    EXPECT_EQ(fontFace(panel(), &height), "MS Sans Serif");
    EXPECT_EQ(height, pointsToHeight(8));
    expectCreatedAsTemplated(panel(), loadDialogTemplate(IDD_MEASUREMENT_PANEL));
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
    expectCreatedAsTemplated(readouts(), loadDialogTemplate(IDD_READOUT_PANEL));
}

} // namespace
} // namespace tensikon::test
