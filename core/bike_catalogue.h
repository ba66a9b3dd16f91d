// The bike models the user chooses from under Settings > Select Bike, with
// their belt targets, and the rule that judges a reading against a target.
//
// This table is the one source of the model menu: the main window builds
// "Select Bike" from it, with the command numbers of resources/resource.h
// (plain #define lines, so the core stays free of any platform header).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "resources/resource.h"

namespace tensikon {

struct BikeModel {
    std::uint16_t commandId;
    std::string_view family;
    std::string_view itemText;
    bool selectable; // false where the menu greys the item out
    std::uint32_t horizontalTargetHz;
    std::uint32_t verticalTargetHz;
    int guideVariant; // 1: single cam pulley drawings and texts, 0: twin
    std::string_view statusText;
};

// The twenty rows in menu order. Command numbers are not in menu order, so
// a family's radio group is its list of items, never a range of numbers.
inline constexpr std::array<BikeModel, 20> BikeCatalogue{{
    {IDM_BIKE_CORVANE_620, "Corvane", "620", true, 124, 112, 1, "Corvane C620 Selected"},
    {IDM_BIKE_CORVANE_695, "Corvane", "695", false, 0, 0, 1, "Corvane C695 Selected"},
    {IDM_BIKE_CORVANE_800, "Corvane", "800", true, 145, 160, 1, "Corvane C800 Selected"},
    {IDM_BIKE_CORVANE_X800, "Corvane", "X 800", true, 145, 160, 1, "Corvane CX800 Selected"},
    {IDM_BIKE_CORVANE_1000I, "Corvane", "1000i", true, 140, 140, 1, "Corvane C1000 Selected"},
    {IDM_BIKE_CORVANE_X1000, "Corvane", "X 1000", true, 140, 140, 1, "Corvane CX1000 Selected"},
    {IDM_BIKE_CORVANE_R4, "Corvane", "R4", true, 110, 110, 0, "Corvane R4 Selected"},
    {IDM_BIKE_CORVANE_R4S, "Corvane", "R4S", true, 110, 110, 0, "Corvane R4S Selected"},
    {IDM_BIKE_VIALTA_620, "Vialta", "620", true, 124, 112, 1, "Vialta 620 Selected"},
    {IDM_BIKE_VIALTA_1000, "Vialta", "1000", true, 140, 140, 1, "Vialta 1000 Selected"},
    {IDM_BIKE_VIALTA_1100, "Vialta", "1100", false, 0, 0, 1, "Vialta 1100 Selected"},
    {IDM_BIKE_RETROVA_1000, "Retrova", "1000", true, 140, 140, 1, "Retrova 1000 Selected"},
    {IDM_BIKE_TOURENZA_TR2, "Tourenza", "TR2", false, 0, 0, 1, "Tourenza TR2 Selected"},
    {IDM_BIKE_TOURENZA_TR3, "Tourenza", "TR3", true, 142, 142, 0, "Tourenza TR3 Selected"},
    {IDM_BIKE_TOURENZA_TR4, "Tourenza", "TR4", false, 0, 0, 0, "Tourenza TR4 Selected"},
    {IDM_BIKE_PISTARA_750R, "Pistara", "750R", true, 110, 110, 0, "Pistara 750R Selected"},
    {IDM_BIKE_PISTARA_980R, "Pistara", "980R", false, 0, 0, 0, "Pistara 980R Selected"},
    {IDM_BIKE_PISTARA_990R, "Pistara", "990R", true, 110, 110, 0, "Pistara 990R Selected"},
    {IDM_BIKE_PISTARA_1100R, "Pistara", "1100R", true, 110, 110, 0, "Pistara 1100R Selected"},
    {IDM_BIKE_CORSALTO_1000LX, "Corsalto", "1000LX", true, 140, 140, 1, "Corsalto 1000LS Selected"},
}};

// Entries of "Select Bike" that have no row: a greyed family with one greyed
// item, and a greyed item after the families. Neither does anything.
inline constexpr std::string_view kGreyedFamily = "Saltaro";
inline constexpr std::string_view kGreyedFamilyItem = "1100";
inline constexpr std::uint16_t kGreyedFamilyItemCommand = IDM_BIKE_SALTARO_1100;
inline constexpr std::string_view kCustomItem = "Custom";
inline constexpr std::uint16_t kCustomCommand = IDM_BIKE_CUSTOM;

// The families of "Select Bike" that hold rows, in menu order.
inline constexpr std::array<std::string_view, 6> kBikeFamilies{"Corvane",  "Vialta",  "Retrova",
                                                               "Tourenza", "Pistara", "Corsalto"};

inline constexpr int kDefaultGuideVariant = 1;

// Half-width of the accepted band around a target, both ends included.
inline constexpr std::int32_t TargetTolerance = 5;

enum class Cylinder : std::uint8_t { Horizontal, Vertical };

// A cylinder's target in hertz under `model`.
constexpr std::uint32_t targetHz(const BikeModel& model, Cylinder cylinder)
{
    return cylinder == Cylinder::Vertical ? model.verticalTargetHz : model.horizontalTargetHz;
}

// The row with this command number, or nullptr.
const BikeModel* findModel(std::uint16_t commandId);

// target - 5 <= measured <= target + 5, with the target taken as a signed
// 32-bit value. A target of 0 is not special: only -5..5 pass it.
bool isWithinTarget(std::int32_t measured, std::uint32_t target);

} // namespace tensikon
