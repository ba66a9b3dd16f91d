// The setting every capture test runs in: the capture thread, a hidden
// window standing in for the measurement panel that counts WM_CAPTURE_DONE,
// the capture's analysis buffer filled with kUntouched, a scripted device
// and a message-box catcher.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "capture/capture.h"
#include "capture/capture_probe.h"
#include "capture/capture_state.h"
#include "core/capture_format.h"
#include "tests/capture/scripted_wave_in_device.h"
#include "tests/support/message_box_catcher.h"

namespace tensikon::test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// What the analysis buffer holds before any capture: no block is made of it.
inline constexpr std::uint8_t kUntouched = 0xA5;

// The capture state's `armed` and `blockCount`, read under its lock.
bool captureArmed();
std::uint8_t captureBlockCount();

// A block of quiet sound (every level below the trigger) marked with `tag`,
// so that a test can tell blocks apart in the analysis buffer.
Bytes quietBlock(std::uint8_t tag);
// A quiet block with a pluck (levels 100 at p, p + 20, p + 40).
Bytes pluckBlock(std::uint8_t tag, std::size_t p = 1001);

Bytes concat(const Bytes& first, const Bytes& second);

class CaptureTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // WM_CAPTURE_DONE messages received by the panel since the last call.
    int takeCaptureDone();
    // Polls (pumping the window's messages) until `done` or the limit.
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 3000ms);
    // Hands back the first queued block and waits until the capture thread
    // has given it back to the device.
    void deliverAndWaitRequeue(const Bytes& sound);
    // Hands back the first queued block and waits until it is retained.
    void deliverAndWaitRetained(const Bytes& sound, std::uint8_t countAfter);
    // The analysis buffer as the panel would read it; empty when none is held.
    static Bytes buffer();
    std::chrono::milliseconds timedStop();

    static HWND panel_;
    ScriptedWaveInDevice device_;
    MessageBoxCatcher boxes_;
};

} // namespace tensikon::test
