#include "core/guide_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace tensikon {
namespace {

struct TextPage {
    int index;
    int variant;
    std::size_t statedLength;
    std::string_view opening;
    int paragraphs;
};

// Every text page under the variant given; pages that do not depend on the
// variant are listed once, under 1.
const std::vector<TextPage> TextPages{
    {0, 1, 521, "LIABILITY - ", 3},
    {1, 1, 503, "Step by Step Guide to Tensioning Veltrani Cam Belts", 4},
    {3, 1, 611, "4. Select the bike from the Settings menu.", 2},
    {5, 1, 534, "6. Select microphone as the input device.", 2},
    {6, 1, 703, "7. Adjust microphone volume.", 2},
    {7, 1, 542, "8. Make sure the correct cylinder is selected then click the Start Record button.",
     3},
    {7, 0, 519,
     "8. Make sure the horizontal cylinder is selected then click the Start Record button.", 3},
    {9, 1, 476, "11. Tighten the tensioner fixing nut and repeat step 9.", 5},
};

std::vector<std::string_view> paragraphs(std::string_view text)
{
    std::vector<std::string_view> out;
    text.remove_prefix(2); // the empty first line
    for (std::size_t at; (at = text.find("\r\n\r\n")) != std::string_view::npos;) {
        out.push_back(text.substr(0, at));
        text.remove_prefix(at + 4);
    }
    out.push_back(text);
    return out;
}

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

TEST(GuideTexts, OpenWithAnEmptyLineThenTheirOpeningAndSeparateParagraphsByEmptyLines)
{
    for (const TextPage& p : TextPages) {
        SCOPED_TRACE("page " + std::to_string(p.index) + " variant " + std::to_string(p.variant));
        const std::string_view text = guidePageText(p.index, p.variant);
        ASSERT_TRUE(text.starts_with("\r\n"));
        EXPECT_TRUE(text.substr(2).starts_with(p.opening));
        const auto paras = paragraphs(text);
        EXPECT_EQ(static_cast<int>(paras.size()), p.paragraphs);
        for (std::string_view para : paras) {
            // Lines within a paragraph are broken by the control alone.
            EXPECT_FALSE(para.empty());
            EXPECT_EQ(para.find_first_of("\r\n"), std::string_view::npos) << para;
            EXPECT_NE(para.front(), ' ');
            EXPECT_NE(para.back(), ' ');
        }
    }
}

TEST(GuideTexts, AreCloseToTheirStatedLengthsAndFitTheBuffer)
{
    for (const TextPage& p : TextPages) {
        const std::size_t n = guidePageText(p.index, p.variant).size();
        EXPECT_LE(std::abs(static_cast<long>(n) - static_cast<long>(p.statedLength)), 10)
            << "page " << p.index << " variant " << p.variant << " has " << n;
        EXPECT_LE(n, 1022u);
    }
}

TEST(GuideTexts, AreWindows1252WithTheDegreeSignOnlyOnPageNine)
{
    for (int index = 0; index < kGuidePageCount; ++index) {
        for (int variant : {0, 1}) {
            const std::string_view text = guidePageText(index, variant);
            for (const char ch : text) {
                const auto b = static_cast<unsigned char>(ch);
                const bool plain = (b >= 0x20 && b < 0x7F) || b == '\r' || b == '\n';
                EXPECT_TRUE(plain || (index == 9 && b == 0xBA))
                    << "page " << index << " byte " << static_cast<int>(b);
            }
            // A '%' would be read as a conversion by a formatted copy, an '&'
            // as a mnemonic prefix by the static control.
            EXPECT_EQ(text.find('%'), std::string_view::npos) << index;
            EXPECT_EQ(text.find('&'), std::string_view::npos) << index;
        }
    }
    const std::string_view nine = guidePageText(9, 1);
    EXPECT_TRUE(contains(nine, "a further 270\xBA (135\xBA on the timing belt drive pulley)"));
    EXPECT_EQ(std::count(nine.begin(), nine.end(), '\xBA'), 2);
}

TEST(GuideTexts, CarryTheirQuotedPhrasesAndSteps)
{
    const std::vector<std::pair<int, std::vector<std::string_view>>> phrases{
        {0, {"\r\n\r\nWARNING - ", "\r\n\r\nNOTE: ", "his/her", "being unable to use"}},
        {1,
         {"\r\n\r\n1. ", "\r\n\r\n2. ", "\r\n\r\n3. ", "Top Dead Centre (TDC)",
          "as highlighted by the arrows in the next picture"}},
        {3, {"\r\n\r\n5. ", "following diagram", "Custom"}},
        {5, {"Microphone boost"}},
        {6, {"second-from-last", "ballpoint pen"}},
        {7,
         {"REC should now be flashing in the Measured Value display box", "\r\n\r\n9. ",
          "\r\n\r\n10. ", "as shown in the next diagram"}},
        {9, {"\r\n\r\n12. ", "\r\n\r\n13. ", "\r\n\r\n14. ", "\r\n\r\n15. ", "next diagram"}},
    };
    for (const auto& [index, parts] : phrases) {
        for (int variant : {0, 1}) {
            for (std::string_view part : parts) {
                EXPECT_TRUE(contains(guidePageText(index, variant), part))
                    << "page " << index << " variant " << variant << ": " << part;
            }
        }
    }
}

TEST(GuideTexts, OnlyPageSevenDependsOnTheVariant)
{
    for (int index = 0; index < kGuidePageCount; ++index) {
        if (index != 7) {
            EXPECT_EQ(guidePageText(index, 0), guidePageText(index, 1)) << index;
        }
    }
    const std::string_view v1 = guidePageText(7, 1);
    const std::string_view v0 = guidePageText(7, 0);
    EXPECT_TRUE(contains(v1, "correct cylinder"));
    EXPECT_TRUE(contains(v1, "the tensioner fixing nut (1) and adjuster nut (2)"));
    EXPECT_TRUE(contains(v0, "horizontal cylinder"));
    EXPECT_TRUE(contains(v0, "the tensioner fixing nut,"));
    EXPECT_FALSE(contains(v0, "adjuster"));
}

TEST(LoadGuidePage, ShowsTextWhereAPageHasTextAndCopiesIt)
{
    for (int index = -3; index < kGuidePageCount + 3; ++index) {
        for (int variant : {0, 1}) {
            GuideTextBuffer buffer;
            buffer.fill('#');
            const auto view = loadGuidePage(index, variant, buffer.data(), kGuideTextCopySize);
            const std::string trace = std::to_string(index) + "/" + std::to_string(variant);
            EXPECT_EQ(buffer.back(), '#') << trace << ": the last byte is never written";
            if (index < 0 || index >= kGuidePageCount) {
                EXPECT_FALSE(view) << trace;
                EXPECT_EQ(buffer.front(), '#') << trace;
                continue;
            }
            ASSERT_TRUE(view) << trace;
            const std::string_view text = guidePageText(index, variant);
            EXPECT_EQ(*view == GuideView::Text, !text.empty()) << trace;
            if (*view == GuideView::Text) {
                EXPECT_EQ(std::string_view(buffer.data()), text) << trace;
            } else {
                EXPECT_EQ(buffer.front(), '#') << trace << ": a diagram leaves the buffer alone";
            }
        }
    }
}

// The four diagram pages: the pulley for both kinds of engine; the belts
// (twice) and the tensioner in the version of the chosen model's cam kind.
TEST(LoadGuidePage, ShowsTheDiagramsOfTheChosenCamKind)
{
    GuideTextBuffer buffer{};
    auto view = [&](int index, int variant) {
        return loadGuidePage(index, variant, buffer.data(), kGuideTextCopySize);
    };
    for (int variant : {0, 1})
        EXPECT_EQ(view(2, variant), GuideView::Pulley);
    for (int index : {4, 10}) {
        EXPECT_EQ(view(index, 1), GuideView::Belts) << index;
        EXPECT_EQ(view(index, 0), GuideView::BeltsTwin) << index;
    }
    EXPECT_EQ(view(8, 1), GuideView::Nuts);
    EXPECT_EQ(view(8, 0), GuideView::Tool);
    // Any GuideVariant other than 0 is taken as 1.
    EXPECT_EQ(view(8, 2), GuideView::Nuts);
    EXPECT_EQ(view(7, -1), GuideView::Text);
    EXPECT_EQ(std::string_view(buffer.data()), guidePageText(7, 1));
}

TEST(CopyGuideText, CutsAtSizeMinusOneAndAlwaysTerminates)
{
    GuideTextBuffer buffer;
    auto fresh = [&] { buffer.fill('#'); };
    const std::string longText(1500, 'x');

    fresh();
    EXPECT_TRUE(copyGuideText(longText, buffer.data(), kGuideTextCopySize));
    EXPECT_EQ(std::string_view(buffer.data()), std::string(1022, 'x'));
    EXPECT_EQ(buffer[1022], '\0');
    EXPECT_EQ(buffer[1023], '#');

    for (const std::size_t n : {1021u, 1022u}) {
        fresh();
        EXPECT_FALSE(copyGuideText(longText.substr(0, n), buffer.data(), kGuideTextCopySize)) << n;
        EXPECT_EQ(std::string_view(buffer.data()).size(), n);
        EXPECT_EQ(buffer[1023], '#');
    }
    fresh();
    EXPECT_TRUE(copyGuideText(longText.substr(0, 1023), buffer.data(), kGuideTextCopySize));
    EXPECT_EQ(std::string_view(buffer.data()).size(), 1022u);

    fresh();
    EXPECT_FALSE(copyGuideText("", buffer.data(), kGuideTextCopySize));
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '#');

    fresh();
    EXPECT_TRUE(copyGuideText("abc", buffer.data(), 1)); // room for the NUL only
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], '#');

    fresh();
    EXPECT_TRUE(copyGuideText("abc", buffer.data(), 0)); // no room at all: nothing written
    EXPECT_EQ(buffer[0], '#');
    EXPECT_TRUE(copyGuideText("abc", nullptr, 10));
}

TEST(CopyGuideText, CopiesPercentSignsVerbatim)
{
    GuideTextBuffer buffer{};
    EXPECT_FALSE(copyGuideText("100% %s %d %n", buffer.data(), kGuideTextCopySize));
    EXPECT_EQ(std::string_view(buffer.data()), "100% %s %d %n");
}

} // namespace
} // namespace tensikon
