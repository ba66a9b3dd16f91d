// guide-shots: turns the guide of a running program from outside, for the
// screenshots in docs/ (scripts/guide-shots). It does what a user does: it
// clicks Back and Forward and chooses bike models from the menu.
//
//   guide-shots [forward N | back N | model COMMAND]...
//
// The actions run in order, each one finished before the next. Then it
// prints the control id of the page on show (exactly one must be) and the
// main window's place on the screen, "page 4017 window 505x308+0+0".
//
// Exit codes: 0 done, 1 usage, 2 no program window within 10 s, 3 an
// action went unanswered, 4 not exactly one page on show.
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resources/resource.h"
#include "ui/main_window.h"

namespace {

constexpr std::array<int, 6> kPageControls{IDC_GUIDE_TEXT,       IDC_GUIDE_PULLEY, IDC_GUIDE_BELTS,
                                           IDC_GUIDE_BELTS_TWIN, IDC_GUIDE_NUTS,   IDC_GUIDE_TOOL};
// Bounds every wait on the program, so that a hung program cannot hang
// the script that takes the screenshots.
constexpr UINT kAnswerMs = 5000;

HWND waitForMainWindow()
{
    for (int tries = 0; tries < 100; ++tries) {
        if (HWND window = FindWindowA(tensikon::kMainWindowClass, tensikon::kMainWindowCaption))
            return window;
        Sleep(100);
    }
    return nullptr;
}

// The measurement panel is the child dialog that holds the guide's buttons.
HWND findPanel(HWND mainWindow)
{
    HWND child = nullptr;
    while ((child = FindWindowExA(mainWindow, child, "#32770", nullptr)) != nullptr)
        if (GetDlgItem(child, IDC_GUIDE_FORWARD))
            return child;
    return nullptr;
}

bool send(HWND window, UINT message, WPARAM wParam)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, message, wParam, 0, SMTO_ABORTIFHUNG, kAnswerMs, &result) !=
           0;
}

// One action; false when the program did not answer it.
bool act(HWND mainWindow, HWND panel, const char* name, int number)
{
    if (std::strcmp(name, "model") == 0)
        return send(mainWindow, WM_COMMAND, MAKEWPARAM(number, 0));
    HWND button =
        GetDlgItem(panel, std::strcmp(name, "back") == 0 ? IDC_GUIDE_BACK : IDC_GUIDE_FORWARD);
    for (int i = 0; i < number; ++i)
        if (!send(button, BM_CLICK, 0))
            return false;
    return true;
}

bool knownAction(const char* name)
{
    return std::strcmp(name, "forward") == 0 || std::strcmp(name, "back") == 0 ||
           std::strcmp(name, "model") == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc % 2 != 1) {
        std::fprintf(stderr, "usage: guide-shots [forward N | back N | model COMMAND]...\n");
        return 1;
    }
    for (int i = 1; i < argc; i += 2) {
        if (!knownAction(argv[i]) || std::atoi(argv[i + 1]) <= 0) {
            std::fprintf(stderr, "guide-shots: cannot do \"%s %s\"\n", argv[i], argv[i + 1]);
            return 1;
        }
    }
    HWND mainWindow = waitForMainWindow();
    HWND panel = mainWindow ? findPanel(mainWindow) : nullptr;
    if (!panel) {
        std::fprintf(stderr, "guide-shots: no program window\n");
        return 2;
    }
    for (int i = 1; i < argc; i += 2) {
        if (!act(mainWindow, panel, argv[i], std::atoi(argv[i + 1]))) {
            std::fprintf(stderr, "guide-shots: \"%s %s\" went unanswered\n", argv[i], argv[i + 1]);
            return 3;
        }
    }
    std::vector<int> shown;
    for (const int id : kPageControls)
        if (IsWindowVisible(GetDlgItem(panel, id)))
            shown.push_back(id);
    RECT place{};
    GetWindowRect(mainWindow, &place);
    std::printf("page %d window %ldx%ld+%ld+%ld\n", shown.empty() ? 0 : shown.front(),
                place.right - place.left, place.bottom - place.top, place.left, place.top);
    return shown.size() == 1 ? 0 : 4;
}
