// wavein-probe: records from the default wave-in device exactly as the
// program does (WAVE_MAPPER, 16-bit mono 44 100 Hz, two 22 050-byte
// blocks) and reports what arrived, so that a machine's sound path can be
// checked without the program's window.
//
//   wavein-probe [--seconds N] [--out FILE.wav] [--expect TEXT]
//
// It lists the wave-in devices, names the one WAVE_MAPPER opened, prints
// one line per returned block with its time since waveInStart, and writes
// the recorded samples as a WAV file. With --expect it fails (exit 2) when
// the opened device's name does not contain TEXT: Wine falls back to
// another audio driver without a word when the intended one is missing,
// and a recording of silence would look like a working device.
//
// Exit codes: 0 recorded, 1 usage or file error, 2 wrong device, 3 a wave-in
// call failed or no block came back in time.
#include <windows.h>

#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kSampleRate = 44100;
constexpr DWORD kBlockBytes = 22050; // 0.25 s: the program's block size
constexpr DWORD kBlockTimeoutMs = 2000;

struct Options {
    double seconds = 3.0;
    std::string outPath;
    std::string expect;
};

void printMmError(const char* call, MMRESULT result)
{
    std::array<char, MAXERRORLENGTH> text{};
    if (waveInGetErrorTextA(result, text.data(), static_cast<UINT>(text.size())) !=
        MMSYSERR_NOERROR) {
        std::snprintf(text.data(), text.size(), "error %u", static_cast<unsigned>(result));
    }
    std::fprintf(stderr, "wavein-probe: %s failed: %s\n", call, text.data());
}

// Owns an event handle.
class Event {
  public:
    Event() : handle_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~Event()
    {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
        }
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

// Owns an open wave-in device and the two blocks queued on it. The blocks
// belong to the device from waveInAddBuffer until it sets WHDR_DONE; the
// destructor resets the device, which hands every queued block back, and
// only then unprepares them and closes the device.
class Recorder {
  public:
    Recorder() = default;
    ~Recorder() { close(); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool open(HANDLE event);
    bool queueBoth();
    bool start();
    HWAVEIN handle() const { return device_; }
    WAVEHDR& header(std::size_t i) { return headers_[i]; }
    bool requeue(std::size_t i);

  private:
    void close();

    HWAVEIN device_ = nullptr;
    std::array<std::vector<char>, 2> memory_{std::vector<char>(kBlockBytes),
                                             std::vector<char>(kBlockBytes)};
    std::array<WAVEHDR, 2> headers_{};
    std::array<bool, 2> prepared_{};
};

bool Recorder::open(HANDLE event)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = kSampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kSampleRate * 2;
    const MMRESULT r = waveInOpen(&device_, WAVE_MAPPER, &format,
                                  reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) {
        device_ = nullptr;
        printMmError("waveInOpen", r);
        return false;
    }
    return true;
}

bool Recorder::queueBoth()
{
    for (std::size_t i = 0; i < headers_.size(); ++i) {
        headers_[i] = WAVEHDR{};
        headers_[i].lpData = memory_[i].data();
        headers_[i].dwBufferLength = kBlockBytes;
        MMRESULT r = waveInPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR));
        if (r != MMSYSERR_NOERROR) {
            printMmError("waveInPrepareHeader", r);
            return false;
        }
        prepared_[i] = true;
        if (!requeue(i)) {
            return false;
        }
    }
    return true;
}

bool Recorder::requeue(std::size_t i)
{
    const MMRESULT r = waveInAddBuffer(device_, &headers_[i], sizeof(WAVEHDR));
    if (r != MMSYSERR_NOERROR) {
        printMmError("waveInAddBuffer", r);
        return false;
    }
    return true;
}

bool Recorder::start()
{
    const MMRESULT r = waveInStart(device_);
    if (r != MMSYSERR_NOERROR) {
        printMmError("waveInStart", r);
        return false;
    }
    return true;
}

void Recorder::close()
{
    if (device_ == nullptr) {
        return;
    }
    waveInReset(device_);
    for (std::size_t i = 0; i < headers_.size(); ++i) {
        if (prepared_[i]) {
            waveInUnprepareHeader(device_, &headers_[i], sizeof(WAVEHDR));
        }
    }
    waveInClose(device_);
    device_ = nullptr;
}

std::string deviceName(UINT id)
{
    WAVEINCAPSA caps{};
    if (waveInGetDevCapsA(id, &caps, sizeof(caps)) != MMSYSERR_NOERROR) {
        return "?";
    }
    return caps.szPname;
}

void listDevices()
{
    const UINT count = waveInGetNumDevs();
    std::printf("wave-in devices: %u\n", count);
    for (UINT id = 0; id < count; ++id) {
        std::printf("  device %u: %s\n", id, deviceName(id).c_str());
    }
}

// The device the mapper records from. waveInGetID on a mapper handle gives
// no device number under Wine, so the mapper is asked for its preferred
// device, documented as DRVM_MAPPER_PREFERRED_GET (mmddk.h, not in the SDK).
constexpr UINT kMapperPreferredGet = 0x2000 + 21;

bool checkOpenedDevice(const std::string& expect)
{
    DWORD id = 0;
    DWORD flags = 0;
    const MMRESULT r = waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)),
                                     kMapperPreferredGet, reinterpret_cast<DWORD_PTR>(&id),
                                     reinterpret_cast<DWORD_PTR>(&flags));
    if (r != MMSYSERR_NOERROR) {
        printMmError("waveInMessage(DRVM_MAPPER_PREFERRED_GET)", r);
        return expect.empty();
    }
    const std::string name = deviceName(id);
    std::printf("opened device %lu: %s\n", static_cast<unsigned long>(id), name.c_str());
    if (!expect.empty() && name.find(expect) == std::string::npos) {
        std::fprintf(stderr, "wavein-probe: opened \"%s\", expected a device named \"%s\"\n",
                     name.c_str(), expect.c_str());
        return false;
    }
    return true;
}

double millisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Waits (bounded) until block i is back from the device.
bool waitForBlock(Recorder& recorder, std::size_t i, HANDLE event)
{
    const DWORD startTick = GetTickCount();
    while ((recorder.header(i).dwFlags & WHDR_DONE) == 0) {
        const DWORD waited = GetTickCount() - startTick;
        if (waited >= kBlockTimeoutMs) {
            std::fprintf(stderr, "wavein-probe: no block came back within %lu ms\n",
                         static_cast<unsigned long>(kBlockTimeoutMs));
            return false;
        }
        WaitForSingleObject(event, kBlockTimeoutMs - waited);
    }
    return true;
}

// Takes blocks in the order the device fills them until enough arrived.
bool record(Recorder& recorder, HANDLE event, std::size_t wantedBytes, std::vector<char>& samples)
{
    LARGE_INTEGER start{};
    QueryPerformanceCounter(&start);
    if (!recorder.start()) {
        return false;
    }
    for (std::size_t n = 0; samples.size() < wantedBytes; ++n) {
        const std::size_t i = n % 2;
        if (!waitForBlock(recorder, i, event)) {
            return false;
        }
        WAVEHDR& h = recorder.header(i);
        std::printf("block %zu at %.1f ms: %lu bytes\n", n + 1, millisecondsSince(start),
                    static_cast<unsigned long>(h.dwBytesRecorded));
        samples.insert(samples.end(), h.lpData, h.lpData + h.dwBytesRecorded);
        h.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
        if (!recorder.requeue(i)) {
            return false;
        }
    }
    std::fflush(stdout);
    return true;
}

void putLittleEndian(std::FILE* f, std::uint32_t value, int bytes)
{
    for (int k = 0; k < bytes; ++k) {
        std::fputc(static_cast<int>((value >> (8 * k)) & 0xFF), f);
    }
}

bool writeWav(const std::string& path, const std::vector<char>& samples)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "wavein-probe: cannot write %s\n", path.c_str());
        return false;
    }
    const auto size = static_cast<std::uint32_t>(samples.size());
    std::fputs("RIFF", f);
    putLittleEndian(f, 36 + size, 4);
    std::fputs("WAVEfmt ", f);
    putLittleEndian(f, 16, 4);
    putLittleEndian(f, WAVE_FORMAT_PCM, 2);
    putLittleEndian(f, 1, 2);
    putLittleEndian(f, kSampleRate, 4);
    putLittleEndian(f, kSampleRate * 2, 4);
    putLittleEndian(f, 2, 2);
    putLittleEndian(f, 16, 2);
    std::fputs("data", f);
    putLittleEndian(f, size, 4);
    const bool written = std::fwrite(samples.data(), 1, samples.size(), f) == samples.size();
    return std::fclose(f) == 0 && written;
}

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seconds" && hasValue) {
            options.seconds = std::atof(argv[++i]);
        } else if (arg == "--out" && hasValue) {
            options.outPath = argv[++i];
        } else if (arg == "--expect" && hasValue) {
            options.expect = argv[++i];
        } else {
            return false;
        }
    }
    return options.seconds > 0.0 && options.seconds <= 600.0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: wavein-probe [--seconds N (0..600)] [--out FILE.wav] [--expect TEXT]\n");
        return 1;
    }
    listDevices();
    Event event;
    Recorder recorder;
    if (event.get() == nullptr || !recorder.open(event.get())) {
        return 3;
    }
    if (!checkOpenedDevice(options.expect)) {
        return 2;
    }
    const auto wanted = static_cast<std::size_t>(options.seconds * kSampleRate) * 2;
    std::vector<char> samples;
    if (!recorder.queueBoth() || !record(recorder, event.get(), wanted, samples)) {
        return 3;
    }
    if (!options.outPath.empty() && !writeWav(options.outPath, samples)) {
        return 1;
    }
    return 0;
}
