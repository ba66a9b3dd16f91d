#include "tools/analyze/wav_input.h"

#include <algorithm>
#include <filesystem>

namespace tensikon::analyze {

namespace {

constexpr std::size_t kWindowBytes = 64 * 1024;
constexpr std::size_t kPieceBytes = 1024 * 1024;

// The name as UTF-8, which on Windows becomes the UTF-16 name the file
// system knows rather than one in the ANSI code page.
std::filesystem::path pathFromUtf8(const std::string& path)
{
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

} // namespace

bool WavFileSource::open(const std::string& path, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file = pathFromUtf8(path);
    const fs::file_status status = fs::status(file, ec);
    if (!fs::exists(status)) {
        error = "cannot open: no such file";
        return false;
    }
    if (fs::is_directory(status)) {
        error = "is a folder, a WAV file is needed";
        return false;
    }
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec) {
        error = "cannot read its size: " + ec.message();
        return false;
    }
    in_.open(file, std::ios::binary);
    if (!in_) {
        error = "cannot open: permission denied or not a regular file";
        return false;
    }
    size_ = size;
    return true;
}

bool WavFileSource::fill(std::vector<std::uint8_t>& into, std::uint64_t offset, std::size_t n)
{
    into.resize(n);
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(reinterpret_cast<char*>(into.data()), static_cast<std::streamsize>(n));
    if (static_cast<std::size_t>(in_.gcount()) == n)
        return true;
    into.clear();
    return false;
}

bool WavFileSource::read(std::uint64_t offset, std::span<std::uint8_t> out)
{
    if (offset > size_ || out.size() > size_ - offset)
        return false;
    const bool inWindow =
        offset >= windowStart_ && offset - windowStart_ + out.size() <= window_.size();
    if (!inWindow) {
        windowStart_ = offset;
        const auto n = static_cast<std::size_t>(
            std::min<std::uint64_t>(std::max(kWindowBytes, out.size()), size_ - offset));
        if (!fill(window_, offset, n))
            return false;
    }
    const auto from = window_.begin() + static_cast<std::ptrdiff_t>(offset - windowStart_);
    std::copy(from, from + static_cast<std::ptrdiff_t>(out.size()), out.begin());
    return true;
}

bool WavFileSource::stream(std::uint64_t offset, std::uint64_t length, std::size_t frameBytes,
                           const std::function<bool(std::span<const std::uint8_t>)>& take)
{
    const std::size_t pieceBytes = kPieceBytes - kPieceBytes % frameBytes;
    while (length > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(pieceBytes, length));
        if (!fill(piece_, offset, n))
            return false;
        if (!take(piece_))
            return true;
        offset += n;
        length -= n;
    }
    return true;
}

} // namespace tensikon::analyze
