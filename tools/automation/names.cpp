#include "tools/automation/names.h"

#include <array>
#include <cctype>
#include <charconv>
#include <string>

#include "core/bike_catalogue.h"
#include "resources/resource.h"

namespace automation {

namespace {

struct Named {
    std::string_view name;
    int number;
};

#define NAMED(symbol)                                                                              \
    Named                                                                                          \
    {                                                                                              \
#symbol, symbol                                                                            \
    }

constexpr std::array kControls{
    NAMED(IDC_RECORD),
    NAMED(IDC_DIVIDER),
    NAMED(IDC_TOP_LINE),
    NAMED(IDC_GUIDE_BELTS),
    NAMED(IDC_VERTICAL_CYL),
    NAMED(IDC_HORIZONTAL_CYL),
    NAMED(IDC_MEASURED_LABEL),
    NAMED(IDC_TARGET_LABEL),
    NAMED(IDC_GUIDE_BELTS_TWIN),
    NAMED(IDC_GUIDE_BACK),
    NAMED(IDC_GUIDE_FORWARD),
    NAMED(IDC_GUIDE_TEXT),
    NAMED(IDC_GUIDE_PULLEY),
    NAMED(IDC_STATUS),
    NAMED(IDC_STATUS_DETAIL),
    NAMED(IDC_GUIDE_NUTS),
    NAMED(IDC_GUIDE_TOOL),
    NAMED(IDC_VERTICAL_TARGET),
    NAMED(IDC_HORIZONTAL_TARGET),
    NAMED(IDC_VERTICAL_MEASURED),
    NAMED(IDC_HORIZONTAL_MEASURED),
    NAMED(IDC_READINGS_AGREEMENT),
    NAMED(IDC_READINGS_LIST),
};

constexpr std::array kCommands{
    NAMED(IDM_EXIT),
    NAMED(IDM_HOLD_HALF_SECOND),
    NAMED(IDM_ABOUT),
    NAMED(IDM_HOLD_ONE_SECOND),
    NAMED(IDM_HOLD_TWO_SECONDS),
    NAMED(IDM_HOLD_THREE_SECONDS),
    NAMED(IDM_CONTINUOUS),
    NAMED(IDM_SINGLE),
    NAMED(IDM_SAVE),
    NAMED(IDM_READINGS),
    NAMED(IDM_SAVE_READINGS),
    NAMED(IDM_SOUND_ON_RESULT),
    NAMED(IDM_PLUCK_LEVEL),
    NAMED(IDM_PLUCK_AUTOMATIC),
};

#undef NAMED

std::optional<int> decimal(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

template <std::size_t N>
std::optional<int> lookUp(const std::array<Named, N>& table, std::string_view name)
{
    for (const Named& entry : table) {
        if (entry.name == name)
            return entry.number;
    }
    return decimal(name);
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

std::optional<int> controlNumber(std::string_view name)
{
    if (name == "window")
        return 0;
    return lookUp(kControls, name);
}

std::optional<int> commandNumber(std::string_view name)
{
    return lookUp(kCommands, name);
}

std::optional<std::uint16_t> modelCommand(std::string_view name)
{
    const std::string wanted = lowered(name);
    for (const tensikon::BikeModel& model : tensikon::BikeCatalogue) {
        if (model.selectable && lowered(tensikon::modelName(model)) == wanted)
            return model.commandId;
    }
    return std::nullopt;
}

} // namespace automation
