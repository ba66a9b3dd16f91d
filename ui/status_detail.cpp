#include "ui/status_detail.h"

#include <cmath>
#include <cstdio>

#include "core/capture_format.h"

namespace tensikon {

namespace {

constexpr double kFullScale = 32768.0;

// What each test needs, in dB under full scale: the level test three samples
// at its threshold (-2.5 dB), the automatic one a sharp rise reaching -30 dB.
std::string pluckTestNeeds(PluckTest test)
{
    char text[48];
    if (test == PluckTest::Automatic)
        std::snprintf(text, sizeof text, "pluck test: a sharp rise to %.0f dB",
                      20 * std::log10(kOnsetLeastPeak / kFullScale));
    else
        std::snprintf(text, sizeof text, "pluck test %.1f dB",
                      20 * std::log10(kTriggerLevel * 256 / kFullScale));
    return text;
}

std::string inputLevelText(int peak, PluckTest test)
{
    if (peak == 0)
        return "Input: no sound yet (" + pluckTestNeeds(test) + ")";
    char text[32];
    std::snprintf(text, sizeof text, "Input peak %ld dB", std::lround(peakDbfs(peak)));
    return std::string(text) + " (" + pluckTestNeeds(test) + ")";
}

} // namespace

std::string statusDetailText(const StatusDetail& detail, PluckTest test)
{
    switch (detail.kind) {
    case DetailKind::InputLevel:
        return inputLevelText(detail.peak, test);
    case DetailKind::PluckBelowLevel:
        return "Pluck heard but below the trigger level: turn the volume up (guide, step 7) or "
               "choose Settings > Pluck Detection > Automatic";
    case DetailKind::NoReading:
        return std::string("No reading: ") + reasonText(detail.reason);
    case DetailKind::None:
        break;
    }
    return {};
}

} // namespace tensikon
