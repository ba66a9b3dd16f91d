// The main window's commands, the About box and every way start-up can fail.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "core/bike_catalogue.h"
#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "tests/ui/capture_script.h"
#include "ui/guide_probe.h"
#include "ui/main_window.h"
#include "ui/measurement_state.h"
#include "ui/shell_state.h"

namespace tensikon::test {
namespace {

constexpr UINT kHoldItems[] = {IDM_HOLD_HALF_SECOND, IDM_HOLD_ONE_SECOND, IDM_HOLD_TWO_SECONDS,
                               IDM_HOLD_THREE_SECONDS};

using Commands = AppTest;

TEST_F(Commands, HoldTimeMovesItsBulletWithinItsFourItemsAndLeavesAboutAlone)
{
    const UINT aboutBefore = menuState(IDM_ABOUT);
    EXPECT_EQ(measurementState().holdTimeMs, 1000);
    const int millis[] = {500, 1000, 2000, 3000};
    for (int k : {3, 0, 2, 1, 0}) {
        menu(static_cast<int>(kHoldItems[k]));
        EXPECT_EQ(measurementState().holdTimeMs, millis[k]);
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(menuChecked(static_cast<int>(kHoldItems[j])), j == k) << kHoldItems[j];
        }
        EXPECT_EQ(menuState(IDM_ABOUT), aboutBefore);
    }
}

TEST_F(Commands, RecordModeMovesItsBulletBetweenContinuousAndSingle)
{
    EXPECT_TRUE(menuChecked(IDM_CONTINUOUS));
    EXPECT_FALSE(menuChecked(IDM_SINGLE));
    menu(IDM_SINGLE);
    EXPECT_FALSE(menuChecked(IDM_CONTINUOUS));
    EXPECT_TRUE(menuChecked(IDM_SINGLE));
    EXPECT_TRUE(menuState(IDM_SINGLE) & MFT_RADIOCHECK);
    menu(IDM_CONTINUOUS);
    EXPECT_TRUE(menuChecked(IDM_CONTINUOUS));
    EXPECT_FALSE(menuChecked(IDM_SINGLE));
}

TEST_F(Commands, PluckDetectionStartsAtLevelAndMovesItsBullet)
{
    EXPECT_TRUE(menuChecked(IDM_PLUCK_LEVEL));
    menu(IDM_PLUCK_AUTOMATIC);
    EXPECT_FALSE(menuChecked(IDM_PLUCK_LEVEL));
    EXPECT_TRUE(menuChecked(IDM_PLUCK_AUTOMATIC));
    EXPECT_EQ(measurementState().pluckTest, PluckTest::Automatic);
    menu(IDM_PLUCK_LEVEL);
    EXPECT_TRUE(menuChecked(IDM_PLUCK_LEVEL));
    EXPECT_EQ(measurementState().pluckTest, PluckTest::Level);
}

TEST_F(Commands, ChoosingTr3BulletsItAloneInTourenzaAndShowsItsTargets)
{
    menu(6025);
    EXPECT_TRUE(menuChecked(6025));
    EXPECT_TRUE(menuState(6025) & MFT_RADIOCHECK);
    EXPECT_FALSE(menuChecked(6002));
    EXPECT_FALSE(menuChecked(6003));
    EXPECT_EQ(readout(IDC_HORIZONTAL_TARGET), "142");
    EXPECT_EQ(readout(IDC_VERTICAL_TARGET), "142");
    EXPECT_EQ(statusLine(), "Tourenza TR3 Selected");
    EXPECT_EQ(currentGuideVariant(), 0);
}

TEST_F(Commands, ChoicesInTwoFamiliesLeaveABulletInEach)
{
    menu(6013); // Corvane 620
    menu(6021); // Vialta 620
    EXPECT_TRUE(menuChecked(6013));
    EXPECT_TRUE(menuChecked(6021));
    EXPECT_EQ(readout(IDC_HORIZONTAL_TARGET), "124");
    EXPECT_EQ(readout(IDC_VERTICAL_TARGET), "112");
    EXPECT_EQ(statusLine(), "Vialta 620 Selected");
}

TEST_F(Commands, TheBulletMovesWithinAFamilyAndTheGuideVariantFollows)
{
    menu(6015); // Corvane 800
    EXPECT_EQ(currentGuideVariant(), 1);
    menu(6019); // Corvane R4
    EXPECT_FALSE(menuChecked(6015));
    EXPECT_TRUE(menuChecked(6019));
    EXPECT_EQ(currentGuideVariant(), 0);
    for (const BikeModel& row : BikeCatalogue) {
        if (row.family == "Corvane" && row.commandId != 6019) {
            EXPECT_FALSE(menuChecked(row.commandId)) << row.commandId;
        }
    }
    menu(6019);
    EXPECT_TRUE(menuChecked(6019));
    EXPECT_EQ(statusLine(), "Corvane R4 Selected");
}

TEST_F(Commands, ARowWithoutTargetsShowsPlainZeros)
{
    menu(6014); // greyed in the menu, applied all the same when it arrives
    EXPECT_EQ(readout(IDC_HORIZONTAL_TARGET), "0");
    EXPECT_EQ(readout(IDC_VERTICAL_TARGET), "0");
    EXPECT_EQ(statusLine(), "Corvane C695 Selected");
    EXPECT_TRUE(menuChecked(6014));
}

TEST_F(Commands, GreyedCommandsWithoutARowChangeNothing)
{
    menu(6026); // Pistara 750R
    for (int id : {6012, 6030, 6031, 6000}) {
        menu(id);
        EXPECT_EQ(readout(IDC_HORIZONTAL_TARGET), "110");
        EXPECT_EQ(statusLine(), "Pistara 750R Selected");
        EXPECT_EQ(currentGuideVariant(), 0);
        EXPECT_TRUE(menuChecked(6026));
        if (menuState(id) != static_cast<UINT>(-1)) {
            EXPECT_FALSE(menuChecked(id));
        }
    }
    EXPECT_NE(mainWindow(), nullptr);
}

TEST_F(Commands, ExitClosesTheWindowAndTheLoopEndsWithZero)
{
    menu(IDM_EXIT);
    EXPECT_NE(mainWindow(), nullptr) << "Exit posts its close";
    // Bounded: should the quit never come, this posts one that ends the loop.
    const UINT_PTR guard =
        SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); });
    EXPECT_EQ(runMessageLoop(), 0);
    KillTimer(nullptr, guard);
    EXPECT_EQ(mainWindow(), nullptr);
    EXPECT_EQ(panel(), nullptr);
    EXPECT_EQ(analysisBuffer(), nullptr);
}

// The About box: every check runs while it is open, by posted messages and
// a timer that its own modal loop handles in order.
struct AboutRun {
    HWND box = nullptr;
    std::string caption;
    std::vector<std::string> texts;
    RECT client{};
    RECT templated{0, 0, 170, 90};
    bool openAfterOtherCommands = false;
    bool watchdogFired = false;
    void (*close)(HWND box) = nullptr;
};

AboutRun* aboutRun = nullptr;

void CALLBACK closeAbout(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    aboutRun->openAfterOtherCommands = IsWindow(aboutRun->box) != FALSE;
    aboutRun->close(aboutRun->box);
}

// Should the box not close, it is ended here and the test fails.
void CALLBACK aboutWatchdog(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (aboutRun && IsWindow(aboutRun->box)) {
        aboutRun->watchdogFired = true;
        EndDialog(aboutRun->box, 0);
    }
}

void probeAbout(HWND box)
{
    AboutRun& run = *aboutRun;
    run.box = box;
    std::array<char, 64> caption{};
    GetWindowTextA(box, caption.data(), 64);
    run.caption = caption.data();
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        std::array<char, 128> text{};
        GetWindowTextA(c, text.data(), 128);
        run.texts.push_back(text.data());
    }
    GetClientRect(box, &run.client);
    MapDialogRect(box, &run.templated);
    // Escape, Cancel, another command: none of them closes the box.
    PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_RECORD, BN_CLICKED), 0);
    SetTimer(nullptr, 0, 100, closeAbout);
}

// Takes the About box when it is activated, before the message-box catcher
// (hooked earlier, so called later) could press its OK button.
class AboutHook {
  public:
    AboutHook() { hook_ = SetWindowsHookExA(WH_CBT, proc, nullptr, GetCurrentThreadId()); }
    ~AboutHook() { UnhookWindowsHookEx(hook_); }
    AboutHook(const AboutHook&) = delete;
    AboutHook& operator=(const AboutHook&) = delete;

  private:
    static LRESULT CALLBACK proc(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_ACTIVATE && aboutRun && !aboutRun->box) {
            std::array<char, 64> caption{};
            GetWindowTextA(window, caption.data(), 64);
            if (std::string(caption.data()) == "About") {
                SetPropA(window, "tensikon.caught", reinterpret_cast<HANDLE>(1));
                probeAbout(window);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_ = nullptr;
};

class AboutBox : public AppTest {
  protected:
    AboutRun run(void (*close)(HWND))
    {
        AboutRun result;
        result.close = close;
        aboutRun = &result;
        const UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, aboutWatchdog);
        {
            AboutHook hook;
            menu(IDM_ABOUT);
        }
        KillTimer(nullptr, watchdog);
        aboutRun = nullptr;
        return result;
    }

    void expectShownAndClosed(const AboutRun& r)
    {
        EXPECT_EQ(r.caption, "About");
        const std::vector<std::string> texts{"Tensikon", "Version 1.0.0.3",
                                             r.texts.size() > 2 ? r.texts[2] : "",
                                             r.texts.size() > 3 ? r.texts[3] : "", "OK"};
        EXPECT_EQ(r.texts, texts);
        EXPECT_EQ(r.client.right, r.templated.right);
        EXPECT_EQ(r.client.bottom, r.templated.bottom);
        EXPECT_TRUE(r.openAfterOtherCommands);
        EXPECT_FALSE(r.watchdogFired);
        EXPECT_FALSE(IsWindow(r.box));
    }
};

TEST_F(AboutBox, ClosesOnItsOkButton)
{
    const AboutRun r = run([](HWND box) { SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); });
    expectShownAndClosed(r);
}

TEST_F(AboutBox, ClosesOnTheCloseBox)
{
    const AboutRun r = run([](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); });
    expectShownAndClosed(r);
}

// Refuses, through the CBT hook, the creation of the windows it is told of.
class CreationRefuser {
  public:
    explicit CreationRefuser(bool (*refuse)(const CBT_CREATEWNDA&))
    {
        refuse_ = refuse;
        hook_ = SetWindowsHookExA(WH_CBT, proc, nullptr, GetCurrentThreadId());
    }
    ~CreationRefuser() { UnhookWindowsHookEx(hook_); }
    CreationRefuser(const CreationRefuser&) = delete;
    CreationRefuser& operator=(const CreationRefuser&) = delete;

  private:
    static LRESULT CALLBACK proc(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_CREATEWND && refuse_(*reinterpret_cast<CBT_CREATEWNDA*>(lParam)))
            return 1;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline bool (*refuse_)(const CBT_CREATEWNDA&) = nullptr;
    HHOOK hook_ = nullptr;
};

bool named(const CBT_CREATEWNDA& c, const char* name)
{
    return c.lpcs->lpszName && std::string(c.lpcs->lpszName) == name;
}

bool childOfMainWindow(const CBT_CREATEWNDA& c)
{
    std::array<char, 64> parentClass{};
    GetClassNameA(c.lpcs->hwndParent, parentClass.data(), 64);
    return (c.lpcs->style & WS_CHILD) != 0 && std::string(parentClass.data()) == kMainWindowClass;
}

TEST_F(AboutBox, ThatCannotBeShownIsReported)
{
    CreationRefuser refuser([](const CBT_CREATEWNDA& c) { return named(c, "About"); });
    menu(IDM_ABOUT);
    const std::vector<CaughtBox> shown = boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Dialog failed!");
    EXPECT_EQ(shown[0].caption, "Error");
    EXPECT_TRUE(shown[0].informationIcon);
    EXPECT_EQ(shown[0].owner, mainWindow());
}

using StartUp = AppTest;

enum class Icon { Exclamation, Information };

void expectOneBox(std::vector<CaughtBox> shown, const char* text, const char* caption, Icon icon)
{
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, text);
    EXPECT_EQ(shown[0].caption, caption);
    EXPECT_EQ(shown[0].exclamationIcon, icon == Icon::Exclamation);
    EXPECT_EQ(shown[0].informationIcon, icon == Icon::Information);
}

TEST_F(StartUp, ARegistrationFailureIsReportedWithoutOwner)
{
    HWND running = mainWindow();
    // The class is registered already, so a second registration fails.
    EXPECT_EQ(startUp(GetModuleHandleA(nullptr), SW_SHOWNORMAL, defaultStartupServices()), nullptr);
    const std::vector<CaughtBox> shown = boxes();
    expectOneBox(shown, "Window Registration Failed!", "Error!", Icon::Exclamation);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_TRUE(IsWindow(running));
}

TEST_F(StartUp, AWindowCreationFailureIsReportedWithoutOwner)
{
    CreationRefuser refuser(
        [](const CBT_CREATEWNDA& c) { return named(c, "Tensikon for Veltrani Motorbikes"); });
    EXPECT_EQ(restartWith(defaultStartupServices()), nullptr);
    const std::vector<CaughtBox> shown = boxes();
    expectOneBox(shown, "Window Creation Failed!", "Error!", Icon::Exclamation);
    EXPECT_EQ(shown[0].owner, nullptr);
}

TEST_F(StartUp, PanelsThatCannotBeCreatedAreReportedAndLeftOut)
{
    CreationRefuser refuser(childOfMainWindow);
    HWND window = restartWith(defaultStartupServices());
    ASSERT_NE(window, nullptr);
    const std::vector<CaughtBox> shown = boxes();
    ASSERT_EQ(shown.size(), 2u);
    for (const CaughtBox& box : shown) {
        EXPECT_EQ(box.text, "CreateDialog returned NULL");
        EXPECT_EQ(box.caption, "Warning!");
        EXPECT_TRUE(box.informationIcon);
    }
    EXPECT_EQ(panel(), nullptr);
    EXPECT_EQ(readouts(), nullptr);
    // The menu still works without them.
    menu(6025);
    menu(IDM_HOLD_TWO_SECONDS);
    EXPECT_TRUE(menuChecked(6025));
    EXPECT_EQ(measurementState().holdTimeMs, 2000);
}

TEST_F(StartUp, ACaptureThreadThatCannotStartEndsStartUp)
{
    StartupServices services = defaultStartupServices();
    services.startCaptureThread = [] { return DWORD{0}; };
    EXPECT_EQ(restartWith(services), nullptr);
    const std::vector<CaughtBox> shown = boxes();
    expectOneBox(shown, "Can't create WAVE recording thread!", "Error", Icon::Exclamation);
    EXPECT_NE(shown[0].owner, nullptr) << "owned by the main window";
    EXPECT_EQ(mainWindow(), nullptr);
    EXPECT_EQ(FindWindowA(kMainWindowClass, nullptr), nullptr);
}

TEST_F(StartUp, AnAnalysisBufferThatCannotBeHadIsReportedAndEndsStartUp)
{
    StartupServices services = defaultStartupServices();
    services.allocate = [](UINT, SIZE_T) { return HGLOBAL{nullptr}; };
    EXPECT_EQ(restartWith(services), nullptr);
    const std::vector<CaughtBox> shown = boxes();
    expectOneBox(shown, "Not enough memory for the recording buffer!", "Error!", Icon::Exclamation);
    EXPECT_EQ(mainWindow(), nullptr);
    EXPECT_EQ(panel(), nullptr);
    EXPECT_EQ(analysisBuffer(), nullptr);
    EXPECT_EQ(FindWindowA(kMainWindowClass, nullptr), nullptr);
}

} // namespace
} // namespace tensikon::test
