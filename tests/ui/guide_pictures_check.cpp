#include "tests/ui/guide_pictures_check.h"

#include "resources/resource.h"
#include "tests/tools/bitmap_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace tensikon::testing {
namespace {

struct DiagramFile {
    int id;
    const char* file;
    int width;
    int height;
};

constexpr std::array<DiagramFile, 5> kDiagramFiles{{
    {IDB_BELTS_SINGLE_CAM, "belts_single_cam.bmp", 150, 147},
    {IDB_BELTS_TWIN_CAM, "belts_twin_cam.bmp", 150, 145},
    {IDB_TENSIONER_NUTS, "tensioner_nuts.bmp", 220, 194},
    {IDB_TENSIONER_TOOL, "tensioner_tool.bmp", 200, 175},
    {IDB_DRIVE_PULLEY, "drive_pulley.bmp", 200, 156},
}};

std::vector<std::uint8_t> resourceBytes(HMODULE module, int id, LPCSTR type)
{
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + SizeofResource(module, info)};
}

// The bitmap as Windows decodes it, as grey levels top row first; empty
// when a pixel is not grey.
std::vector<std::uint8_t> windowsGreys(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height; // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> rgb(static_cast<std::size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    const int lines =
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), rgb.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != height)
        return {};
    std::vector<std::uint8_t> greys;
    for (const RGBQUAD& q : rgb) {
        if (q.rgbRed != q.rgbGreen || q.rgbGreen != q.rgbBlue)
            return {};
        greys.push_back(q.rgbRed);
    }
    return greys;
}

void expectDiagram(HMODULE module, const DiagramFile& d, const std::string& folder)
{
    SCOPED_TRACE(d.file);
    const auto file = readFileBytes(folder + d.file);
    ASSERT_GT(file.size(), 1078u) << folder + d.file;
    // A bitmap resource is the file without its 14-byte file header.
    const auto resource = resourceBytes(module, d.id, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    EXPECT_TRUE(std::vector<std::uint8_t>(file.begin() + 14, file.end()) == resource)
        << "bitmap " << d.id << " differs from the committed file";

    const auto expected = decodeRle8(file.data() + 1078, file.size() - 1078, d.width, d.height);
    ASSERT_TRUE(expected);
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(module, MAKEINTRESOURCEA(d.id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    ASSERT_NE(bitmap, nullptr) << "bitmap " << d.id << " does not load";
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, d.width);
    EXPECT_EQ(info.bmHeight, d.height);
    EXPECT_TRUE(windowsGreys(bitmap, d.width, d.height) == *expected)
        << "Windows decodes bitmap " << d.id << " differently";
    DeleteObject(bitmap);
}

void expectIcon(HMODULE module, const std::string& sourceDir)
{
    const auto file = readFileBytes(sourceDir + "/resources/tensikon.ico");
    ASSERT_GE(file.size(), 6u + 3 * 16u);
    // The group lists the file's images under resource numbers of their own
    // (14-byte entries); each image resource is the file's image as stored.
    const auto group =
        resourceBytes(module, IDI_TENSIKON, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_EQ(group.size(), 6u + 3 * 14u) << "icon group " << IDI_TENSIKON;
    ASSERT_EQ(le16(group, 4), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t g = 6 + 14 * i;
        const std::size_t f = 6 + 16 * i;
        EXPECT_TRUE(std::equal(group.begin() + static_cast<std::ptrdiff_t>(g),
                               group.begin() + static_cast<std::ptrdiff_t>(g + 12),
                               file.begin() + static_cast<std::ptrdiff_t>(f)));
        const auto image = resourceBytes(module, static_cast<int>(le16(group, g + 12)),
                                         MAKEINTRESOURCEA(3) /* RT_ICON */);
        const std::uint32_t offset = le32(file, f + 12), size = le32(file, f + 8);
        ASSERT_LE(offset + size, file.size());
        EXPECT_TRUE(
            std::vector<std::uint8_t>(file.begin() + offset, file.begin() + offset + size) == image)
            << "icon image " << i;
    }
    for (const int size : {32, 48}) {
        HICON icon = static_cast<HICON>(
            LoadImageA(module, MAKEINTRESOURCEA(IDI_TENSIKON), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon)
            DestroyIcon(icon);
    }
}

} // namespace

void expectGuidePicturesIn(HMODULE module, const std::string& sourceDir)
{
    for (const DiagramFile& d : kDiagramFiles)
        expectDiagram(module, d, sourceDir + "/resources/diagrams/");
    expectIcon(module, sourceDir);
}

} // namespace tensikon::testing
