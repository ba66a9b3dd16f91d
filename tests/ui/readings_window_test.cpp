// The readings window on the real windows: every capture of the run listed,
// newest first, under the agreement of the last plucks.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "ui/readings.h"
#include "ui/readings_window.h"
#include "ui/save_readings.h"

namespace tensikon::test {
namespace {

class ReadingsWindow : public AppTest {
  protected:
    void holdExpires() { SendMessageA(panel(), WM_TIMER, IDT_HOLD, 0); }
    HWND list() const { return GetDlgItem(readingsWindow(), IDC_READINGS_LIST); }
    int rows() const { return static_cast<int>(SendMessageA(list(), LB_GETCOUNT, 0, 0)); }
    std::string row(int index) const
    {
        std::string text(256, '\0');
        text.resize(static_cast<std::size_t>(
            SendMessageA(list(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
        return text;
    }
    std::string agreement() const { return controlText(readingsWindow(), IDC_READINGS_AGREEMENT); }
    void pressEscape()
    {
        MSG key{list(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
        dispatchLoopMessage(key);
        pumpMessages();
    }
};

TEST_F(ReadingsWindow, ListsEveryCaptureNewestFirstAcrossStopsAndClosing)
{
    menu(6017); // Corvane 1000i: 140 and 140
    menu(IDM_READINGS);
    ASSERT_NE(readingsWindow(), nullptr);
    click(IDC_RECORD);
    pluck(pluckedTone(140));
    holdExpires();
    pluck(pluckWithoutReading());
    holdExpires();
    pluck(pluckedTone(140));
    holdExpires();
    pluck(pluckedTone(160)); // reads 159
    ASSERT_EQ(rows(), 4);
    EXPECT_NE(row(0).find("\tCorvane 1000i\thorizontal\t159\t140\tout of range\t"),
              std::string::npos)
        << row(0);
    EXPECT_NE(row(2).find("\t---\t140\tno reading\tnone"), std::string::npos) << row(2);
    EXPECT_EQ(agreement(), "Last 3: 140 Hz, spread 19 Hz");

    // A stop gives no reading; the list stays through it and the next start.
    holdExpires();
    click(IDC_RECORD);
    click(IDC_RECORD);
    pluck(pluckedTone(140));
    EXPECT_EQ(rows(), 5);

    pressEscape();
    EXPECT_EQ(readingsWindow(), nullptr);
    click(IDC_RECORD); // ends the continuous cycle
    click(IDC_VERTICAL_CYL);
    menu(IDM_READINGS);
    EXPECT_EQ(rows(), 5);
    EXPECT_EQ(agreement(), "Last 3: 0 of 3 values so far");

    // Its owner takes it along; a new start begins with an empty list.
    closeProgram();
    EXPECT_EQ(readingsWindow(), nullptr);
}

TEST_F(ReadingsWindow, AFileThatCannotBeWrittenIsReportedOnceAndTheReadingsAreKept)
{
    click(IDC_RECORD);
    pluck(pluckedTone(140));
    saveReadingsTo(mainWindow(), L"Z:\\no\\such\\folder\\readings.csv");
    const std::vector<CaughtBox> shown = boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Error");
    EXPECT_NE(shown[0].text.find("could not be saved"), std::string::npos) << shown[0].text;
    EXPECT_EQ(readingsLog().size(), 1u);
}

} // namespace
} // namespace tensikon::test
