#include "tests/bench/ten_minutes.h"

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/capture_format.h"
#include "core/wav_file.h"

namespace tensikon::bench {

namespace {

constexpr std::size_t kSeconds = 600;
constexpr std::size_t kPluckEvery = 44100 * 7 + 12345; // about 7.3 s, moving across blocks
constexpr std::size_t kRingSamples = 44100;            // each pluck rings for a second
constexpr double kPi = 3.14159265358979323846;

void putSample(std::vector<std::uint8_t>& pcm, std::size_t n, int value)
{
    const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
    pcm[2 * n] = static_cast<std::uint8_t>(u & 0xFF);
    pcm[2 * n + 1] = static_cast<std::uint8_t>(u >> 8);
}

} // namespace

std::vector<std::uint8_t> tenMinuteRecording()
{
    const std::size_t samples = kSeconds * kSampleRate;
    std::vector<std::uint8_t> pcm(2 * samples);
    std::uint32_t noise = 99;
    for (std::size_t n = 0; n < samples; ++n) {
        noise = noise * 1664525u + 1013904223u;
        putSample(pcm, n, static_cast<int>(noise >> 24) - 128);
    }
    int belt = 0;
    for (std::size_t at = kPluckEvery; at + kRingSamples < samples; at += kPluckEvery, ++belt) {
        const double hz = 100.0 + 10.0 * (belt % 6);
        for (std::size_t k = 0; k < kRingSamples; ++k) {
            const double t = static_cast<double>(k) / kSampleRate;
            putSample(pcm, at + k,
                      static_cast<int>(30000 * std::exp(-t / 0.25) * std::cos(2 * kPi * hz * t)));
        }
    }
    return makeWav(pcm);
}

const std::string& tenMinuteFile()
{
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "tensikon-bench-ten-minutes.wav";
        const std::vector<std::uint8_t> wav = tenMinuteRecording();
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(wav.data()),
                  static_cast<std::streamsize>(wav.size()));
        return file.string();
    }();
    return path;
}

} // namespace tensikon::bench
