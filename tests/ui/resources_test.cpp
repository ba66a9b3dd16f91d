// The program's resources as the running program loads them: the menu
// (with its models from the bike catalogue), the dialog templates control by control, the
// icon and the version record.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/bike_catalogue.h"
#include "resources/resource.h"
#include "tests/ui/app_fixture.h"
#include "tests/ui/guide_pictures_check.h"

namespace tensikon::test {
namespace {

struct MenuEntry {
    std::string text;
    UINT id = 0;
    bool greyed = false;
    bool checked = false;
    bool radio = false;
    bool popup = false;
    std::vector<MenuEntry> items;

    bool operator==(const MenuEntry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const MenuEntry& e)
{
    out << '"' << e.text << "\" " << e.id << (e.greyed ? " greyed" : "")
        << (e.checked ? " checked" : "") << (e.radio ? " radio" : "");
    if (e.popup) {
        out << " {";
        for (const MenuEntry& item : e.items)
            out << item << "; ";
        out << '}';
    }
    return out;
}

// A menu text as it shows, without the marks of its access key (which
// keyboard_and_scaling_test.cpp checks).
std::string shownText(const std::string& text)
{
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && ++i == text.size())
            break;
        shown += text[i];
    }
    return shown;
}

std::vector<MenuEntry> readMenu(HMENU menu)
{
    std::vector<MenuEntry> entries;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        std::array<char, 128> text{};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU;
        info.dwTypeData = text.data();
        info.cch = static_cast<UINT>(text.size());
        EXPECT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info));
        MenuEntry entry{shownText(text.data()),
                        info.hSubMenu ? 0 : info.wID,
                        (info.fState & MFS_GRAYED) != 0,
                        (info.fState & MFS_CHECKED) != 0,
                        (info.fType & MFT_RADIOCHECK) != 0,
                        info.hSubMenu != nullptr,
                        {}};
        if (info.hSubMenu)
            entry.items = readMenu(info.hSubMenu);
        entries.push_back(entry);
    }
    return entries;
}

MenuEntry item(std::string text, UINT id, bool greyed = false)
{
    return {std::move(text), id, greyed, false, false, false, {}};
}

MenuEntry radioChecked(std::string text, UINT id)
{
    return {std::move(text), id, false, true, true, false, {}};
}

MenuEntry popup(std::string text, std::vector<MenuEntry> items, bool greyed = false)
{
    return {std::move(text), 0, greyed, false, false, true, std::move(items)};
}

// "Select Bike" as the catalogue describes it.
MenuEntry selectBikeFromCatalogue()
{
    std::vector<MenuEntry> families{
        popup(std::string(kGreyedFamily),
              {item(std::string(kGreyedFamilyItem), kGreyedFamilyItemCommand, true)}, true)};
    for (std::string_view family : kBikeFamilies) {
        std::vector<MenuEntry> items;
        for (const BikeModel& row : BikeCatalogue) {
            if (row.family == family)
                items.push_back(item(std::string(row.itemText), row.commandId, !row.selectable));
        }
        families.push_back(popup(std::string(family), items));
    }
    families.push_back(item(std::string(kCustomItem), kCustomCommand, true));
    return popup("Select Bike", families);
}

// The main window's menu: the resource, with "Select Bike" built from the
// catalogue.
using MainMenu = AppTest;

TEST_F(MainMenu, MatchesTheCatalogueAndTheCommandTable)
{
    HMENU menu = GetMenu(mainWindow());
    ASSERT_NE(menu, nullptr);
    const std::vector<MenuEntry> expected{
        popup("File", {item("Save", IDM_SAVE, true), item("Save Readings...", IDM_SAVE_READINGS),
                       item("Exit", IDM_EXIT)}),
        popup("Settings", {selectBikeFromCatalogue(),
                           popup("Record Mode", {radioChecked("Continuous", IDM_CONTINUOUS),
                                                 item("Single", IDM_SINGLE)}),
                           popup("Pluck Detection", {radioChecked("Level", IDM_PLUCK_LEVEL),
                                                     item("Automatic", IDM_PLUCK_AUTOMATIC)}),
                           item("Sound on Result", IDM_SOUND_ON_RESULT)}),
        popup("View", {popup("Hold Time", {item("0.5 Seconds", IDM_HOLD_HALF_SECOND),
                                           radioChecked("1 Second", IDM_HOLD_ONE_SECOND),
                                           item("2 Seconds", IDM_HOLD_TWO_SECONDS),
                                           item("3 Seconds", IDM_HOLD_THREE_SECONDS)}),
                       item("Readings", IDM_READINGS)}),
        popup("Help", {item("About", IDM_ABOUT)}),
    };
    const std::vector<MenuEntry> actual = readMenu(menu);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(actual[k], expected[k]);
}

TEST(IconResource, GroupHoldsThirtyTwoAndFortyEightInSixteenColoursAndFortyEightTrueColour)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDI_TENSIKON),
                                reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    // GRPICONDIR: reserved, type, count; then 14-byte entries: width,
    // height, colour count, reserved, planes, bit count, size, id.
    const int count = bytes[4] | bytes[5] << 8;
    std::vector<std::array<int, 2>> images; // {size, bits}
    for (int k = 0; k < count; ++k) {
        const std::uint8_t* e = bytes + 6 + 14 * k;
        EXPECT_EQ(e[0], e[1]);
        images.push_back({e[0], e[6] | e[7] << 8});
    }
    std::sort(images.begin(), images.end());
    const std::vector<std::array<int, 2>> expected{{32, 4}, {48, 4}, {48, 24}};
    EXPECT_EQ(images, expected);
    EXPECT_NE(LoadImageA(module, MAKEINTRESOURCEA(IDI_TENSIKON), IMAGE_ICON, 48, 48, 0), nullptr);
}

TEST(GuidePictures, TheProgramCarriesTheCommittedDiagramsAndIcon)
{
    tensikon::testing::expectGuidePicturesIn(GetModuleHandleA(nullptr), TENSIKON_SOURCE_DIR);
}

std::string versionString(const std::vector<char>& data, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
        return {};
    return value;
}

TEST(VersionResource, IsOneZeroZeroThreeDescribedAsTensikon)
{
    std::array<char, MAX_PATH> path{};
    GetModuleFileNameA(nullptr, path.data(), MAX_PATH);
    const DWORD size = GetFileVersionInfoSizeA(path.data(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.data(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000003u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000003u);
    EXPECT_EQ(versionString(data, "FileDescription"), "Tensikon");
    EXPECT_EQ(versionString(data, "FileVersion"), "1.0.0.3");
    EXPECT_EQ(versionString(data, "ProductVersion"), "1.0.0.3");
}

} // namespace
} // namespace tensikon::test
