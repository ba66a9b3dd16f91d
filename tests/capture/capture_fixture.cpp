#include "tests/capture/capture_fixture.h"

#include <cstring>

#include "resources/resource.h"

namespace tensikon::test {

bool captureArmed()
{
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    return s.armed;
}

std::uint8_t captureBlockCount()
{
    CaptureState& s = captureState();
    std::lock_guard guard(s.lock);
    return s.blockCount;
}

namespace {

int captureDoneCount = 0;

LRESULT CALLBACK panelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CAPTURE_DONE) {
        ++captureDoneCount;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createPanel()
{
    WNDCLASSA cls{};
    cls.lpfnWndProc = panelProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "TensikonCapturePanel";
    RegisterClassA(&cls);
    return CreateWindowA(cls.lpszClassName, "panel", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                         nullptr, cls.hInstance, nullptr);
}

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

HWND CaptureTest::panel_ = nullptr;

Bytes quietBlock(std::uint8_t tag)
{
    Bytes b(kCaptureBlockBytes);
    for (std::size_t i = 0; i < b.size(); ++i) {
        // low bytes carry the tag, levels stay between 0 and 63
        b[i] = (i % 2 == 0) ? tag : static_cast<std::uint8_t>((tag + i / 2) % 64);
    }
    return b;
}

Bytes pluckBlock(std::uint8_t tag, std::size_t p)
{
    Bytes b = quietBlock(tag);
    b[p] = b[p + 20] = b[p + 40] = 100;
    return b;
}

Bytes concat(const Bytes& first, const Bytes& second)
{
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    return both;
}

void CaptureTest::SetUpTestSuite()
{
    ASSERT_NE(startCaptureThread(), 0u);
    ASSERT_EQ(startCaptureThread(), captureThreadId()) << "one capture thread per process";
    if (panel_ == nullptr) {
        panel_ = createPanel();
    }
    ASSERT_NE(panel_, nullptr);
}

void CaptureTest::SetUp()
{
    ASSERT_TRUE(
        attachCapture(panel_, [](UINT flags, SIZE_T bytes) { return GlobalAlloc(flags, bytes); }));
    std::memset(analysisBuffer(), kUntouched, kAnalysisBufferBytes);
    useWaveInDevice(&device_);
    pump();
    captureDoneCount = 0;
}

void CaptureTest::TearDown()
{
    stopRecording(nullptr);
    detachCapture();
    useWaveInDevice(nullptr);
    EXPECT_EQ(device_.releasedWhileQueued(), 0);
    EXPECT_EQ(device_.addsAfterReset(), 0);
    EXPECT_EQ(device_.wrongHeaderSizes(), 0);
    EXPECT_EQ(device_.releasedTwice(), 0);
    EXPECT_EQ(device_.releasedHeadersUsed(), 0);
    pump();
}

Bytes CaptureTest::buffer()
{
    const std::uint8_t* held = analysisBuffer();
    return held != nullptr ? Bytes(held, held + kAnalysisBufferBytes) : Bytes{};
}

int CaptureTest::takeCaptureDone()
{
    pump();
    const int count = captureDoneCount;
    captureDoneCount = 0;
    return count;
}

bool CaptureTest::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        pump();
        Sleep(1);
    }
    return true;
}

void CaptureTest::deliverAndWaitRequeue(const Bytes& sound)
{
    const std::size_t queued = device_.queuedBlocks();
    ASSERT_TRUE(device_.deliver(sound).has_value());
    ASSERT_TRUE(waitUntil([&] { return device_.queuedBlocks() == queued; }))
        << "the block did not go back to the device";
}

void CaptureTest::deliverAndWaitRetained(const Bytes& sound, std::uint8_t countAfter)
{
    ASSERT_TRUE(device_.deliver(sound).has_value());
    ASSERT_TRUE(waitUntil([&] { return captureBlockCount() == countAfter; }))
        << "the block was not retained";
}

std::chrono::milliseconds CaptureTest::timedStop()
{
    const auto begin = std::chrono::steady_clock::now();
    stopRecording(panel_);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 begin);
}

} // namespace tensikon::test
