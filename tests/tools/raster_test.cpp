// The generators' building blocks: the run-length encoder against the
// independent decoder, and the library-free trigonometry they rely on for
// reproducible pictures.
#include "tests/tools/bitmap_file.h"
#include "tools/raster/bmp.h"
#include "tools/raster/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tensikon::art {
namespace {

std::vector<std::uint8_t> roundTrip(const std::vector<std::uint8_t>& pixels, int width, int height)
{
    const Bytes data = encodeRle8(pixels, width, height);
    const auto decoded = testing::decodeRle8(data.data(), data.size(), width, height, 77);
    return decoded ? *decoded : std::vector<std::uint8_t>{};
}

TEST(EncodeRle8, RoundTripsRunsLiteralsAndTheirBoundaries)
{
    // Rows chosen to hit every branch: long runs (over 255), literals of
    // one, two, three and an odd count (absolute mode and its padding),
    // literals over 255, and a one-pixel-wide picture.
    std::vector<std::uint8_t> row;
    row.insert(row.end(), 300, 5);
    row.insert(row.end(), {1, 2, 1});
    row.insert(row.end(), {9, 9});
    row.push_back(4);
    row.insert(row.end(), {6, 7});
    row.insert(row.end(), 3, 8);
    for (int k = 0; k < 301; ++k)
        row.push_back(static_cast<std::uint8_t>(k % 2 == 0 ? k % 251 : 255 - k % 251));
    const int width = static_cast<int>(row.size());
    std::vector<std::uint8_t> picture = row;
    picture.insert(picture.end(), row.rbegin(), row.rend());
    picture.insert(picture.end(), static_cast<std::size_t>(width), 0);
    EXPECT_EQ(roundTrip(picture, width, 3), picture);

    const std::vector<std::uint8_t> column{1, 2, 3, 3, 200};
    EXPECT_EQ(roundTrip(column, 1, 5), column);
}

TEST(EncodeRle8, StoresTheBottomRowFirstAndEndsWithEndOfBitmap)
{
    const std::vector<std::uint8_t> picture{10, 10, 20, 20}; // top row 10s, bottom row 20s
    const Bytes data = encodeRle8(picture, 2, 2);
    EXPECT_EQ(data, (Bytes{2, 20, 0, 0, 2, 10, 0, 1}));
}

TEST(Geometry, TrigonometryMatchesTheLibraryClosely)
{
    for (int tenth = -7200; tenth <= 7200; tenth += 7) {
        const double deg = tenth / 10.0;
        const double rad = deg * std::numbers::pi / 180.0;
        EXPECT_NEAR(sinDegrees(deg), std::sin(rad), 1e-12) << deg;
        EXPECT_NEAR(cosDegrees(deg), std::cos(rad), 1e-12) << deg;
        if (tenth >= 0 && tenth < 3600) {
            const double back = headingDegrees(direction(deg));
            EXPECT_NEAR(back, deg, 1e-9) << deg;
        }
    }
    EXPECT_EQ(headingDegrees({0, 1}), 90.0);
    EXPECT_EQ(headingDegrees({-1, 0}), 180.0);
}

} // namespace
} // namespace tensikon::art
