// What a fuzz target offers: libFuzzer's entry point, plus the seeds and the
// size limit that the bounded property run (property_run.cpp) mutates from.
// Built with libFuzzer, the same entry point is driven by coverage instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace tensikon::fuzz {

using Input = std::vector<std::uint8_t>;

// Sound inputs to start mutating from.
std::vector<Input> seeds();

// The largest input worth generating.
std::size_t maxInputBytes();

// A broken property: say which, and crash so that either driver stops on it.
inline void check(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz property broken: %s\n", property);
        std::abort();
    }
}

} // namespace tensikon::fuzz
