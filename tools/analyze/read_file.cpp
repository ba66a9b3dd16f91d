#include "tools/analyze/read_file.h"

#include <filesystem>
#include <fstream>

#include "core/wav_file.h"

namespace tensikon::analyze {

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(path);
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
    // Larger files cannot be WAV files; refuse them before reserving memory.
    if (size > kMaxWavFileBytes) {
        error = "the file holds " + std::to_string(size) +
                " bytes, more than a WAV file can describe (4 GiB)";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "cannot open: permission denied or not a regular file";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    // A file that shrank while being read is parsed as far as it was read.
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return true;
}

} // namespace tensikon::analyze
