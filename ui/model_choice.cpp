#include "ui/model_choice.h"

#include <windows.h>

#include <string>
#include <string_view>

#include "resources/resource.h"
#include "ui/guide.h"
#include "ui/measurement_state.h"
#include "ui/measurement_sync.h"
#include "ui/shell_state.h"

namespace tensikon {

namespace {

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

// Appends an item (a command, or a submenu when `submenu` is set).
void appendItem(HMENU menu, std::string_view text, UINT command, bool greyed,
                HMENU submenu = nullptr)
{
    const std::string caption(text);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_FTYPE | (submenu ? MIIM_SUBMENU : 0);
    info.fType = MFT_STRING;
    info.fState = greyed ? MFS_GRAYED : MFS_ENABLED;
    info.wID = command;
    info.hSubMenu = submenu;
    info.dwTypeData = const_cast<char*>(caption.c_str());
    InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
}

// The submenu of the item that carries `id`. The resource compiler makes a
// popup without items a plain item: it gets its submenu here.
HMENU findSubmenu(HMENU menu, UINT id)
{
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info))
            continue;
        if (info.wID == id && !info.hSubMenu) {
            info.fMask = MIIM_SUBMENU;
            info.hSubMenu = CreatePopupMenu();
            SetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
        }
        if (info.wID == id)
            return info.hSubMenu;
        if (HMENU inner = info.hSubMenu ? findSubmenu(info.hSubMenu, id) : nullptr)
            return inner;
    }
    return nullptr;
}

} // namespace

void buildBikeMenu(HMENU menu)
{
    HMENU selectBike = findSubmenu(menu, IDM_SELECT_BIKE);
    if (selectBike == nullptr)
        return;
    // Submenus belong to the menu they are put in and go with it.
    HMENU greyed = CreatePopupMenu();
    appendItem(greyed, kGreyedFamilyItem, kGreyedFamilyItemCommand, true);
    appendItem(selectBike, kGreyedFamily, 0, true, greyed);
    for (const std::string_view family : kBikeFamilies) {
        HMENU items = CreatePopupMenu();
        for (const BikeModel& row : BikeCatalogue) {
            if (row.family == family)
                appendItem(items, row.itemText, row.commandId, !row.selectable);
        }
        appendItem(selectBike, family, 0, false, items);
    }
    appendItem(selectBike, kCustomItem, kCustomCommand, true);
}

void applyModel(const BikeModel& row)
{
    markFamilyItem(row.commandId);
    measurementState().model = &row;
    syncMeasurementUi();
    setGuideVariant(row.guideVariant);
}

} // namespace tensikon
