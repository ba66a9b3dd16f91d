// The guide on the program's own measurement panel under Wine: the program
// starts as it starts itself, pages turn by clicks on Back and Forward, and
// bike models are chosen through the main window's menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/guide_pages.h"
#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "ui/application.h"
#include "ui/guide.h"
#include "ui/guide_probe.h"

namespace tensikon::test {
namespace {

// Models of each kind, as the menu offers them.
constexpr int kSingleCamModel = 6013; // Corvane 620: GuideVariant 1
constexpr int kTwinCamModel = 6019;   // Corvane R4: GuideVariant 0

constexpr std::array<int, 6> kPageControls{IDC_GUIDE_BELTS,  IDC_GUIDE_BELTS_TWIN, IDC_GUIDE_TEXT,
                                           IDC_GUIDE_PULLEY, IDC_GUIDE_NUTS,       IDC_GUIDE_TOOL};

// The control that shows a page, as the one page table gives it.
int expectedPage(int index, int variant)
{
    GuideTextBuffer unused{};
    return lookupGuidePage(index, variant, unused.data(), kGuideTextCopySize).value_or(0);
}

// The size of the picture each diagram control carries.
SIZE diagramSize(int control)
{
    switch (control) {
    case IDC_GUIDE_BELTS:
        return {150, 147};
    case IDC_GUIDE_BELTS_TWIN:
        return {150, 145};
    case IDC_GUIDE_NUTS:
        return {220, 194};
    case IDC_GUIDE_TOOL:
        return {200, 175};
    default:
        return {200, 156};
    }
}

class Guide : public AppTest {
  protected:
    void clicks(int button, int times)
    {
        for (int i = 0; i < times; ++i)
            click(button);
    }

    // The page controls a user can see: shown, on a shown panel and window.
    std::vector<int> visiblePages() const
    {
        std::vector<int> shown;
        for (const int id : kPageControls)
            if (IsWindowVisible(GetDlgItem(panel(), id)))
                shown.push_back(id);
        return shown;
    }

    SIZE bitmapOn(int control) const
    {
        const auto bitmap = reinterpret_cast<HBITMAP>(
            SendDlgItemMessageA(panel(), control, STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP info{};
        if (bitmap)
            GetObjectA(bitmap, sizeof info, &info);
        return {info.bmWidth, info.bmHeight};
    }

    // Exactly the page of `index` under `variant` is on show, with its text
    // or its picture.
    void expectPage(int index, int variant)
    {
        const std::string where =
            "page " + std::to_string(index) + " variant " + std::to_string(variant);
        EXPECT_EQ(guidePageIndex(), index) << where;
        const int control = expectedPage(index, variant);
        EXPECT_EQ(visiblePages(), std::vector<int>{control}) << where;
        if (control == IDC_GUIDE_TEXT) {
            EXPECT_EQ(controlText(panel(), IDC_GUIDE_TEXT), guidePageText(index, variant)) << where;
            return;
        }
        const SIZE size = bitmapOn(control);
        EXPECT_EQ(size.cx, diagramSize(control).cx) << where;
        EXPECT_EQ(size.cy, diagramSize(control).cy) << where;
    }

    // Starts the program again with its window hidden: nothing is drawn, so
    // the guide has loaded no page yet.
    void restartUndrawn()
    {
        ASSERT_NE(restartWith(defaultStartupServices(), SW_HIDE), nullptr);
        pumpMessages();
        ASSERT_EQ(guidePageIndex(), -1) << "drawn already: nothing to test";
        ASSERT_EQ(controlText(panel(), IDC_GUIDE_TEXT), "");
    }
    // Shows the window as start-up does; the system draws it at once.
    void showWindow()
    {
        ShowWindow(mainWindow(), SW_SHOWNORMAL);
        UpdateWindow(mainWindow());
        pumpMessages();
    }
};

TEST_F(Guide, TheWarningPageIsOnShowBeforeAnyClick)
{
    pumpMessages();
    expectPage(0, 1);
}

TEST_F(Guide, TheFirstDrawingOfTheTextAreaLoadsTheWarningPage)
{
    restartUndrawn();
    showWindow();
    expectPage(0, 1);
    // Later drawings leave the guide alone.
    clicks(IDC_GUIDE_FORWARD, 3);
    RedrawWindow(mainWindow(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pumpMessages();
    expectPage(3, 1);
}

TEST_F(Guide, EitherButtonBeforeTheFirstDrawingLandsOnPageZero)
{
    for (const int button : {IDC_GUIDE_FORWARD, IDC_GUIDE_BACK}) {
        restartUndrawn();
        click(button);
        showWindow();
        expectPage(0, 1);
    }
}

TEST_F(Guide, TenForwardClicksReachPageTenAndAnEleventhStaysThere)
{
    for (int index = 1; index <= 10; ++index) {
        click(IDC_GUIDE_FORWARD);
        expectPage(index, 1);
    }
    click(IDC_GUIDE_FORWARD);
    expectPage(10, 1);
}

TEST_F(Guide, BackOnPageZeroKeepsPageZeroWithItsText)
{
    click(IDC_GUIDE_BACK);
    expectPage(0, 1);
    SetDlgItemTextA(panel(), IDC_GUIDE_TEXT, "");
    click(IDC_GUIDE_BACK); // reloads the page's text
    expectPage(0, 1);
    clicks(IDC_GUIDE_FORWARD, 2);
    clicks(IDC_GUIDE_BACK, 5);
    expectPage(0, 1);
}

// Every page forward and back under the model of each kind; the four pages
// that differ are named.
TEST_F(Guide, EveryPageInTheVersionOfTheChosenModel)
{
    struct Choice {
        int model;
        int variant;
    };
    for (const Choice choice : {Choice{kTwinCamModel, 0}, Choice{kSingleCamModel, 1}}) {
        const int variant = choice.variant;
        menu(choice.model);
        clicks(IDC_GUIDE_BACK, kGuidePageCount);
        expectPage(0, variant);
        for (int index = 1; index < kGuidePageCount; ++index) {
            click(IDC_GUIDE_FORWARD);
            expectPage(index, variant);
        }
        for (int index = kGuidePageCount - 2; index >= 0; --index) {
            click(IDC_GUIDE_BACK);
            expectPage(index, variant);
        }
    }
}

TEST_F(Guide, ATwinCamModelShowsTwinPulleysTheToolAndTheHorizontalCylinder)
{
    menu(kTwinCamModel);
    clicks(IDC_GUIDE_FORWARD, 4);
    EXPECT_EQ(visiblePages(), std::vector<int>{IDC_GUIDE_BELTS_TWIN});
    clicks(IDC_GUIDE_FORWARD, 3);
    EXPECT_NE(controlText(panel(), IDC_GUIDE_TEXT).find("8. Make sure the horizontal cylinder"),
              std::string::npos);
    click(IDC_GUIDE_FORWARD);
    EXPECT_EQ(visiblePages(), std::vector<int>{IDC_GUIDE_TOOL});
    clicks(IDC_GUIDE_FORWARD, 2);
    EXPECT_EQ(visiblePages(), std::vector<int>{IDC_GUIDE_BELTS_TWIN});
}

TEST_F(Guide, ASingleCamModelShowsSinglePulleysTheNutsAndTheCorrectCylinder)
{
    menu(kTwinCamModel);
    menu(kSingleCamModel);
    clicks(IDC_GUIDE_FORWARD, 4);
    EXPECT_EQ(visiblePages(), std::vector<int>{IDC_GUIDE_BELTS});
    clicks(IDC_GUIDE_FORWARD, 3);
    EXPECT_NE(controlText(panel(), IDC_GUIDE_TEXT).find("8. Make sure the correct cylinder"),
              std::string::npos);
    click(IDC_GUIDE_FORWARD);
    EXPECT_EQ(visiblePages(), std::vector<int>{IDC_GUIDE_NUTS});
    clicks(IDC_GUIDE_FORWARD, 2);
    EXPECT_EQ(visiblePages(), std::vector<int>{IDC_GUIDE_BELTS});
}

// A model chosen on page 8 redraws nothing; Back then hides the picture
// that is actually on show and shows page 7 in the new version.
TEST_F(Guide, AModelChangeOnPageEightTakesEffectAtTheNextTurn)
{
    clicks(IDC_GUIDE_FORWARD, 8);
    expectPage(8, 1);
    menu(kTwinCamModel);
    EXPECT_EQ(statusLine(), "Corvane R4 Selected");
    expectPage(8, 1);
    click(IDC_GUIDE_BACK);
    expectPage(7, 0);
    click(IDC_GUIDE_FORWARD);
    expectPage(8, 0);
    menu(kSingleCamModel);
    expectPage(8, 0);
    click(IDC_GUIDE_BACK);
    expectPage(7, 1);
    click(IDC_GUIDE_FORWARD);
    expectPage(8, 1);
}

TEST_F(Guide, TheStepOverADiagramSwapsTextAndPicture)
{
    clicks(IDC_GUIDE_FORWARD, 3);
    expectPage(3, 1);
    click(IDC_GUIDE_FORWARD);
    expectPage(4, 1);
    click(IDC_GUIDE_FORWARD);
    expectPage(5, 1);
}

TEST_F(Guide, TheAreaAroundThePulleyPictureTakesItsGrey)
{
    clicks(IDC_GUIDE_FORWARD, 2);
    HWND pulley = GetDlgItem(panel(), IDC_GUIDE_PULLEY);
    RECT client{};
    GetClientRect(pulley, &client);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, canvas);
    SendMessageA(pulley, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    EXPECT_EQ(GetPixel(memory, 1, 1), RGB(252, 252, 252));
    EXPECT_EQ(GetPixel(memory, client.right - 2, client.bottom - 2), RGB(252, 252, 252));
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
}

// The area does not scroll: every text page must fit it as the text control
// draws it, in the control's own font, word-wrapped in its client area.
TEST_F(Guide, EveryTextPageFitsTheTextAreaInItsOwnFont)
{
    HWND area = GetDlgItem(panel(), IDC_GUIDE_TEXT);
    RECT units{0, 0, 184, 124};
    MapDialogRect(panel(), &units);
    RECT window{}, client{};
    GetWindowRect(area, &window);
    GetClientRect(area, &client);
    EXPECT_EQ(window.right - window.left, units.right);
    EXPECT_EQ(window.bottom - window.top, units.bottom);

    HDC dc = GetDC(area);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(area, WM_GETFONT, 0, 0)));
    std::array<char, 64> face{};
    GetTextFaceA(dc, static_cast<int>(face.size()), face.data());
    EXPECT_STREQ(face.data(), "MS Sans Serif") << "measured in another font";
    for (int index = 0; index < kGuidePageCount; ++index) {
        for (const int variant : {0, 1}) {
            const std::string_view text = guidePageText(index, variant);
            if (text.empty())
                continue;
            RECT need{0, 0, client.right, 0};
            DrawTextA(dc, text.data(), static_cast<int>(text.size()), &need,
                      DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_LEFT);
            EXPECT_LE(need.bottom, client.bottom) << "page " << index << " variant " << variant;
            EXPECT_LE(need.right, client.right) << "page " << index << " variant " << variant;
        }
    }
    SelectObject(dc, old);
    ReleaseDC(area, dc);
}

} // namespace
} // namespace tensikon::test
