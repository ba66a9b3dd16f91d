// The guide turning pages on real controls under Wine: a dialog with the
// measurement panel's page controls, buttons and font, whose procedure
// routes to the guide exactly as the panel does.
#include "ui/guide.h"

#include "core/guide_pages.h"
#include "resources/resource.h"
#include "tests/ui/guide_host.h"
#include "tests/ui/guide_pictures_check.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tensikon {
namespace {

constexpr std::array<int, 6> PageControls{IDC_GUIDE_BELTS,  IDC_GUIDE_BELTS_TWIN, IDC_GUIDE_TEXT,
                                          IDC_GUIDE_PULLEY, IDC_GUIDE_NUTS,       IDC_GUIDE_TOOL};

// The page each index shows under GuideVariant 1 and 0.
constexpr std::array<std::array<int, 2>, GuidePageCount> ExpectedPages{{
    {IDC_GUIDE_TEXT, IDC_GUIDE_TEXT},
    {IDC_GUIDE_TEXT, IDC_GUIDE_TEXT},
    {IDC_GUIDE_PULLEY, IDC_GUIDE_PULLEY},
    {IDC_GUIDE_TEXT, IDC_GUIDE_TEXT},
    {IDC_GUIDE_BELTS, IDC_GUIDE_BELTS_TWIN},
    {IDC_GUIDE_TEXT, IDC_GUIDE_TEXT},
    {IDC_GUIDE_TEXT, IDC_GUIDE_TEXT},
    {IDC_GUIDE_TEXT, IDC_GUIDE_TEXT},
    {IDC_GUIDE_NUTS, IDC_GUIDE_TOOL},
    {IDC_GUIDE_TEXT, IDC_GUIDE_TEXT},
    {IDC_GUIDE_BELTS, IDC_GUIDE_BELTS_TWIN},
}};

int expectedPage(int index, int variant)
{
    return ExpectedPages[static_cast<std::size_t>(index)][variant == 0 ? 1 : 0];
}

// The size of the bitmap each diagram control was given by the template.
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

// The panel's routing: the text control's colour query and the two buttons.
INT_PTR CALLBACK hostProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CTLCOLORSTATIC:
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_GUIDE_TEXT)
            return FALSE;
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        guideFirstPage(dialog);
        return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_GUIDE_BACK || LOWORD(wParam) == IDC_GUIDE_FORWARD) {
            guideTurn(dialog, LOWORD(wParam) == IDC_GUIDE_BACK ? -1 : 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

class GuideOnPanel : public ::testing::Test {
  protected:
    void SetUp() override
    {
        resetGuide();
        setGuideVariant(1);
        panel = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_GUIDE_HOST),
                                   nullptr, hostProc, 0);
        ASSERT_NE(panel, nullptr);
    }
    void TearDown() override
    {
        if (panel)
            DestroyWindow(panel);
        resetGuide();
        setGuideVariant(1);
    }

    // Paints what is invalid and handles what is queued; bounded.
    void drawNow()
    {
        RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        MSG msg;
        for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // A click as the user makes it: the button tells the panel.
    void click(int button, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            SendMessageA(GetDlgItem(panel, button), BM_CLICK, 0, 0);
    }
    std::vector<int> visiblePages() const
    {
        std::vector<int> shown;
        for (const int id : PageControls)
            if (GetWindowLongA(GetDlgItem(panel, id), GWL_STYLE) & WS_VISIBLE)
                shown.push_back(id);
        return shown;
    }
    std::string text() const
    {
        std::array<char, 2048> buffer{};
        GetDlgItemTextA(panel, IDC_GUIDE_TEXT, buffer.data(), static_cast<int>(buffer.size()));
        return buffer.data();
    }
    SIZE bitmapOn(int control) const
    {
        const auto bitmap = reinterpret_cast<HBITMAP>(
            SendDlgItemMessageA(panel, control, STM_GETIMAGE, IMAGE_BITMAP, 0));
        BITMAP info{};
        if (bitmap)
            GetObjectA(bitmap, sizeof info, &info);
        return {info.bmWidth, info.bmHeight};
    }
    // Exactly the page of `index` under `variant` is on show, with its text
    // or bitmap.
    void expectPage(int index, int variant)
    {
        const std::string where =
            "page " + std::to_string(index) + " variant " + std::to_string(variant);
        EXPECT_EQ(guidePageIndex(), index) << where;
        const int control = expectedPage(index, variant);
        EXPECT_EQ(visiblePages(), std::vector<int>{control}) << where;
        if (control == IDC_GUIDE_TEXT) {
            EXPECT_EQ(text(), guidePageText(index, variant)) << where;
        } else {
            const SIZE size = bitmapOn(control);
            EXPECT_EQ(size.cx, diagramSize(control).cx) << where;
            EXPECT_EQ(size.cy, diagramSize(control).cy) << where;
        }
    }

    HWND panel = nullptr;
};

TEST_F(GuideOnPanel, ShowsTheWarningPageOnceTheTextAreaIsDrawn)
{
    EXPECT_EQ(visiblePages(), std::vector<int>{IDC_GUIDE_TEXT});
    drawNow();
    expectPage(0, 1);
    // Later colour queries leave the guide alone.
    click(IDC_GUIDE_FORWARD, 3);
    drawNow();
    expectPage(3, 1);
}

TEST_F(GuideOnPanel, TenForwardClicksReachPageTenAndAnEleventhStaysThere)
{
    drawNow();
    for (int index = 1; index <= 10; ++index) {
        click(IDC_GUIDE_FORWARD);
        expectPage(index, 1);
    }
    click(IDC_GUIDE_FORWARD);
    expectPage(10, 1);
}

TEST_F(GuideOnPanel, BackOnPageZeroKeepsPageZeroWithItsText)
{
    drawNow();
    click(IDC_GUIDE_BACK);
    expectPage(0, 1);
    click(IDC_GUIDE_FORWARD, 2);
    click(IDC_GUIDE_BACK, 5);
    expectPage(0, 1);
}

TEST_F(GuideOnPanel, EitherButtonBeforeTheFirstDrawingLandsOnPageZero)
{
    for (const int button : {IDC_GUIDE_FORWARD, IDC_GUIDE_BACK}) {
        TearDown();
        SetUp();
        ASSERT_EQ(guidePageIndex(), -1) << "drawn already: nothing to test";
        click(button);
        expectPage(0, 1);
    }
}

TEST_F(GuideOnPanel, EveryPageInBothVariantsForwardAndBack)
{
    for (const int variant : {0, 1}) {
        TearDown();
        SetUp();
        setGuideVariant(variant);
        drawNow();
        expectPage(0, variant);
        for (int index = 1; index < GuidePageCount; ++index) {
            click(IDC_GUIDE_FORWARD);
            expectPage(index, variant);
        }
        for (int index = GuidePageCount - 2; index >= 0; --index) {
            click(IDC_GUIDE_BACK);
            expectPage(index, variant);
        }
    }
    // The four pages that differ.
    EXPECT_NE(guidePageText(7, 0).find("horizontal cylinder"), std::string_view::npos);
    EXPECT_NE(guidePageText(7, 1).find("correct cylinder"), std::string_view::npos);
}

TEST_F(GuideOnPanel, ModelChangeOnPageEightTakesEffectAtTheNextTurn)
{
    drawNow();
    click(IDC_GUIDE_FORWARD, 8);
    expectPage(8, 1);
    setGuideVariant(0); // a model of the other kind is chosen
    expectPage(8, 1);   // nothing redrawn
    click(IDC_GUIDE_BACK);
    expectPage(7, 0);
    click(IDC_GUIDE_FORWARD);
    expectPage(8, 0);
    setGuideVariant(1);
    click(IDC_GUIDE_FORWARD);
    expectPage(9, 1);
    click(IDC_GUIDE_FORWARD);
    expectPage(10, 1);
}

TEST_F(GuideOnPanel, TurningBetweenTextAndDiagramSwapsTheControls)
{
    drawNow();
    click(IDC_GUIDE_FORWARD, 3);
    expectPage(3, 1);
    click(IDC_GUIDE_FORWARD);
    expectPage(4, 1);
    click(IDC_GUIDE_FORWARD);
    expectPage(5, 1);
}

TEST_F(GuideOnPanel, DiagramAreaAroundThePictureTakesItsPaperColour)
{
    drawNow();
    click(IDC_GUIDE_FORWARD, 2); // page 2: the drive pulley on grey 252
    HWND pulley = GetDlgItem(panel, IDC_GUIDE_PULLEY);
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

TEST_F(GuideOnPanel, EveryTextPageFitsTheTextAreaInThePanelsFont)
{
    HWND area = GetDlgItem(panel, IDC_GUIDE_TEXT);
    RECT units{0, 0, 184, 124};
    MapDialogRect(panel, &units);
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
    for (int index = 0; index < GuidePageCount; ++index) {
        for (const int variant : {0, 1}) {
            const std::string_view t = guidePageText(index, variant);
            if (t.empty())
                continue;
            // The static control draws left-aligned text word-wrapped in its
            // client area, so that is what must hold it.
            RECT need{0, 0, client.right, 0};
            DrawTextA(dc, t.data(), static_cast<int>(t.size()), &need,
                      DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_LEFT);
            EXPECT_LE(need.bottom, client.bottom) << "page " << index << " variant " << variant;
            EXPECT_LE(need.right, client.right) << "page " << index << " variant " << variant;
        }
    }
    SelectObject(dc, old);
    ReleaseDC(area, dc);
}

TEST(GuidePictures, ProgramResourcesCarryTheCommittedDiagramsAndIcon)
{
    testing::expectGuidePicturesIn(GetModuleHandleA(nullptr), TENSIKON_SOURCE_DIR);
}

TEST(GuideVariant, IsOneUntilAModelSetsIt)
{
    resetGuide();
    setGuideVariant(0);
    EXPECT_EQ(currentGuideVariant(), 0);
    setGuideVariant(1);
    EXPECT_EQ(currentGuideVariant(), 1);
}

} // namespace
} // namespace tensikon
