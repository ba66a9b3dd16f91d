#include "tools/automation/commands.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "tools/automation/layout.h"
#include "tools/automation/names.h"
#include "tools/automation/report.h"

namespace automation {

int resolve(const Session& session, const std::string& name, Control& control)
{
    const std::optional<int> id = controlNumber(name);
    if (!id) {
        complain("unknown control " + quoted(name));
        return kUsage;
    }
    // A window the program opens for a posted menu command (the readings
    // window) may not exist yet: it is looked for until the timeout.
    const ULONGLONG start = GetTickCount64();
    control = {name, findControl(session.windows, *id)};
    while (control.handle == nullptr && GetTickCount64() - start < session.timeoutMs) {
        Sleep(20);
        control.handle = findControl(session.windows, *id);
    }
    if (control.handle == nullptr) {
        complain("the program has no control " + name);
        return kNotFound;
    }
    return kDone;
}

int noAnswer(const std::string& what)
{
    complain("the program did not answer " + what);
    return kNoAnswer;
}

namespace {

// WM_GETTEXT across processes: the system copies the text into our buffer.
bool readText(const Session& session, HWND control, std::string& text)
{
    std::array<char, 256> buffer{};
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutA(control, WM_GETTEXT, buffer.size(),
                            reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                            session.timeoutMs, &copied) == 0) {
        return false;
    }
    text.assign(buffer.data(), std::min<std::size_t>(copied, buffer.size() - 1));
    return true;
}

std::string textLine(const Control& control, const std::string& text)
{
    return "text control=" + control.name + " value=" + quoted(text) + " time=" + timeNow();
}

int textAction(Session& session, const Arguments& args)
{
    Control control;
    std::string text;
    if (const int status = resolve(session, args[0], control))
        return status;
    if (!readText(session, control.handle, text))
        return noAnswer("WM_GETTEXT");
    report(textLine(control, text));
    return kDone;
}

// Polls the control's text until it equals (or, with `differ`, differs
// from) `reference`, for at most the session's timeout.
int waitForText(Session& session, const Arguments& args, bool differ)
{
    Control control;
    if (const int status = resolve(session, args[0], control))
        return status;
    const ULONGLONG start = GetTickCount64();
    std::string text;
    for (;;) {
        if (!readText(session, control.handle, text))
            return noAnswer("WM_GETTEXT");
        const ULONGLONG waited = GetTickCount64() - start;
        if ((text == args[1]) != differ) {
            report(textLine(control, text) + " waited_ms=" + std::to_string(waited));
            return kDone;
        }
        if (waited >= session.timeoutMs) {
            report("timeout control=" + control.name + " value=" + quoted(text) +
                   " waited_ms=" + std::to_string(waited));
            return kTimedOut;
        }
        Sleep(session.pollMs);
    }
}

int waitTextAction(Session& session, const Arguments& args)
{
    return waitForText(session, args, false);
}

int waitChangeAction(Session& session, const Arguments& args)
{
    return waitForText(session, args, true);
}

// Prints the control's text and then every change of it for a given time.
int watchAction(Session& session, const Arguments& args)
{
    Control control;
    if (const int status = resolve(session, args[0], control))
        return status;
    const double seconds = std::atof(args[1].c_str());
    if (!(seconds > 0.0 && seconds <= 3600.0)) {
        complain("watch needs 0 < SECONDS <= 3600");
        return kUsage;
    }
    const auto duration = static_cast<ULONGLONG>(seconds * 1000.0);
    const ULONGLONG start = GetTickCount64();
    std::string shown;
    int changes = -1;
    while (GetTickCount64() - start < duration) {
        std::string text;
        if (!readText(session, control.handle, text))
            return noAnswer("WM_GETTEXT");
        if (changes < 0 || text != shown) {
            report(textLine(control, text));
            shown = text;
            ++changes;
        }
        Sleep(session.pollMs);
    }
    report("watched control=" + control.name + " changes=" + std::to_string(changes));
    return kDone;
}

// BM_CLICK makes the button press itself; it returns once the program has
// handled the click, so a message box opened by the handler shows as no
// answer.
int clickAction(Session& session, const Arguments& args)
{
    Control control;
    if (const int status = resolve(session, args[0], control))
        return status;
    const std::string time = timeNow();
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(control.handle, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, session.timeoutMs,
                            &result) == 0) {
        return noAnswer("BM_CLICK on " + control.name);
    }
    report("clicked control=" + control.name + " time=" + time);
    return kDone;
}

// Presses COUNT times from each of two threads at once, without a pause, as
// accessibility and automation tools can: a press may then arrive while the
// program is inside the handling of another.
int hammerAction(Session& session, const Arguments& args)
{
    Control control;
    if (const int status = resolve(session, args[0], control))
        return status;
    const int count = std::atoi(args[1].c_str());
    if (count < 1 || count > 100000) {
        complain("hammer needs 1 <= COUNT <= 100000");
        return kUsage;
    }
    std::atomic<int> answered{0};
    auto press = [&] {
        for (int i = 0; i < count; ++i) {
            DWORD_PTR result = 0;
            if (SendMessageTimeoutA(control.handle, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG,
                                    session.timeoutMs, &result) != 0)
                ++answered;
        }
    };
    const ULONGLONG start = GetTickCount64();
    std::thread other(press);
    press();
    other.join();
    report("hammered control=" + control.name + " presses=" + std::to_string(2 * count) +
           " answered=" + std::to_string(answered.load()) +
           " took_ms=" + std::to_string(GetTickCount64() - start));
    return answered == 2 * count ? kDone : noAnswer("every BM_CLICK on " + control.name);
}

// Waits for a message box of the program and prints its caption and text.
int waitBoxAction(Session& session, const Arguments&)
{
    const ULONGLONG start = GetTickCount64();
    HWND box = nullptr;
    while ((box = findMessageBox(session.windows)) == nullptr) {
        if (GetTickCount64() - start >= session.timeoutMs) {
            report("timeout box waited_ms=" + std::to_string(GetTickCount64() - start));
            return kTimedOut;
        }
        Sleep(session.pollMs);
    }
    const std::string time = timeNow();
    std::array<char, 256> caption{};
    GetWindowTextA(box, caption.data(), static_cast<int>(caption.size()));
    std::string text;
    if (!readText(session, GetDlgItem(box, kMessageBoxTextId), text))
        return noAnswer("WM_GETTEXT on its message box");
    report("box caption=" + quoted(caption.data()) + " text=" + quoted(text) +
           " waited_ms=" + std::to_string(GetTickCount64() - start) + " time=" + time);
    return kDone;
}

// Presses OK on the program's message box and waits until it is gone.
int dismissBoxAction(Session& session, const Arguments&)
{
    HWND box = findMessageBox(session.windows);
    if (box == nullptr) {
        complain("the program shows no message box");
        return kNotFound;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const ULONGLONG start = GetTickCount64();
    while (IsWindow(box)) {
        if (GetTickCount64() - start >= session.timeoutMs)
            return noAnswer("OK on its message box");
        Sleep(session.pollMs);
    }
    report("dismissed box waited_ms=" + std::to_string(GetTickCount64() - start));
    return kDone;
}

int checkedAction(Session& session, const Arguments& args)
{
    Control control;
    if (const int status = resolve(session, args[0], control))
        return status;
    DWORD_PTR state = 0;
    if (SendMessageTimeoutA(control.handle, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, session.timeoutMs,
                            &state) == 0) {
        return noAnswer("BM_GETCHECK");
    }
    report("checked control=" + control.name + " value=" + std::to_string(state));
    return kDone;
}

int rectAction(Session& session, const Arguments& args)
{
    Control control;
    if (const int status = resolve(session, args[0], control))
        return status;
    RECT r{};
    if (!GetWindowRect(control.handle, &r)) {
        complain("no rectangle for " + control.name);
        return kNotFound;
    }
    report("rect control=" + control.name + " left=" + std::to_string(r.left) +
           " top=" + std::to_string(r.top) + " right=" + std::to_string(r.right) +
           " bottom=" + std::to_string(r.bottom));
    return kDone;
}

int postCommand(Session& session, int command, const std::string& fields)
{
    const std::string time = timeNow();
    if (!PostMessageA(session.windows.main, WM_COMMAND, MAKEWPARAM(command, 0), 0)) {
        complain("could not post the command " + std::to_string(command));
        return kNoAnswer;
    }
    report("menu command=" + std::to_string(command) + fields + " time=" + time);
    return kDone;
}

int menuAction(Session& session, const Arguments& args)
{
    const std::optional<int> command = commandNumber(args[0]);
    if (!command) {
        complain("unknown menu command " + quoted(args[0]));
        return kUsage;
    }
    return postCommand(session, *command, " name=" + quoted(args[0]));
}

int modelAction(Session& session, const Arguments& args)
{
    const std::optional<std::uint16_t> command = modelCommand(args[0]);
    if (!command) {
        complain("no selectable model " + quoted(args[0]));
        return kUsage;
    }
    return postCommand(session, *command, " model=" + quoted(args[0]));
}

int findAction(Session& session, const Arguments&)
{
    RECT r{};
    GetWindowRect(session.windows.main, &r);
    DWORD process = 0;
    GetWindowThreadProcessId(session.windows.main, &process);
    report("window process=" + std::to_string(process) + " left=" + std::to_string(r.left) +
           " top=" + std::to_string(r.top) + " right=" + std::to_string(r.right) +
           " bottom=" + std::to_string(r.bottom));
    return kDone;
}

int closeAction(Session& session, const Arguments&)
{
    const std::string time = timeNow();
    if (!PostMessageA(session.windows.main, WM_CLOSE, 0, 0))
        return noAnswer("WM_CLOSE");
    report("close time=" + time);
    return kDone;
}

int waitClosedAction(Session& session, const Arguments&)
{
    const ULONGLONG start = GetTickCount64();
    while (IsWindow(session.windows.main)) {
        if (GetTickCount64() - start >= session.timeoutMs) {
            report("timeout window waited_ms=" + std::to_string(GetTickCount64() - start));
            return kTimedOut;
        }
        Sleep(session.pollMs);
    }
    report("closed waited_ms=" + std::to_string(GetTickCount64() - start));
    return kDone;
}

constexpr std::array kCommands{
    CommandSpec{"find", 0, findAction,
                "find                   the main window's place and process"},
    CommandSpec{"text", 1, textAction, "text CONTROL           a control's text"},
    CommandSpec{"rect", 1, rectAction, "rect CONTROL           its rectangle on the screen"},
    CommandSpec{"checked", 1, checkedAction, "checked CONTROL        a button's check state"},
    CommandSpec{"click", 1, clickAction, "click CONTROL          press a button (BM_CLICK)"},
    CommandSpec{"hammer", 2, hammerAction,
                "hammer CONTROL COUNT   press it COUNT times from each of two threads"},
    CommandSpec{"wait-box", 0, waitBoxAction,
                "wait-box               until a message box shows; its caption and text"},
    CommandSpec{"dismiss-box", 0, dismissBoxAction,
                "dismiss-box            press OK on the message box"},
    CommandSpec{"rows", 1, rowsAction, "rows CONTROL           every line of a list box"},
    CommandSpec{"save-as", 1, saveAsAction,
                "save-as PATH           type PATH into the save dialog and press Save"},
    CommandSpec{"menu", 1, menuAction, "menu COMMAND           choose a menu command"},
    CommandSpec{"model", 1, modelAction, "model \"FAMILY ITEM\"    choose a bike model"},
    CommandSpec{"wait-text", 2, waitTextAction, "wait-text CONTROL TEXT until the text is TEXT"},
    CommandSpec{"wait-change", 2, waitChangeAction,
                "wait-change CONTROL TEXT until the text is no longer TEXT"},
    CommandSpec{"watch", 2, watchAction, "watch CONTROL SECONDS  every change for a while"},
    CommandSpec{"close", 0, closeAction, "close                  ask the main window to close"},
    CommandSpec{"wait-closed", 0, waitClosedAction, "wait-closed            until it is gone"},
    CommandSpec{"layout", 0, layoutAction,
                "layout                 every visible control's place and text room"},
    CommandSpec{"focus", 0, focusAction, "focus                  the control with the focus"},
};

} // namespace

const CommandSpec* findCommand(std::string_view verb)
{
    for (const CommandSpec& spec : kCommands) {
        if (spec.verb == verb)
            return &spec;
    }
    return nullptr;
}

std::string commandList()
{
    std::string list;
    for (const CommandSpec& spec : kCommands)
        list += "  " + std::string(spec.usage) + "\n";
    return list;
}

} // namespace automation
