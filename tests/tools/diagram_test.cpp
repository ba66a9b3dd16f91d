// The committed diagrams are the generator's output in the format the guide
// needs: checked from the file's own bytes with an independent decoder.
#include "tests/tools/bitmap_file.h"
#include "tools/diagrams/diagrams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace tensikon::art {
namespace {

using testing::decodeRle8;
using testing::readFileBytes;
using testing::readHeaders;

std::string committedPath(const Diagram& d)
{
    return std::string(TENSIKON_SOURCE_DIR "/resources/diagrams/") + std::string(d.fileName);
}

// Drawing is slow under the sanitizers, so each picture is drawn once.
const std::vector<std::uint8_t>& drawnPixels(const Diagram& d)
{
    static std::map<int, std::vector<std::uint8_t>> cache;
    auto [at, fresh] = cache.try_emplace(d.resourceId);
    if (fresh)
        at->second = diagramPixels(d);
    return at->second;
}

} // namespace

// Names the cases by resource number and file.
void PrintTo(const Diagram& d, std::ostream* os)
{
    *os << d.resourceId << ' ' << d.fileName;
}

namespace {

class CommittedDiagram : public ::testing::TestWithParam<Diagram> {
  protected:
    const Diagram& d = GetParam();
    const std::vector<std::uint8_t> file = readFileBytes(committedPath(d));
};

TEST_P(CommittedDiagram, HeadersDescribeAnEightBitRunLengthEncodedBottomUpPicture)
{
    const auto h = readHeaders(file);
    ASSERT_TRUE(h) << committedPath(d);
    EXPECT_EQ(h->fileSize, file.size());
    EXPECT_EQ(h->dataOffset, 14u + 40u + 256u * 4u);
    EXPECT_EQ(h->infoSize, 40u);
    EXPECT_EQ(h->width, d.width);
    EXPECT_EQ(h->height, d.height) << "positive: rows stored bottom row first";
    EXPECT_EQ(h->planes, 1u);
    EXPECT_EQ(h->bitCount, 8u);
    EXPECT_EQ(h->compression, 1u) << "BI_RLE8";
    EXPECT_EQ(h->imageSize, file.size() - h->dataOffset);
    EXPECT_TRUE(h->coloursUsed == 0 || h->coloursUsed == 256);
}

TEST_P(CommittedDiagram, PaletteIsALinearGreyRamp)
{
    ASSERT_GE(file.size(), 54u + 1024u);
    for (std::size_t k = 0; k < 256; ++k) {
        const std::size_t at = 54 + 4 * k;
        EXPECT_EQ(file[at], k); // blue
        EXPECT_EQ(file[at + 1], k);
        EXPECT_EQ(file[at + 2], k);
        EXPECT_EQ(file[at + 3], 0);
    }
}

TEST_P(CommittedDiagram, DecodesToThePictureTheGeneratorDraws)
{
    ASSERT_GT(file.size(), 54u + 1024u);
    const auto pixels = decodeRle8(file.data() + 1078, file.size() - 1078, d.width, d.height);
    ASSERT_TRUE(pixels) << "not valid BI_RLE8 data";
    EXPECT_TRUE(*pixels == drawnPixels(d)) << "regenerate with scripts/draw-pictures";
    EXPECT_TRUE(file == greyRle8Bitmap(drawnPixels(d), d.width, d.height));
}

TEST_P(CommittedDiagram, IsABlackLineDrawingOnItsPaper)
{
    const auto& px = drawnPixels(d);
    // The guide fills the area round a diagram with its top-left pixel.
    EXPECT_EQ(px.front(), d.paperGrey);
    const auto dark = std::count_if(px.begin(), px.end(), [](std::uint8_t g) { return g < 128; });
    const auto paper = std::count(px.begin(), px.end(), d.paperGrey);
    EXPECT_EQ(*std::min_element(px.begin(), px.end()), 0) << "solid black lines";
    EXPECT_EQ(*std::max_element(px.begin(), px.end()), d.paperGrey) << "nothing lighter than paper";
    EXPECT_GT(dark, static_cast<long>(px.size() / 40)) << "too little drawn to read";
    EXPECT_GT(paper, static_cast<long>(px.size() / 2)) << "a line drawing, not a filled picture";
}

INSTANTIATE_TEST_SUITE_P(Guide, CommittedDiagram, ::testing::ValuesIn(kDiagrams),
                         [](const auto& info) { return std::to_string(info.param.resourceId); });

TEST(kDiagrams, ResourceNumbersAndSizesAreTheGuidesOwn)
{
    const std::vector<std::tuple<int, int, int, int>> expected{{8002, 150, 147, 255},
                                                               {8003, 150, 145, 255},
                                                               {8004, 220, 194, 255},
                                                               {8005, 200, 175, 255},
                                                               {8006, 200, 156, 252}};
    ASSERT_EQ(kDiagrams.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(std::make_tuple(kDiagrams[i].resourceId, kDiagrams[i].width, kDiagrams[i].height,
                                  static_cast<int>(kDiagrams[i].paperGrey)),
                  expected[i]);
}

} // namespace
} // namespace tensikon::art
