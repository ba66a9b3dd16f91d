#include "ui/application.h"

#include "capture/capture.h"
#include "resources/resource.h"
#include "ui/main_window.h"
#include "ui/shell_state.h"
#include "win32/error_message.h"

namespace tensikon {

namespace {

HGLOBAL globalAlloc(UINT flags, SIZE_T bytes)
{
    return GlobalAlloc(flags, bytes);
}

bool registerMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TENSIKON));
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TENSIKON));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassExA(&wc) != 0;
}

HWND createMainWindow(HINSTANCE instance, const StartupServices& services)
{
    MainWindowServices windowServices{services.allocate};
    return CreateWindowExA(WS_EX_DLGMODALFRAME, kMainWindowClass, kMainWindowCaption,
                           WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                           kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance,
                           &windowServices);
}

// A taller caption or menu bar than usual leaves less than kMainClientHeight for the
// panels: the window grows by the difference.
void fitClientHeight(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    const int clientHeight = client.bottom - client.top;
    if (clientHeight >= kMainClientHeight)
        return;
    RECT outer{};
    GetWindowRect(window, &outer);
    const int height = outer.bottom - outer.top + kMainClientHeight - clientHeight;
    SetWindowPos(window, nullptr, 0, 0, kMainWindowWidth, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

} // namespace

StartupServices defaultStartupServices()
{
    return {startCaptureThread, globalAlloc};
}

HWND startUp(HINSTANCE instance, int showCommand, const StartupServices& services)
{
    shell.instance = instance;
    if (!registerMainWindowClass(instance)) {
        showError(nullptr, "Window Registration Failed!", kStartupErrorCaption, MB_ICONEXCLAMATION);
        return nullptr;
    }
    HWND window = createMainWindow(instance, services);
    if (!window) {
        if (!mainWindowCreationReported())
            showError(nullptr, "Window Creation Failed!", kStartupErrorCaption, MB_ICONEXCLAMATION);
        return nullptr;
    }
    fitClientHeight(window);
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    if (services.startCaptureThread() == 0) {
        showError(window, "Can't create WAVE recording thread!", kErrorCaption, MB_ICONEXCLAMATION);
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

void dispatchLoopMessage(MSG& message)
{
    if (shell.measurementPanel && IsDialogMessageA(shell.measurementPanel.get(), &message))
        return;
    if (shell.readoutPanel && IsDialogMessageA(shell.readoutPanel.get(), &message))
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

int runMessageLoop()
{
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0)
        dispatchLoopMessage(message);
    return got == 0 ? static_cast<int>(message.wParam) : 0;
}

int startApplication(HINSTANCE instance, int showCommand)
{
    if (!startUp(instance, showCommand, defaultStartupServices()))
        return 0;
    return runMessageLoop();
}

} // namespace tensikon
