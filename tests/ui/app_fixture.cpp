#include "tests/ui/app_fixture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/bike_catalogue.h"
#include "core/capture_format.h"
#include "tests/ui/capture_script.h"
#include "ui/guide.h"
#include "ui/main_window.h"
#include "ui/shell_state.h"

namespace tensikon::test {

std::string controlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

COLORREF readoutColour(int id)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    constexpr COLORREF kUnset = 0x123456;
    SetTextColor(dc, kUnset);
    SendMessageA(shell.readoutPanel.get(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(GetDlgItem(shell.readoutPanel.get(), id)));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
}

void pumpMessages()
{
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            continue;
        dispatchLoopMessage(message);
    }
}

namespace {

// 30000 times the wave, decaying with a time constant of 0.25 s, as 16-bit
// little-endian PCM over the whole analysis buffer.
template <typename Wave> std::vector<std::uint8_t> decaying(Wave wave)
{
    std::vector<std::uint8_t> bytes(kAnalysisBufferBytes);
    for (std::size_t n = 0; n < kAnalysisBufferBytes / 2; ++n) {
        const double t = static_cast<double>(n) / kSampleRate;
        const double v = 30000.0 * std::exp(-t / 0.25) * wave(t);
        const auto sample = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v)));
        bytes[2 * n] = static_cast<std::uint8_t>(sample & 0xFF);
        bytes[2 * n + 1] = static_cast<std::uint8_t>(sample >> 8);
    }
    return bytes;
}

constexpr double kPi = 3.14159265358979323846;

} // namespace

std::vector<std::uint8_t> pluckedTone(double hz)
{
    return decaying([hz](double t) { return std::sin(2.0 * kPi * hz * t); });
}

std::vector<std::uint8_t> pluckedSquare(double hz)
{
    return decaying([hz](double t) { return std::fmod(hz * t, 1.0) < 0.5 ? 1.0 : -1.0; });
}

std::vector<std::uint8_t> pluckWithoutReading()
{
    std::vector<std::int16_t> samples(kAnalysisBufferBytes / 2, 0);
    std::fill_n(samples.begin(), 40, 30000);
    std::fill(samples.begin() + 250, samples.begin() + 20000, 50 * 256);
    std::fill(samples.begin() + 20000, samples.end(), -50 * 256);
    std::vector<std::uint8_t> bytes(kAnalysisBufferBytes);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const auto sample = static_cast<std::uint16_t>(samples[n]);
        bytes[2 * n] = static_cast<std::uint8_t>(sample & 0xFF);
        bytes[2 * n + 1] = static_cast<std::uint8_t>(sample >> 8);
    }
    return bytes;
}

void AppTest::SetUp()
{
    catcher_ = std::make_unique<MessageBoxCatcher>();
    capture_script::reset();
    // Each start of the program begins with no model chosen.
    setGuideVariant(kDefaultGuideVariant);
    ASSERT_NE(startUp(GetModuleHandleA(nullptr), SW_SHOWNORMAL, defaultStartupServices()), nullptr);
}

void AppTest::TearDown()
{
    closeProgram();
    UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
    for (const CaughtBox& box : boxes())
        ADD_FAILURE() << "unexpected message box \"" << box.text << "\" (" << box.caption << ")";
    catcher_.reset();
}

HWND AppTest::restartWith(const StartupServices& services, int showCommand)
{
    closeProgram();
    UnregisterClassA(kMainWindowClass, GetModuleHandleA(nullptr));
    capture_script::reset();
    return startUp(GetModuleHandleA(nullptr), showCommand, services);
}

void AppTest::closeProgram()
{
    if (shell.mainWindow)
        SendMessageA(shell.mainWindow, WM_CLOSE, 0, 0);
    pumpMessages();
    MSG quit{};
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

std::vector<CaughtBox> AppTest::boxes()
{
    std::vector<CaughtBox> shown = catcher_->boxes();
    catcher_->clear();
    return shown;
}

HWND AppTest::mainWindow() const
{
    return shell.mainWindow;
}

HWND AppTest::panel() const
{
    return shell.measurementPanel.get();
}

HWND AppTest::readouts() const
{
    return shell.readoutPanel.get();
}

void AppTest::click(int id)
{
    SendMessageA(GetDlgItem(panel(), id), BM_CLICK, 0, 0);
}

void AppTest::menu(int id)
{
    SendMessageA(mainWindow(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void AppTest::pluck(const std::vector<std::uint8_t>& sound)
{
    ASSERT_TRUE(capture_script::recording()) << "no capture runs";
    capture_script::pluck(sound);
    ASSERT_TRUE(pumpUntil([] { return !capture_script::recording(); }, 5000))
        << "the panel did not take the capture";
}

std::string AppTest::recordCaption() const
{
    return controlText(panel(), 4001);
}

std::string AppTest::statusLine() const
{
    return controlText(panel(), 4019);
}

UINT AppTest::menuState(int id) const
{
    return GetMenuState(GetMenu(mainWindow()), static_cast<UINT>(id), MF_BYCOMMAND);
}

} // namespace tensikon::test
