// Reads and closes every message box that the calling thread shows, so that
// a test sees exactly what a user would have read and never waits for one.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tensikon::test {

struct CaughtBox {
    std::string text;
    std::string caption;
    HWND owner = nullptr;
    bool exclamationIcon = false; // the icon MB_ICONWARNING / MB_ICONEXCLAMATION shows
    bool informationIcon = false; // the icon MB_ICONINFORMATION shows
    int visibleButtons = 0;
};

// A WH_CBT hook on the calling thread: when a message box is activated it
// records its text, caption, owner, icon and buttons and presses its first
// button (OK). One catcher per thread at a time.
class MessageBoxCatcher {
  public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<CaughtBox>& boxes() const { return boxes_; }
    std::vector<std::string> texts() const;
    void clear() { boxes_.clear(); }

  private:
    static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);
    void catchBox(HWND box);

    HHOOK hook_ = nullptr;
    std::vector<CaughtBox> boxes_;
};

} // namespace tensikon::test
