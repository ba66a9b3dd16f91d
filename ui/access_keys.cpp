#include "ui/access_keys.h"

#include <array>
#include <cctype>
#include <vector>

namespace tensikon {

namespace {

char lowered(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool isKey(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// The position of the key `text` marks itself ("&&" is a plain "&"), or npos.
std::size_t ownKey(std::string_view text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&') {
            if (text[i + 1] != '&')
                return i + 1;
            ++i;
        }
    }
    return std::string_view::npos;
}

// The first free key at a word's start (or anywhere, when `wordStart` is
// false), or npos.
std::size_t freeKey(std::string_view text, const std::string& taken, bool wordStart)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isKey(text[i]) && taken.find(lowered(text[i])) == std::string::npos &&
            (!wordStart || i == 0 || text[i - 1] == ' '))
            return i;
    }
    return std::string_view::npos;
}

struct Item {
    UINT position = 0;
    std::string text;
};

// The menu's items that show a text (a separator has none).
std::vector<Item> textItems(HMENU menu)
{
    std::vector<Item> items;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        const auto at = static_cast<UINT>(position);
        std::array<char, 256> text{};
        if (GetMenuStringA(menu, at, text.data(), static_cast<int>(text.size()), MF_BYPOSITION) > 0)
            items.push_back({at, text.data()});
    }
    return items;
}

} // namespace

std::string withAccessKey(std::string_view text, std::string& taken)
{
    if (const std::size_t own = ownKey(text); own != std::string_view::npos) {
        taken += lowered(text[own]);
        return std::string(text);
    }
    std::size_t key = freeKey(text, taken, true);
    if (key == std::string_view::npos)
        key = freeKey(text, taken, false);
    if (key == std::string_view::npos)
        return std::string(text);
    taken += lowered(text[key]);
    std::string marked(text);
    marked.insert(key, 1, '&');
    return marked;
}

void addAccessKeys(HMENU menu)
{
    std::vector<Item> items = textItems(menu);
    std::string taken;
    // Keys the texts mark themselves are taken first, wherever they stand.
    for (const Item& item : items) {
        if (const std::size_t own = ownKey(item.text); own != std::string_view::npos)
            taken += lowered(item.text[own]);
    }
    for (Item& item : items) {
        std::string marked = withAccessKey(item.text, taken);
        if (marked != item.text) {
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_STRING;
            info.dwTypeData = marked.data();
            SetMenuItemInfoA(menu, item.position, TRUE, &info);
        }
        if (HMENU sub = GetSubMenu(menu, static_cast<int>(item.position)))
            addAccessKeys(sub);
    }
}

} // namespace tensikon
