// The committed icon is the generator's output and has the three images of
// icon group 8007: 32 x 32 and 48 x 48 in the 16 standard colours, 48 x 48
// in 24-bit colour, each with its transparency mask.
#include "tests/tools/bitmap_file.h"
#include "tools/icon/icon.h"

#include <gtest/gtest.h>

namespace tensikon::art {
namespace {

using testing::le16;
using testing::le32;

const std::vector<std::uint8_t>& committedIcon()
{
    static const auto bytes = testing::readFileBytes(TENSIKON_SOURCE_DIR "/resources/tensikon.ico");
    return bytes;
}

TEST(ProgramIcon, CommittedFileIsTheGeneratorsOutput)
{
    ASSERT_FALSE(committedIcon().empty());
    EXPECT_TRUE(committedIcon() == iconFile()) << "regenerate with scripts/draw-pictures";
}

TEST(ProgramIcon, DirectoryListsThreeImagesThatTileTheFile)
{
    const auto& f = committedIcon();
    ASSERT_GE(f.size(), 6u + 3 * 16u);
    EXPECT_EQ(le16(f, 0), 0u);
    EXPECT_EQ(le16(f, 2), 1u) << "an icon, not a cursor";
    ASSERT_EQ(le16(f, 4), 3u);
    std::uint32_t expectedOffset = 6 + 3 * 16;
    const std::array<std::array<std::uint32_t, 3>, 3> formats{
        {{32, 16, 4}, {48, 16, 4}, {48, 0, 24}}};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t e = 6 + 16 * i;
        const auto [size, colours, bits] = formats[i];
        EXPECT_EQ(f[e], size);
        EXPECT_EQ(f[e + 1], size);
        EXPECT_EQ(f[e + 2], colours);
        EXPECT_EQ(le16(f, e + 4), 1u);
        EXPECT_EQ(le16(f, e + 6), bits);
        const std::uint32_t bytes = le32(f, e + 8), offset = le32(f, e + 12);
        EXPECT_EQ(offset, expectedOffset);
        // The image: info header of twice the height, palette, colour rows
        // and mask rows, each row padded to 4 bytes.
        EXPECT_EQ(le32(f, offset), 40u);
        EXPECT_EQ(le32(f, offset + 4), size);
        EXPECT_EQ(le32(f, offset + 8), 2 * size);
        EXPECT_EQ(le16(f, offset + 14), bits);
        EXPECT_EQ(le32(f, offset + 16), 0u) << "uncompressed";
        const std::uint32_t palette = bits == 4 ? 64 : 0;
        const std::uint32_t rows = (size * bits + 31) / 32 * 4 + (size + 31) / 32 * 4;
        EXPECT_EQ(bytes, 40 + palette + rows * size);
        expectedOffset = offset + bytes;
    }
    EXPECT_EQ(expectedOffset, f.size());
}

TEST(ProgramIcon, SixteenColourImagesUseTheStandardPalette)
{
    const auto& f = committedIcon();
    ASSERT_GE(f.size(), 6u + 3 * 16u);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::uint32_t palette = le32(f, 6 + 16 * i + 12) + 40;
        for (std::size_t k = 0; k < 16; ++k) {
            const Rgb c = StandardColours[k];
            EXPECT_EQ(f[palette + 4 * k], c.b);
            EXPECT_EQ(f[palette + 4 * k + 1], c.g);
            EXPECT_EQ(f[palette + 4 * k + 2], c.r);
        }
    }
}

TEST(ProgramIcon, MotifFillsTheMiddleAndLeavesTheCornersClear)
{
    for (const IconFormat& format : kIconFormats) {
        const IconPicture pic = drawIcon(format);
        const int n = pic.size;
        auto opaqueAt = [&](int x, int y) {
            return pic.opaque[static_cast<std::size_t>(y * n + x)];
        };
        EXPECT_FALSE(opaqueAt(0, n - 1)) << n;
        EXPECT_FALSE(opaqueAt(n - 1, n - 1)) << n;
        EXPECT_TRUE(opaqueAt(n / 2, n / 2)) << n;
        const auto opaque = std::count(pic.opaque.begin(), pic.opaque.end(), true);
        EXPECT_GT(opaque, n * n / 3) << n;
        EXPECT_LT(opaque, n * n * 9 / 10) << n;
    }
}

} // namespace
} // namespace tensikon::art
