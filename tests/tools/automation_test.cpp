// tensikon-automation's names and output: scripts address controls and menu
// commands by their resource.h symbols and read the helper's lines back
// with a shell-style splitter.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/bike_catalogue.h"
#include "resources/resource.h"
#include "tools/automation/names.h"
#include "tools/automation/report.h"

namespace {

using automation::commandNumber;
using automation::controlNumber;
using automation::modelCommand;

TEST(AutomationNames, ControlsByTheirSymbolOrNumber)
{
    EXPECT_EQ(controlNumber("IDC_RECORD"), IDC_RECORD);
    EXPECT_EQ(controlNumber("IDC_HORIZONTAL_MEASURED"), IDC_HORIZONTAL_MEASURED);
    EXPECT_EQ(controlNumber("IDC_VERTICAL_TARGET"), IDC_VERTICAL_TARGET);
    EXPECT_EQ(controlNumber("IDC_STATUS"), IDC_STATUS);
    EXPECT_EQ(controlNumber("window"), 0);
    EXPECT_EQ(controlNumber("4009"), 4009);
    // A menu command is no control, and malformed numbers are no numbers.
    EXPECT_FALSE(controlNumber("IDM_SINGLE"));
    EXPECT_FALSE(controlNumber("idc_record"));
    EXPECT_FALSE(controlNumber("-4009"));
    EXPECT_FALSE(controlNumber("4009x"));
    EXPECT_FALSE(controlNumber(""));
}

TEST(AutomationNames, MenuCommandsByTheirSymbolOrNumber)
{
    EXPECT_EQ(commandNumber("IDM_SINGLE"), IDM_SINGLE);
    EXPECT_EQ(commandNumber("IDM_CONTINUOUS"), IDM_CONTINUOUS);
    EXPECT_EQ(commandNumber("IDM_HOLD_HALF_SECOND"), IDM_HOLD_HALF_SECOND);
    EXPECT_EQ(commandNumber("6017"), 6017);
    EXPECT_FALSE(commandNumber("IDC_RECORD"));
}

TEST(AutomationNames, ModelsAsTheMenuNamesThem)
{
    for (const tensikon::BikeModel& m : tensikon::BikeCatalogue) {
        const std::string name = std::string(m.family) + " " + std::string(m.itemText);
        if (m.selectable)
            EXPECT_EQ(modelCommand(name), m.commandId) << name;
        else // the menu greys it out: a user cannot choose it either
            EXPECT_FALSE(modelCommand(name)) << name;
    }
    EXPECT_EQ(modelCommand("corvane 1000I"), 6017);
    EXPECT_FALSE(modelCommand("Corvane"));
    EXPECT_FALSE(modelCommand("Saltaro 1100"));
}

TEST(AutomationReport, QuotedTextsReadBackUnchanged)
{
    EXPECT_EQ(automation::quoted("140"), "\"140\"");
    EXPECT_EQ(automation::quoted(""), "\"\"");
    EXPECT_EQ(automation::quoted("a \"b\" c\\d"), "\"a \\\"b\\\" c\\\\d\"");
}

TEST(AutomationReport, TimeIsUnixSecondsWithMicroseconds)
{
    const std::string now = automation::timeNow();
    ASSERT_EQ(now.size(), now.find('.') + 7) << now;
    const double seconds = std::atof(now.c_str());
    EXPECT_GT(seconds, 1.6e9); // after 2020
    EXPECT_LT(seconds, 4.1e9); // before 2100
}

} // namespace
