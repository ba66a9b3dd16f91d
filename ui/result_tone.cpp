#include "ui/result_tone.h"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "core/capture_format.h"
#include "tools/analyze/wav_file.h"
#include "ui/measurement_state.h"

namespace tensikon {

namespace {

// A tone of the capture's own format: 16-bit mono at 44 100 Hz.
struct Tone {
    double hz;
    int milliseconds;
};
// Both end well before the shortest hold time (0.5 s) has passed, so the
// next capture never listens to the program's own tone.
constexpr Tone kHighTone{1320.0, 120};
constexpr Tone kLowTone{330.0, 250};
// Soft ends, 10 ms: a tone switched on or off at full level clicks.
constexpr int kRampSamples = static_cast<int>(kSampleRate / 100);
constexpr double kLevel = 0.35 * 32767.0;

// A whole WAV file of one sine tone.
std::vector<std::uint8_t> toneWav(Tone tone)
{
    const int samples = static_cast<int>(kSampleRate) * tone.milliseconds / 1000;
    std::vector<std::uint8_t> pcm;
    pcm.reserve(2 * static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        const double envelope =
            std::min({1.0, double(i) / kRampSamples, double(samples - i) / kRampSamples});
        const double phase = 2.0 * std::numbers::pi * tone.hz * i / kSampleRate;
        const auto v = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(std::lround(kLevel * envelope * std::sin(phase))));
        pcm.push_back(static_cast<std::uint8_t>(v & 0xFF));
        pcm.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return makeWav(pcm);
}

// Played asynchronously from memory: both must outlive any tone in progress,
// so they live as long as the program.
const std::vector<std::uint8_t>& highTone()
{
    static const std::vector<std::uint8_t> wav = toneWav(kHighTone);
    return wav;
}

const std::vector<std::uint8_t>& lowTone()
{
    static const std::vector<std::uint8_t> wav = toneWav(kLowTone);
    return wav;
}

} // namespace

void playResultTone(ReadingVerdict verdict)
{
    if (verdict == ReadingVerdict::NoReading || !measurementState().soundOnResult)
        return;
    const auto& wav = verdict == ReadingVerdict::InRange ? highTone() : lowTone();
    PlaySoundW(reinterpret_cast<LPCWSTR>(wav.data()), nullptr,
               SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
}

} // namespace tensikon
