// tensikon-automation: drives the running program from outside, the way a
// user would, and prints what it sees, one parseable line per result.
//
//   tensikon-automation [--timeout MS] [--poll MS] COMMAND [ARGS]... [COMMAND [ARGS]...]...
//
// The commands run in order against the program's main window (found by
// its class and caption, waiting up to the timeout for it to appear); the
// first that fails ends the run with its exit code. Controls and menu
// commands are named by their symbols in resources/resource.h (IDC_RECORD,
// IDM_SINGLE) or by number; "window" is the main window. Not shipped with
// the program: it serves the end-to-end test, the demonstration and the
// latency figures.
//
// Exit codes: 0 done, 1 usage, 2 no program window or no such control,
// 3 a wait timed out, 4 the program did not answer in time.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tools/automation/commands.h"
#include "tools/automation/report.h"

namespace {

using automation::CommandSpec;

struct Step {
    const CommandSpec* spec;
    automation::Arguments args;
};

int usage()
{
    automation::complain("usage: tensikon-automation [--timeout MS] [--poll MS] COMMAND...\n" +
                         automation::commandList());
    return automation::kUsage;
}

bool parseMilliseconds(const char* text, DWORD& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < 1 || parsed > 3'600'000)
        return false;
    value = static_cast<DWORD>(parsed);
    return true;
}

// Options first, then commands, each followed by exactly its arguments.
bool parse(int argc, char** argv, automation::Session& session, std::vector<Step>& steps)
{
    int i = 1;
    for (; i + 1 < argc && argv[i][0] == '-'; i += 2) {
        const std::string option = argv[i];
        DWORD& target = option == "--poll" ? session.pollMs : session.timeoutMs;
        if ((option != "--timeout" && option != "--poll") ||
            !parseMilliseconds(argv[i + 1], target))
            return false;
    }
    while (i < argc) {
        const CommandSpec* spec = automation::findCommand(argv[i]);
        if (spec == nullptr || i + 1 + static_cast<int>(spec->arity) > argc)
            return false;
        steps.push_back({spec, {argv + i + 1, argv + i + 1 + spec->arity}});
        i += 1 + static_cast<int>(spec->arity);
    }
    return !steps.empty();
}

} // namespace

int main(int argc, char** argv)
{
    automation::Session session;
    std::vector<Step> steps;
    if (!parse(argc, argv, session, steps))
        return usage();
    if (!automation::findProgram(session.timeoutMs, session.windows)) {
        automation::complain("no program window appeared within " +
                             std::to_string(session.timeoutMs) + " ms");
        return automation::kNotFound;
    }
    for (const Step& step : steps) {
        if (const int status = step.spec->action(session, step.args))
            return status;
    }
    return automation::kDone;
}
