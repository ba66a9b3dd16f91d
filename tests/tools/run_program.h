// Runs a program to its end, with a time limit, and collects what it
// printed: how the tests drive tensikon-analyze as a user would. Under Wine
// the Windows build of this runs inside Wine and starts the analyzer's .exe
// with CreateProcess, so no shell and no second Wine start are involved.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tensikon::test {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    bool timedOut = false; // killed at the time limit
};

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      std::chrono::milliseconds limit = std::chrono::seconds(60));

// The path of a file given relative to the folder of the running test.
std::string besideThisProgram(const std::string& relative);

} // namespace tensikon::test
