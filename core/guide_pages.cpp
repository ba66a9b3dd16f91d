#include "core/guide_pages.h"

#include <algorithm>
#include <cstring>

namespace tensikon {
namespace {

// The texts are Windows-1252. The only character outside ASCII is the
// degree sign, written as the escape \xBA so that the bytes are right
// whatever encoding this file is read in. Each text opens with an empty
// line and separates its paragraphs by an empty line; within a paragraph
// only the control's word wrap breaks lines. No text holds a '%' or an '&'
// (the static control would take '&' for a mnemonic prefix).
constexpr std::string_view kWarning =
    "\r\nLIABILITY - No liability is accepted for any damage, loss or injury arising from "
    "using this program, or from being unable to use it. You use it entirely at your own "
    "risk.\r\n\r\n"
    "WARNING - An improper adjustment of the cam belts can badly damage your bike: a "
    "slack belt can jump a tooth and let the valves hit the pistons, a tight one wears "
    "fast and can break. If you are unsure about doing this job, do not attempt it.\r\n\r\n"
    "NOTE: The user must verify the correct tensioning method for his/her bike before "
    "starting any work.";

constexpr std::string_view kStepsOneToThree =
    "\r\nStep by Step Guide to Tensioning Veltrani Cam Belts\r\n\r\n"
    "1. Remove the cam belt covers. On some models the fairing or the tank may have to "
    "come off first.\r\n\r\n"
    "2. Remove the spark plugs of both cylinders, so that the engine turns easily by "
    "hand.\r\n\r\n"
    "3. Turn the crankshaft in its normal direction of rotation until the horizontal "
    "piston is at Top Dead Centre (TDC). This is when the dot on the belt drive pulley "
    "lines up with the mark on the clutch housing, as highlighted by the arrows in the "
    "next picture.";

constexpr std::string_view kStepsFourToFive =
    "\r\n4. Select the bike from the Settings menu. This loads the target belt frequencies "
    "of both cylinders and the matching instructions for your model. A bike that is "
    "greyed out or missing from the list has no known settings; its settings could be "
    "entered manually through the Custom option.\r\n\r\n"
    "5. Attach the microphone so that it points at the flick location of the horizontal "
    "cylinder's belt, shown by the arrow in the following diagram. Keep it close to the "
    "belt but clear of every moving part. Note: the placement of the microphone is "
    "critical for consistent results, so keep it in the same place for every reading.";

constexpr std::string_view kStepSix =
    "\r\n6. Select microphone as the input device. Open Sound in the Control Panel (Sounds "
    "and Audio Devices), go to the Recording tab (Audio tab), select the microphone and "
    "click Set Default (choose it as the default device under Sound recording). Its "
    "Properties (Volume) button opens the recording level that is set in the next "
    "step.\r\n\r\n"
    "Note: with a small microphone or a quiet belt the level may be too low even at "
    "full volume. Then switch on \"Microphone boost\" in the microphone's Levels tab "
    "(Advanced Controls) and try the reading again.";

constexpr std::string_view kStepSeven =
    "\r\n7. Adjust microphone volume. Set the microphone volume to full, click the Start "
    "Recording button and gently flick the belt at the arrowed place. While readings "
    "keep coming, halve the volume and try again, each time flicking the belt the same "
    "way. Once the readings stop, go back up to the second-from-last setting that gave "
    "a reading: this leaves a safe margin above the lowest level that still works, while "
    "workshop noise stays too quiet to start a recording by itself. Always set the volume "
    "this way again after moving the microphone.\r\n\r\n"
    "Note: for repeatable results flick the belt with the end of a ballpoint pen, in "
    "the same place and with the same force each time, rather than with a finger.";

constexpr std::string_view kStepsEightToTenCorrectCylinder =
    "\r\n8. Make sure the correct cylinder is selected then click the Start Record button. "
    "REC should now be flashing in the Measured Value display box.\r\n\r\n"
    "9. Flick the belt and wait for the resonant frequency to be shown in the Measured "
    "Value box: in green when it is within specification, in red when it is not.\r\n\r\n"
    "10. If the value is wrong, tension or slacken the belt: loosen the tensioner fixing "
    "nut (1) and adjuster nut (2), then adjust the tensioner as shown in the next "
    "diagram. Tightening the belt raises the frequency, slackening lowers it.";

constexpr std::string_view kStepsEightToTenHorizontalCylinder =
    "\r\n8. Make sure the horizontal cylinder is selected then click the Start Record "
    "button. REC should now be flashing in the Measured Value display box.\r\n\r\n"
    "9. Flick the belt and wait for the resonant frequency to be shown in the Measured "
    "Value box: in green when it is within specification, in red when it is not.\r\n\r\n"
    "10. If the value is wrong, tension or slacken the belt: loosen the tensioner fixing "
    "nut, then adjust the tensioner as shown in the next diagram. Tightening the belt "
    "raises the frequency, slackening lowers it.";

constexpr std::string_view kStepsElevenToFifteen =
    "\r\n11. Tighten the tensioner fixing nut and repeat step 9.\r\n\r\n"
    "12. Click Stop and point the microphone at the vertical cylinder's flick position, "
    "shown by the arrow in the next diagram.\r\n\r\n"
    "13. Turn the crankshaft a further 270\xBA (135\xBA on the timing belt drive pulley) "
    "until the vertical cylinder is at TDC.\r\n\r\n"
    "14. Select the vertical cylinder with the Vertical Cyl button, start recording and "
    "repeat steps 9 to 11.\r\n\r\n"
    "15. Refit the spark plugs, the belt covers and any parts removed.";

constexpr std::string_view kNoText{};

struct GuidePage {
    GuideView viewVariant1;        // what the page shows under GuideVariant 1
    GuideView viewVariant0;        // ... and under GuideVariant 0
    std::string_view textVariant1; // empty for a diagram page
    std::string_view textVariant0;
};

constexpr GuideView kText = GuideView::Text;

// Indexed by page.
constexpr std::array<GuidePage, kGuidePageCount> kGuidePages{{
    {kText, kText, kWarning, kWarning},
    {kText, kText, kStepsOneToThree, kStepsOneToThree},
    {GuideView::Pulley, GuideView::Pulley, kNoText, kNoText},
    {kText, kText, kStepsFourToFive, kStepsFourToFive},
    {GuideView::Belts, GuideView::BeltsTwin, kNoText, kNoText},
    {kText, kText, kStepSix, kStepSix},
    {kText, kText, kStepSeven, kStepSeven},
    {kText, kText, kStepsEightToTenCorrectCylinder, kStepsEightToTenHorizontalCylinder},
    {GuideView::Nuts, GuideView::Tool, kNoText, kNoText},
    {kText, kText, kStepsElevenToFifteen, kStepsElevenToFifteen},
    {GuideView::Belts, GuideView::BeltsTwin, kNoText, kNoText},
}};

} // namespace

std::string_view guidePageText(int index, int variant)
{
    if (index < 0 || index >= kGuidePageCount)
        return {};
    const GuidePage& page = kGuidePages[static_cast<std::size_t>(index)];
    return variant == 0 ? page.textVariant0 : page.textVariant1;
}

bool copyGuideText(std::string_view text, char* buffer, std::size_t size)
{
    if (buffer == nullptr || size == 0)
        return !text.empty();
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n < text.size();
}

std::optional<GuideView> loadGuidePage(int index, int variant, char* buffer, std::size_t size)
{
    if (index < 0 || index >= kGuidePageCount)
        return std::nullopt;
    const GuidePage& page = kGuidePages[static_cast<std::size_t>(index)];
    const GuideView view = variant == 0 ? page.viewVariant0 : page.viewVariant1;
    if (view == GuideView::Text)
        copyGuideText(guidePageText(index, variant), buffer, size);
    return view;
}

} // namespace tensikon
