#include "ui/model_choice.h"

#include <windows.h>

#include <string>

#include "resources/resource.h"
#include "ui/guide.h"
#include "ui/readings.h"
#include "ui/readout_panel.h"
#include "ui/shell_state.h"

namespace tensikon {

namespace {

// User-interface thread only.
const BikeModel* chosen = nullptr;

struct MenuItemPlace {
    HMENU menu = nullptr;
    int position = -1;
};

// The submenu that holds the command and the command's position in it.
MenuItemPlace findMenuItem(HMENU menu, UINT command)
{
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        if (HMENU sub = GetSubMenu(menu, position)) {
            if (MenuItemPlace place = findMenuItem(sub, command); place.menu)
                return place;
        } else if (GetMenuItemID(menu, position) == command) {
            return {menu, position};
        }
    }
    return {};
}

// A family's radio group is its whole submenu, taken by position: the
// command numbers of a family do not form a range ("Tourenza" holds 6002,
// 6025, 6003).
void markFamilyItem(UINT command)
{
    const MenuItemPlace place = findMenuItem(GetMenu(shell.mainWindow), command);
    if (!place.menu)
        return;
    const UINT last = static_cast<UINT>(GetMenuItemCount(place.menu) - 1);
    CheckMenuRadioItem(place.menu, 0, last, static_cast<UINT>(place.position), MF_BYPOSITION);
}

} // namespace

void applyModel(const BikeModel& row)
{
    markFamilyItem(row.commandId);
    showTargets(row.horizontalTargetHz, row.verticalTargetHz);
    SetDlgItemTextA(shell.measurementPanel, IDC_STATUS, std::string(row.statusText).c_str());
    setGuideVariant(row.guideVariant);
    chosen = &row;
    noteSelection();
}

const BikeModel* chosenModel()
{
    return chosen;
}

void forgetChosenModel()
{
    chosen = nullptr;
}

} // namespace tensikon
