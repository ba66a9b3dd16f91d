#include "core/bike_catalogue.h"

#include <gtest/gtest.h>

#include <set>

namespace tensikon {
namespace {

TEST(BikeCatalogue, TwentyRowsFifteenSelectableUniqueCommands)
{
    std::set<std::uint16_t> commands;
    int selectable = 0;
    for (const BikeModel& m : BikeCatalogue) {
        commands.insert(m.commandId);
        selectable += m.selectable ? 1 : 0;
        if (!m.selectable) {
            EXPECT_EQ(m.horizontalTargetHz, 0u) << m.statusText;
            EXPECT_EQ(m.verticalTargetHz, 0u) << m.statusText;
        }
        EXPECT_TRUE(m.statusText.starts_with(std::string(m.family) + " ")) << m.statusText;
        EXPECT_TRUE(m.statusText.ends_with(" Selected")) << m.statusText;
        EXPECT_TRUE(m.guideVariant == 0 || m.guideVariant == 1);
    }
    EXPECT_EQ(commands.size(), 20u);
    EXPECT_EQ(selectable, 15);
    EXPECT_FALSE(commands.contains(kGreyedFamilyItemCommand));
    EXPECT_FALSE(commands.contains(kCustomCommand));
}

TEST(BikeCatalogue, FamiliesAppearInMenuOrderAsContiguousRuns)
{
    std::vector<std::string_view> order;
    for (const BikeModel& m : BikeCatalogue) {
        if (order.empty() || order.back() != m.family)
            order.push_back(m.family);
    }
    EXPECT_EQ(order, std::vector<std::string_view>(kBikeFamilies.begin(), kBikeFamilies.end()));
}

TEST(FindModel, LooksUpByCommandNumber)
{
    const BikeModel* tr3 = findModel(6025);
    ASSERT_NE(tr3, nullptr);
    EXPECT_EQ(tr3->family, "Tourenza");
    EXPECT_EQ(tr3->itemText, "TR3");
    EXPECT_EQ(tr3->horizontalTargetHz, 142u);
    EXPECT_EQ(tr3->verticalTargetHz, 142u);
    EXPECT_EQ(tr3->guideVariant, 0);
    EXPECT_EQ(tr3->statusText, "Tourenza TR3 Selected");

    const BikeModel* x800 = findModel(6016);
    ASSERT_NE(x800, nullptr);
    EXPECT_EQ(x800->itemText, "X 800");
    EXPECT_EQ(x800->statusText, "Corvane CX800 Selected");

    const BikeModel* corsalto = findModel(6029);
    ASSERT_NE(corsalto, nullptr);
    EXPECT_EQ(corsalto->itemText, "1000LX");
    EXPECT_EQ(corsalto->statusText, "Corsalto 1000LS Selected");

    for (std::uint16_t none : {0, 6001, 6004, 6005, 6010, 6012, 6030, 6031, 65535})
        EXPECT_EQ(findModel(none), nullptr) << none;
}

TEST(IsWithinTarget, AcceptsFiveEitherSideInclusive)
{
    EXPECT_TRUE(isWithinTarget(135, 140));
    EXPECT_TRUE(isWithinTarget(145, 140));
    EXPECT_FALSE(isWithinTarget(134, 140));
    EXPECT_FALSE(isWithinTarget(146, 140));
    EXPECT_EQ(TargetTolerance, 5);
}

TEST(IsWithinTarget, ZeroTargetIsNotSpecialAndArithmeticIsSigned)
{
    EXPECT_TRUE(isWithinTarget(5, 0));
    EXPECT_TRUE(isWithinTarget(-5, 0));
    EXPECT_FALSE(isWithinTarget(6, 0));
    EXPECT_FALSE(isWithinTarget(-6, 0));
    EXPECT_FALSE(isWithinTarget(-140, 140));
    EXPECT_FALSE(isWithinTarget(INT32_MIN, 0));
    EXPECT_FALSE(isWithinTarget(INT32_MAX, 0));
    EXPECT_TRUE(isWithinTarget(INT32_MAX, INT32_MAX));
}

} // namespace
} // namespace tensikon
