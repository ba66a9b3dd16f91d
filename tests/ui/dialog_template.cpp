#include "tests/ui/dialog_template.h"

#include <gtest/gtest.h>

namespace tensikon::test {

namespace {

class Reader {
  public:
    explicit Reader(const std::uint8_t* bytes) : at_(bytes) {}

    std::uint16_t word()
    {
        const std::uint16_t w = static_cast<std::uint16_t>(at_[0] | at_[1] << 8);
        at_ += 2;
        return w;
    }
    DWORD dword()
    {
        const DWORD low = word();
        return low | static_cast<DWORD>(word()) << 16;
    }
    short signedWord() { return static_cast<short>(word()); }
    std::uint8_t byte() { return *at_++; }

    // Templates hold UTF-16; every text of ours is plain ASCII.
    std::string text()
    {
        std::string s;
        for (std::uint16_t c = word(); c != 0; c = word())
            s.push_back(static_cast<char>(c));
        return s;
    }
    NameOrNumber nameOrNumber()
    {
        const std::uint16_t first = word();
        if (first == 0)
            return {};
        if (first == 0xFFFF)
            return {"", word()};
        std::string s(1, static_cast<char>(first));
        s += text();
        return {s, -1};
    }
    RECT place()
    {
        const LONG x = signedWord();
        const LONG y = signedWord();
        const LONG cx = signedWord();
        const LONG cy = signedWord();
        return {x, y, cx, cy};
    }
    void alignToDword(const std::uint8_t* base)
    {
        while ((at_ - base) % 4 != 0)
            ++at_;
    }
    void skip(std::size_t n) { at_ += n; }

  private:
    const std::uint8_t* at_;
};

TemplateItem readItem(Reader& r)
{
    TemplateItem item;
    r.dword(); // help id
    item.exStyle = r.dword();
    item.style = r.dword();
    item.place = r.place();
    item.id = static_cast<int>(r.dword());
    item.className = r.nameOrNumber();
    item.title = r.nameOrNumber();
    r.skip(r.word()); // creation data
    return item;
}

} // namespace

DialogTemplate loadDialogTemplate(int id)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_DIALOG));
    EXPECT_NE(found, nullptr) << "dialog " << id;
    if (!found)
        return {};
    const auto* base = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    Reader r(base);
    DialogTemplate t;
    EXPECT_EQ(r.word(), 1) << "an extended template";
    EXPECT_EQ(r.word(), 0xFFFF);
    r.dword(); // help id
    t.exStyle = r.dword();
    t.style = r.dword();
    const int count = r.word();
    t.place = r.place();
    EXPECT_EQ(r.nameOrNumber(), NameOrNumber{}) << "no menu";
    EXPECT_EQ(r.nameOrNumber(), NameOrNumber{}) << "the standard dialog class";
    t.caption = r.text();
    if (t.style & DS_SETFONT) {
        t.pointSize = r.word();
        t.weight = r.word();
        r.byte(); // italic
        r.byte(); // character set
        t.typeface = r.text();
    }
    for (int k = 0; k < count; ++k) {
        r.alignToDword(base);
        t.items.push_back(readItem(r));
    }
    return t;
}

} // namespace tensikon::test
