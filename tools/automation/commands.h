// The commands of tensikon-automation, each run against the program's
// windows found at the start. Every wait is bounded by the session's
// timeout; every message sent to the program is sent with that timeout,
// so a program that hangs, or shows a modal message box, is reported
// instead of hanging the caller.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "tools/automation/program_windows.h"

namespace automation {

enum ExitCode : int {
    kDone = 0,
    kUsage = 1,
    kNotFound = 2, // no program window, or no such control
    kTimedOut = 3, // a wait ended without what it waited for
    kNoAnswer = 4, // the program did not handle a message in time
};

struct Session {
    ProgramWindows windows;
    DWORD timeoutMs = 10000;
    DWORD pollMs = 5;
};

using Arguments = std::vector<std::string>;
using Action = int (*)(Session& session, const Arguments& args);

struct CommandSpec {
    std::string_view verb;
    std::size_t arity;
    Action action;
    std::string_view usage;
};

// A control of the program, by the name it was asked for.
struct Control {
    std::string name;
    HWND handle = nullptr;
};

// Resolves a control name to its window; prints why when it cannot.
int resolve(const Session& session, const std::string& name, Control& control);

// Prints that the program did not answer; returns kNoAnswer.
int noAnswer(const std::string& what);

// The commands on the readings window and the save dialog
// (readings_commands.cpp).
int rowsAction(Session& session, const Arguments& args);
int saveAsAction(Session& session, const Arguments& args);

// The command called verb, or nullptr.
const CommandSpec* findCommand(std::string_view verb);

// One line per command, for the usage text.
std::string commandList();

} // namespace automation
