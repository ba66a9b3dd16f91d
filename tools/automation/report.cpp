#include "tools/automation/report.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace automation {

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string timeNow()
{
    // FILETIME counts 100 ns steps since 1601; 1970 is 11 644 473 600 s later.
    constexpr std::uint64_t kStepsPerSecond = 10'000'000;
    constexpr std::uint64_t kUnixEpoch = 11'644'473'600ULL * kStepsPerSecond;
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const std::uint64_t steps =
        (static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) - kUnixEpoch;
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%06llu",
                  static_cast<unsigned long long>(steps / kStepsPerSecond),
                  static_cast<unsigned long long>(steps % kStepsPerSecond / 10));
    return text;
}

void report(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void complain(const std::string& text)
{
    std::fprintf(stderr, "tensikon-automation: %s\n", text.c_str());
    std::fflush(stderr);
}

} // namespace automation
