#include "tools/bench/ten_minutes.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>

#include "core/capture_format.h"
#include "tools/analyze/wav_file.h"

namespace tensikon::bench {

namespace {

constexpr std::size_t kSeconds = 600;
constexpr std::size_t kPluckEvery = 44100 * 7 + 12345; // about 7.3 s, moving across blocks
constexpr std::size_t kRingSamples = 44100;            // each pluck rings for a second

void putSample(std::vector<std::uint8_t>& pcm, std::size_t frame, std::uint16_t channels, int value)
{
    const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
    for (std::size_t c = 0; c < channels; ++c) {
        pcm[2 * (frame * channels + c)] = static_cast<std::uint8_t>(u & 0xFF);
        pcm[2 * (frame * channels + c) + 1] = static_cast<std::uint8_t>(u >> 8);
    }
}

// makeWav's file with the rate and channel count in its fmt chunk changed.
std::vector<std::uint8_t> wavOf(const std::vector<std::uint8_t>& pcm, std::uint32_t rate,
                                std::uint16_t channels)
{
    std::vector<std::uint8_t> wav = makeWav(pcm);
    const auto put = [&wav](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(22, channels, 2);
    put(24, rate, 4);
    put(28, rate * 2u * channels, 4);
    put(32, 2u * channels, 2);
    return wav;
}

const std::string& written(const std::string& name, std::uint32_t rate, std::uint16_t channels)
{
    static std::map<std::string, std::string> paths;
    auto [it, fresh] = paths.emplace(name, "");
    if (fresh) {
        const auto file = std::filesystem::temp_directory_path() / name;
        const std::vector<std::uint8_t> wav = tenMinuteRecording(rate, channels);
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(wav.data()),
                  static_cast<std::streamsize>(wav.size()));
        it->second = file.string();
    }
    return it->second;
}

} // namespace

std::vector<std::uint8_t> tenMinuteRecording(std::uint32_t rate, std::uint16_t channels)
{
    const std::size_t samples = kSeconds * rate;
    std::vector<std::uint8_t> pcm(2 * samples * channels);
    std::uint32_t noise = 99;
    for (std::size_t n = 0; n < samples; ++n) {
        noise = noise * 1664525u + 1013904223u;
        putSample(pcm, n, channels, static_cast<int>(noise >> 24) - 128);
    }
    const std::size_t every = kPluckEvery * rate / kSampleRate;
    const std::size_t ring = kRingSamples * rate / kSampleRate;
    int belt = 0;
    for (std::size_t at = every; at + ring < samples; at += every, ++belt) {
        const double hz = 100.0 + 10.0 * (belt % 6);
        for (std::size_t k = 0; k < ring; ++k) {
            const double t = static_cast<double>(k) / rate;
            putSample(pcm, at + k, channels,
                      static_cast<int>(30000 * std::exp(-t / 0.25) *
                                       std::cos(2 * std::numbers::pi * hz * t)));
        }
    }
    return wavOf(pcm, rate, channels);
}

const std::string& tenMinuteFile()
{
    return written("tensikon-bench-ten-minutes.wav", kSampleRate, 1);
}

const std::string& tenMinuteFile48kStereo()
{
    return written("tensikon-bench-ten-minutes-48k-stereo.wav", 48000, 2);
}

void removeTenMinuteFiles()
{
    std::error_code ignored;
    for (const char* name :
         {"tensikon-bench-ten-minutes.wav", "tensikon-bench-ten-minutes-48k-stereo.wav"})
        std::filesystem::remove(std::filesystem::temp_directory_path() / name, ignored);
}

} // namespace tensikon::bench
