#include "ui/result_tone.h"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "resources/resource.h"
#include "ui/shell_state.h"

namespace tensikon {

namespace {

constexpr int kToneRate = 22050;
// Both tones end well before the shortest hold time (0.5 s) has passed, so
// the next capture never listens to the program's own tone.
constexpr double kHighHz = 1320.0;
constexpr int kHighMs = 120;
constexpr double kLowHz = 330.0;
constexpr int kLowMs = 250;
// Soft ends: a tone switched on or off at full level clicks.
constexpr int kRampMs = 10;
constexpr double kLevel = 0.35 * 32767.0;

void putLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A whole WAV file (16-bit mono PCM) of one sine tone.
std::vector<std::uint8_t> toneWav(double hz, int milliseconds)
{
    const int samples = kToneRate * milliseconds / 1000;
    const int ramp = kToneRate * kRampMs / 1000;
    const auto dataBytes = static_cast<std::uint32_t>(2 * samples);
    std::vector<std::uint8_t> wav{'R', 'I', 'F', 'F'};
    putLittleEndian(wav, 36 + dataBytes, 4);
    for (const char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '})
        wav.push_back(static_cast<std::uint8_t>(c));
    putLittleEndian(wav, 16, 4);
    putLittleEndian(wav, 1, 2); // PCM
    putLittleEndian(wav, 1, 2); // mono
    putLittleEndian(wav, kToneRate, 4);
    putLittleEndian(wav, 2 * kToneRate, 4);
    putLittleEndian(wav, 2, 2);
    putLittleEndian(wav, 16, 2);
    for (const char c : {'d', 'a', 't', 'a'})
        wav.push_back(static_cast<std::uint8_t>(c));
    putLittleEndian(wav, dataBytes, 4);
    for (int i = 0; i < samples; ++i) {
        const double envelope = std::min({1.0, double(i) / ramp, double(samples - i) / ramp});
        const double v = kLevel * envelope * std::sin(2.0 * std::numbers::pi * hz * i / kToneRate);
        putLittleEndian(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v))),
                        2);
    }
    return wav;
}

// Played asynchronously from memory: both must outlive any tone in progress,
// so they live as long as the program.
const std::vector<std::uint8_t>& highTone()
{
    static const std::vector<std::uint8_t> wav = toneWav(kHighHz, kHighMs);
    return wav;
}

const std::vector<std::uint8_t>& lowTone()
{
    static const std::vector<std::uint8_t> wav = toneWav(kLowHz, kLowMs);
    return wav;
}

// The menu item's check mark is the setting: off at every start.
bool soundOnResult()
{
    const UINT state = GetMenuState(GetMenu(shell.mainWindow), IDM_SOUND_ON_RESULT, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

} // namespace

void playResultTone(ReadingVerdict verdict)
{
    if (verdict == ReadingVerdict::NoReading || !soundOnResult())
        return;
    const auto& wav = verdict == ReadingVerdict::InRange ? highTone() : lowTone();
    PlaySoundW(reinterpret_cast<LPCWSTR>(wav.data()), nullptr,
               SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
}

} // namespace tensikon
