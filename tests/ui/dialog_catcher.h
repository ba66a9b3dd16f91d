// Reads and closes every modal dialog that the code under test opens on this
// thread, so that no test waits for a person. A WH_CBT hook sees each dialog
// as it is activated: a message box is recorded (text, caption, icon) and
// answered with OK; any other dialog goes to the test's own handler. A
// watchdog timer ends any dialog that is still open after a few seconds and
// marks the test as failed.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tensikon::test {

enum class BoxIcon { None, Exclamation, Information, Other };

struct CaughtBox {
    std::string text;
    std::string caption;
    BoxIcon icon = BoxIcon::None;
    HWND owner = nullptr;
};

class DialogCatcher {
  public:
    DialogCatcher();
    ~DialogCatcher();
    DialogCatcher(const DialogCatcher&) = delete;
    DialogCatcher& operator=(const DialogCatcher&) = delete;

    // Boxes seen since the last take, oldest first; forgets them.
    std::vector<CaughtBox> take();

    // Offered every dialog right after its activation; returns true when it
    // takes care of the dialog. Dialogs it leaves are read as message boxes.
    std::function<bool(HWND)> onDialog;

    bool watchdogFired() const { return watchdogFired_; }

  private:
    static LRESULT CALLBACK cbtProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK watchdogProc(HWND, UINT, UINT_PTR, DWORD);
    void activated(HWND dialog);

    HHOOK hook_ = nullptr;
    UINT_PTR watchdog_ = 0;
    std::vector<CaughtBox> boxes_;
    struct OpenDialog {
        HWND window;
        ULONGLONG since;
    };
    std::vector<OpenDialog> open_;
    bool watchdogFired_ = false;
};

} // namespace tensikon::test
