#include "core/bike_catalogue.h"

#include <algorithm>

namespace tensikon {

const BikeModel* findModel(std::uint16_t commandId)
{
    const auto row =
        std::find_if(BikeCatalogue.begin(), BikeCatalogue.end(),
                     [commandId](const BikeModel& m) { return m.commandId == commandId; });
    return row == BikeCatalogue.end() ? nullptr : &*row;
}

std::string_view cylinderName(Cylinder cylinder)
{
    return cylinder == Cylinder::Vertical ? "vertical" : "horizontal";
}

std::string modelName(const BikeModel& model)
{
    return std::string(model.family) + " " + std::string(model.itemText);
}

bool isWithinTarget(std::int32_t measured, std::uint32_t target)
{
    // Widened so that the band's ends cannot overflow for extreme values;
    // within the range of real readings this is the 32-bit comparison.
    const std::int64_t signedTarget = static_cast<std::int32_t>(target);
    const std::int64_t value = measured;
    return signedTarget - TargetTolerance <= value && value <= signedTarget + TargetTolerance;
}

} // namespace tensikon
