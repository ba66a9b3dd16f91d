// The format of a capture and the pluck test.
//
// Every amplitude decision looks only at a sample's SampleLevel: the signed
// high byte of a 16-bit little-endian sample, found at the odd byte offset
// 2k + 1. All offsets here are byte offsets from the start of a block or of
// the analysis buffer, and every offset the scans visit is odd.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tensikon {

// One block the wave-in device fills: 11 025 samples, 0.25 s at 44 100 Hz.
inline constexpr std::size_t kCaptureBlockBytes = 22050;
// The pluck's block followed by the block after it: 0.5 s of unbroken sound.
inline constexpr std::size_t kAnalysisBufferBytes = 2 * kCaptureBlockBytes;

inline constexpr std::uint32_t kSampleRate = 44100;
inline constexpr std::uint16_t kBitsPerSample = 16;
inline constexpr std::uint16_t kChannels = 1;

// Units: bytes of the capture, samples and seconds, converted here only.
inline constexpr std::size_t kBytesPerSample = kBitsPerSample / 8 * kChannels;
inline constexpr double kBytesPerSecond = double(kBytesPerSample) * kSampleRate;
// The span of three periods of a 1 Hz tone: the crossing count's unit.
inline constexpr double kBytesInThreePeriodsOf1Hz = 3 * kBytesPerSecond;

// The sample that holds the byte at `byteOffset` (a SampleLevel's odd
// offset, for one).
constexpr std::size_t sampleIndexOf(std::size_t byteOffset)
{
    return byteOffset / kBytesPerSample;
}
constexpr std::size_t samplesIn(std::size_t bytes)
{
    return bytes / kBytesPerSample;
}
constexpr double secondsOf(std::size_t bytes)
{
    return double(bytes) / kBytesPerSecond;
}
// Whole milliseconds of sound in `bytes`, truncated.
constexpr std::uint32_t millisecondsOf(std::size_t bytes)
{
    return static_cast<std::uint32_t>(1000 * bytes / (kBytesPerSample * kSampleRate));
}

// A level of 96 is a sample of 24576 or more; -96 a sample of -24321 or less.
inline constexpr int kTriggerLevel = 96;
// The three levels of one trigger test lie 10 samples apart.
inline constexpr std::size_t kTriggerStride = 20;
// Both scans test every tenth sample, starting with sample 0.
inline constexpr std::size_t kScanStep = 20;
inline constexpr std::size_t kFirstScanOffset = 1;
// findPluck's last offset: its third level is read at 44 081.
inline constexpr std::size_t kLastBufferScanOffset = 44060;

using AnalysisBuffer = std::span<const std::uint8_t, kAnalysisBufferBytes>;

// The signed high byte at an odd offset. The caller keeps offset inside bytes.
inline int SampleLevel(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return static_cast<std::int8_t>(bytes[offset]);
}

// Sample k (not a byte offset) at full 16-bit resolution, for the analyses
// that look past the levels. The caller keeps 2k + 1 inside bytes.
inline int sampleAt(std::span<const std::uint8_t> bytes, std::size_t k)
{
    return static_cast<std::int16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
}

// True when the levels at p, p + 20 and p + 40 are all >= 96 or all <= -96.
// The level at p is read first; when it is quiet the other two are not read.
// The caller guarantees p + 40 < bytes.size().
bool TriggerTest(std::span<const std::uint8_t> bytes, std::size_t p);

// The live scan of one returned block. Only the first recordedBytes bytes are
// looked at (never more than the block holds), so a block cut short by a
// device reset is scanned only as far as it was filled.
bool blockHasPluck(std::span<const std::uint8_t> block, std::size_t recordedBytes);

// The same scan, giving the offset at which it fires.
std::optional<std::size_t> pluckInBlock(std::span<const std::uint8_t> block,
                                        std::size_t recordedBytes);

// A full block in which every sample is exactly zero: digital silence. A live
// microphone's noise floor moves the lowest bits even in a quiet room, so
// only a muted input, or one the system denies the program, delivers it.
// Whole samples are tested, not levels: a live microphone with a small
// offset can keep every level at 0.
bool blockIsDigitalSilence(std::span<const std::uint8_t> block, std::size_t recordedBytes);

// The scan of the whole analysis buffer: the first offset where TriggerTest
// holds, or nothing when the buffer holds no pluck.
std::optional<std::size_t> findPluck(AnalysisBuffer buffer);

} // namespace tensikon
