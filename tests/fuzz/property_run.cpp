// A bounded stand-in for libFuzzer, for machines and CI runs without it:
// feeds a fuzz target its seeds and many inputs mutated from them, from a
// fixed random seed, until a number of runs or seconds is reached. Each
// input sits in a heap block of exactly its size, so that AddressSanitizer
// reports any read past it. The same seed gives the same inputs, so a
// failure is reproduced by running again with the options it printed.
//   property_run [--runs N] [--seconds S] [--seed X] [--write-seeds DIR]
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "tests/fuzz/fuzz_target.h"

namespace {

using tensikon::fuzz::Input;
using Rng = std::mt19937_64;

std::size_t below(Rng& rng, std::size_t n)
{
    return n == 0 ? 0 : static_cast<std::size_t>(rng() % n);
}

// Values that sit on the edges of sizes, levels and thresholds.
std::uint32_t interesting(Rng& rng, std::size_t size)
{
    const std::uint32_t values[] = {0,
                                    1,
                                    2,
                                    3,
                                    16,
                                    17,
                                    40,
                                    44,
                                    0x60,
                                    0x7F,
                                    0x80,
                                    0xA0,
                                    0xFF,
                                    0x7FFF,
                                    0x8000,
                                    0xFFFF,
                                    0x7FFFFFFF,
                                    0x80000000,
                                    0xFFFFFFFF,
                                    0xFFFFFFFE,
                                    static_cast<std::uint32_t>(size),
                                    static_cast<std::uint32_t>(size - 8),
                                    static_cast<std::uint32_t>(size + 1),
                                    static_cast<std::uint32_t>(size - 44)};
    return values[below(rng, std::size(values))];
}

// One byte, bit or little-endian field changed in place.
void changeBytes(Input& b, Rng& rng, std::size_t at)
{
    if (b.empty())
        return;
    switch (below(rng, 3)) {
    case 0:
        b[at] ^= static_cast<std::uint8_t>(1u << below(rng, 8));
        break;
    case 1:
        b[at] = static_cast<std::uint8_t>(interesting(rng, b.size()));
        break;
    default: { // a 16- or 32-bit field set to an edge value
        const std::uint32_t v = interesting(rng, b.size());
        for (std::size_t i = 0; i < 4 && at + i < b.size(); ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    }
}

// Cut short, bytes put in, or a stretch taken out.
void changeLength(Input& b, Rng& rng, std::size_t at, std::size_t maxBytes)
{
    switch (below(rng, 3)) {
    case 0:
        b.resize(below(rng, b.size() + 1));
        break;
    case 1:
        for (std::size_t n = 1 + below(rng, 16); n > 0 && b.size() < maxBytes; --n)
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(std::min(at, b.size())),
                     static_cast<std::uint8_t>(rng()));
        break;
    default: {
        const std::size_t n = std::min(b.size() - std::min(at, b.size()), 1 + below(rng, 64));
        b.erase(b.begin() + static_cast<std::ptrdiff_t>(at),
                b.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    }
}

// A stretch of one byte value, in every byte or every other one: steps,
// silences and loud runs of levels.
void fillStretch(Input& b, Rng& rng, std::size_t at)
{
    const std::size_t n = std::min(b.size() - std::min(at, b.size()), 1 + below(rng, 4000));
    const auto v = static_cast<std::uint8_t>(rng());
    const std::size_t stride = 1 + below(rng, 2);
    for (std::size_t i = 0; i < n; i += stride)
        b[at + i] = v;
}

void mutateOnce(Input& b, Rng& rng, std::size_t maxBytes)
{
    const std::size_t at = below(rng, b.size());
    switch (below(rng, 7)) {
    case 0:
    case 1:
    case 2:
        changeBytes(b, rng, at);
        break;
    case 3:
    case 4:
    case 5:
        changeLength(b, rng, at, maxBytes);
        break;
    default:
        fillStretch(b, rng, at);
    }
}

Input nextInput(const std::vector<Input>& seeds, Rng& rng, std::size_t maxBytes)
{
    if (below(rng, 16) == 0) { // now and then pure noise of any length
        Input noise(below(rng, maxBytes + 1));
        for (std::uint8_t& byte : noise)
            byte = static_cast<std::uint8_t>(rng());
        return noise;
    }
    Input b = seeds[below(rng, seeds.size())];
    const std::size_t rounds = 1 + below(rng, 8);
    for (std::size_t i = 0; i < rounds; ++i)
        mutateOnce(b, rng, maxBytes);
    return b;
}

void runOne(const Input& input)
{
    // Exactly sized, never empty, so that a read one past the end is caught.
    const auto block = std::make_unique<std::uint8_t[]>(std::max<std::size_t>(input.size(), 1));
    std::copy(input.begin(), input.end(), block.get());
    LLVMFuzzerTestOneInput(block.get(), input.size());
}

bool writeSeeds(const std::vector<Input>& seeds, const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream out(dir / ("seed-" + std::to_string(i)), std::ios::binary);
        out.write(reinterpret_cast<const char*>(seeds[i].data()),
                  static_cast<std::streamsize>(seeds[i].size()));
        if (!out)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    long long runs = 20000;
    double seconds = 10;
    unsigned long long seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--runs")
            runs = std::stoll(argv[i + 1]);
        else if (option == "--seconds")
            seconds = std::stod(argv[i + 1]);
        else if (option == "--seed")
            seed = std::stoull(argv[i + 1]);
        else if (option == "--write-seeds")
            return writeSeeds(tensikon::fuzz::seeds(), argv[i + 1]) ? 0 : 1;
    }
    const std::vector<Input> seeds = tensikon::fuzz::seeds();
    for (const Input& s : seeds)
        runOne(s);
    Rng rng(seed);
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::duration<double>(seconds);
    long long done = 0;
    while (done < runs && std::chrono::steady_clock::now() - start < limit) {
        runOne(nextInput(seeds, rng, tensikon::fuzz::maxInputBytes()));
        ++done;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%lld mutated inputs and %zu seeds in %.1f s (--seed %llu): every property held\n",
                done, seeds.size(), took.count(), seed);
    return 0;
}
