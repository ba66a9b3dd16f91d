// The real program in the test's process: start-up from the program's own
// resources, the windows it creates, and what a user would see of them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/message_box_catcher.h"
#include "ui/application.h"

namespace tensikon::test {

// Text of a control, whole.
std::string controlText(HWND dialog, int id);

// The text colour the readout panel gives a readout when it paints, asked
// the way the readout itself asks: WM_CTLCOLORSTATIC with a device context.
COLORREF readoutColour(int id);

// Handles messages as the program's loop does until none is waiting.
void pumpMessages();
// Pumps, waiting up to `timeoutMs`, until `done` holds; false on timeout.
template <typename Done> bool pumpUntil(Done done, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        pumpMessages();
        if (done())
            return true;
        if (GetTickCount64() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// A decaying tone over the whole analysis buffer. 140 Hz reads 140, 110
// reads 110, 160 reads 159.
std::vector<std::uint8_t> pluckedTone(double hz);
// A decaying square wave: 1050 Hz reads 1050, a four-digit result.
std::vector<std::uint8_t> pluckedSquare(double hz);
// A pluck, then a level that stays on one side of the baseline until the
// last quarter: the capture keeps it, but the estimator finds no reading.
std::vector<std::uint8_t> pluckWithoutReading();

class AppTest : public ::testing::Test {
  protected:
    // Starts the program as it starts itself; every test begins with it running.
    void SetUp() override;
    void TearDown() override;

    // Closes the running program and starts it afresh with `services`,
    // its window shown with `showCommand` (SW_HIDE: nothing is drawn).
    HWND restartWith(const StartupServices& services, int showCommand = SW_SHOWNORMAL);
    // Closes the main window and forgets the quit message it posts.
    void closeProgram();

    HWND mainWindow() const;
    HWND panel() const;
    HWND readouts() const;

    // A click on a control of the measurement panel.
    void click(int id);
    // A menu command of the main window.
    void menu(int id);
    // The capture hears `sound`; returns when the panel has shown its result.
    void pluck(const std::vector<std::uint8_t>& sound);

    std::string readout(int id) const { return controlText(readouts(), id); }
    std::string recordCaption() const;
    std::string statusLine() const;
    UINT menuState(int id) const;
    bool menuChecked(int id) const { return (menuState(id) & MF_CHECKED) != 0; }

    // Message boxes shown since the last call.
    std::vector<CaughtBox> boxes();

  private:
    std::unique_ptr<MessageBoxCatcher> catcher_;
};

} // namespace tensikon::test
