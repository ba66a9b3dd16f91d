// The names by which a caller addresses controls and menu commands: the
// symbols of resources/resource.h ("IDC_RECORD", "IDM_SINGLE"), so that
// scripts never repeat the numbers, or plain decimal numbers. Bike models
// are named as in the menu, "Family Item".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace automation {

// A control's number; "window" names the main window (0).
std::optional<int> controlNumber(std::string_view name);

// A menu command's number.
std::optional<int> commandNumber(std::string_view name);

// The menu command of the selectable model "Family Item" (any case).
std::optional<std::uint16_t> modelCommand(std::string_view name);

} // namespace automation
