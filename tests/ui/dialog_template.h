// A dialog template (DLGTEMPLATEEX) as the program's resources hold it, read
// field by field, so that tests compare the templates themselves rather than
// the windows the platform makes of them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tensikon::test {

// A name that is either text or a number (class atoms, resource ids).
struct NameOrNumber {
    std::string text;
    int number = -1; // -1 when the name is text

    bool operator==(const NameOrNumber&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const NameOrNumber& n)
{
    return n.number < 0 ? out << '"' << n.text << '"' : out << '#' << n.number;
}

struct TemplateItem {
    int id = 0;
    NameOrNumber className;
    NameOrNumber title;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT place{}; // x, y, width, height in dialog units
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT place{};
    std::string caption;
    int pointSize = 0;
    int weight = 0;
    std::string typeface;
    std::vector<TemplateItem> items;
};

// The template with this id in the running program; fails the test if absent.
DialogTemplate loadDialogTemplate(int id);

} // namespace tensikon::test
