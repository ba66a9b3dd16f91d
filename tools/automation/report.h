// What the helper prints: one line per result, a word saying what happened
// followed by key=value fields. Texts are in double quotes, with a double
// quote or a backslash inside escaped by a backslash, so that a shell-style splitter (Python's
// shlex) reads them back unchanged. Times are seconds since 1970 with microseconds, so that a
// caller can set them beside its own clock (Wine reads the same system
// clock as the Linux side).
#pragma once

#include <string>
#include <string_view>

namespace automation {

std::string quoted(std::string_view text);

// The current time as "seconds.microseconds" since 1970.
std::string timeNow();

// Prints one line and flushes it, so that a caller reading a pipe sees each
// event when it happens.
void report(const std::string& line);

// Prints a problem on standard error, prefixed with the program's name.
void complain(const std::string& text);

} // namespace automation
