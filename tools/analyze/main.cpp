// tensikon-analyze: the measurement of Tensikon run on a WAV recording.
// Everything it knows about plucks and frequencies comes from core/; this
// file only wires the command line, the file and the output together.
#include <iostream>
#include <string_view>
#include <vector>

#include "tools/analyze/capture_stream.h"
#include "tools/analyze/options.h"
#include "tools/analyze/recording_scan.h"
#include "tools/analyze/report.h"
#include "tools/analyze/wav_file.h"
#include "tools/analyze/wav_input.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr int kExitBadInput = 2;

int fail(const std::string& message)
{
    std::cerr << "tensikon-analyze: " << message << '\n';
    return kExitBadInput;
}

std::string channelCheck(const tensikon::analyze::Options& options, std::uint16_t channels)
{
    if (!options.channel || *options.channel < channels)
        return {};
    return "--channel " + std::to_string(*options.channel + 1) + " is not there: the file has " +
           std::to_string(channels) + (channels == 1 ? " channel" : " channels");
}

// The measurement of one file: its header first, then its sound, streamed
// and brought to the capture's format until the scan needs no more.
int analyzeFile(const tensikon::analyze::Options& options)
{
    using namespace tensikon;
    analyze::WavFileSource file;
    std::string error;
    if (!file.open(options.file, error))
        return fail(options.file + ": " + error);
    const WavHeader header = readWavLayout(file);
    if (!header.layout)
        return fail(options.file + ": " + header.error);
    const WavLayout& layout = *header.layout;
    if (std::string e = channelCheck(options, layout.format.channels); !e.empty())
        return fail(options.file + ": " + e);
    if (!options.json) {
        for (const std::string& warning : header.warnings)
            std::cerr << "tensikon-analyze: " << options.file << ": warning: " << warning << '\n';
    }

    RecordingScanner scanner(options.all, analyze::holdBlocks(options), options.pluckTest);
    analyze::CaptureStream capture(layout.format, options.channel);
    std::size_t pcmBytes = 0;
    const auto scan = [&](std::span<const std::uint8_t> pcm) {
        pcmBytes += pcm.size();
        scanner.feed(pcm);
        return !scanner.done();
    };
    const bool read = file.stream(
        layout.dataOffset, layout.dataBytes, layout.format.blockAlign,
        [&](std::span<const std::uint8_t> frames) { return scan(capture.convert(frames)); });
    if (!read)
        return fail(options.file +
                    ": cannot read the sound: the file ended early or a read failed");
    if (!scanner.done())
        scan(capture.finish());
    scanner.finish();
    if (options.json)
        analyze::printJson(std::cout, scanner.captures(), options, header.warnings);
    else
        analyze::printText(std::cout, scanner.captures(), options, pcmBytes);
    std::cout.flush();
    return analyze::exitStatusFor(scanner.captures());
}

int run(const std::vector<std::string_view>& args)
{
    using namespace tensikon::analyze;
    const ParsedOptions parsed = parseOptions(args);
    if (parsed.options.help) {
        std::cout << helpText();
        return 0;
    }
    if (!parsed.error.empty())
        return fail(parsed.error);
    return analyzeFile(parsed.options);
}

} // namespace

#ifdef _WIN32
// The wide entry point: arguments arrive as UTF-16 whatever the system's
// code page, so a file named in any script reaches the program intact. They
// are kept as UTF-8 from here on, and files are opened by their UTF-16 name.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> utf8;
    for (int i = 1; i < argc; ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(n > 0 ? static_cast<std::size_t>(n) : 1u, '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arg.data(), n, nullptr, nullptr);
        arg.pop_back(); // the terminating zero
        utf8.push_back(std::move(arg));
    }
    return run(std::vector<std::string_view>(utf8.begin(), utf8.end()));
}
#else
int main(int argc, char** argv)
{
    return run(std::vector<std::string_view>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
#endif
