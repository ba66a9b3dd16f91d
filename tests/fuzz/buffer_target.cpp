#include "tests/fuzz/buffer_target.h"

#include <algorithm>

namespace tensikon::fuzz {

std::size_t maxInputBytes()
{
    return kAnalysisBufferBytes;
}

} // namespace tensikon::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> buffer(tensikon::kAnalysisBufferBytes, 0);
    std::copy_n(data, std::min(size, buffer.size()), buffer.begin());
    tensikon::fuzz::checkBuffer(tensikon::AnalysisBuffer(buffer.data(), buffer.size()));
    return 0;
}
