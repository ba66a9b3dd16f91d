// Thousands of randomized recordings against a scripted device that records
// on a thread of its own: plucks in random blocks at random offsets, stops at
// random moments (also while the capture thread is inside a give-back),
// resets that hand blocks back with random counts, give-backs that fail.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <random>
#include <thread>

#include "tests/capture/capture_fixture.h"

namespace tensikon::test {
namespace {

constexpr int kRecordings = 2000;

struct Plan {
    int pluckAt = -1;       // index of the delivered block that holds the pluck
    std::size_t offset = 1; // where in that block
    int budget = 0;         // blocks the device may fill before it waits
};

// Plays the microphone: fills queued blocks as fast as the capture gives
// them back, up to the plan's budget.
class Microphone {
  public:
    explicit Microphone(ScriptedWaveInDevice& device) : device_(device), thread_([this] { run(); })
    {
    }
    ~Microphone()
    {
        stop_ = true;
        thread_.join();
    }
    void setPlan(const Plan& plan)
    {
        std::lock_guard guard(mutex_);
        plan_ = plan;
        delivered_ = 0;
    }
    int delivered()
    {
        std::lock_guard guard(mutex_);
        return delivered_;
    }

  private:
    void run()
    {
        while (!stop_) {
            if (!deliverOne()) {
                std::this_thread::yield();
            }
        }
    }
    bool deliverOne()
    {
        std::lock_guard guard(mutex_);
        if (delivered_ >= plan_.budget) {
            return false;
        }
        const auto tag = static_cast<std::uint8_t>(delivered_ + 1);
        const Bytes sound =
            delivered_ == plan_.pluckAt ? pluckBlock(tag, plan_.offset) : quietBlock(tag);
        if (!device_.deliver(sound).has_value()) {
            return false;
        }
        ++delivered_;
        return true;
    }

    ScriptedWaveInDevice& device_;
    std::mutex mutex_;
    Plan plan_;
    int delivered_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

enum class StopAt { AfterCaptureDone, AfterSomeBlocks, DuringGiveBack, AtOnce };

class CaptureStress : public CaptureTest {
  protected:
    std::mt19937 random_{20240611};
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
};

TEST_F(CaptureStress, RandomRecordingsNeverHangLoseOrDoubleACapture)
{
    Microphone microphone(device_);
    std::atomic<bool> inGiveBack{false};
    std::atomic<int> pauseMicros{0};
    device_.setAddHook([&](int) {
        inGiveBack = true;
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(pauseMicros);
        while (std::chrono::steady_clock::now() < until) {
        }
    });
    const int abandonedBefore = abandonedRecordings();
    int plucksChecked = 0;
    for (int n = 0; n < kRecordings; ++n) {
        SCOPED_TRACE("recording " + std::to_string(n));
        Plan plan;
        plan.pluckAt = pick(0, 3) == 0 ? -1 : pick(0, 5);
        plan.offset = 1 + 20 * static_cast<std::size_t>(pick(0, 1100));
        plan.budget = pick(0, 8);
        const auto stopAt = static_cast<StopAt>(pick(0, 3));
        pauseMicros = pick(0, 2) == 0 ? pick(0, 300) : 0;
        std::vector<std::size_t> resetCounts = {2 * static_cast<std::size_t>(pick(0, 11025)),
                                                2 * static_cast<std::size_t>(pick(0, 11025))};
        device_.setResetRecorded([resetCounts](int header) { return resetCounts[header - 1]; });
        device_.setResetFill(static_cast<std::uint8_t>(0x40 + n % 64));
        device_.clearDeliveries();

        ASSERT_EQ(startRecording(panel_), 1);
        const bool failGiveBack = pick(0, 9) == 0;
        if (failGiveBack) {
            device_.failOn(WaveCall::Add, pick(1, 2));
        }
        inGiveBack = false;
        microphone.setPlan(plan);

        int posts = 0;
        // Spins (the device runs at full speed) until `ready`, for at most 20 ms.
        auto spinUntil = [&](auto ready) {
            const auto end = std::chrono::steady_clock::now() + 20ms;
            while (!ready() && std::chrono::steady_clock::now() < end) {
                posts += takeCaptureDone();
                std::this_thread::yield();
            }
        };
        const auto budget = static_cast<std::size_t>(plan.budget);
        // Nothing more will come: the budget is spent or no block is queued.
        auto settled = [&] {
            return device_.deliveryCount() >= budget || device_.queuedBlocks() == 0;
        };
        switch (stopAt) {
        case StopAt::AfterCaptureDone:
            spinUntil([&] { return posts > 0 || settled(); });
            break;
        case StopAt::AfterSomeBlocks: {
            const auto blocks = static_cast<std::size_t>(pick(0, plan.budget));
            spinUntil([&] { return device_.deliveryCount() >= blocks || settled(); });
            break;
        }
        case StopAt::DuringGiveBack:
            spinUntil([&] { return inGiveBack.load() || settled(); });
            break;
        case StopAt::AtOnce:
            break;
        }
        // Only a pluck or the stop disarms: disarmed now means the capture
        // found the pluck before the stop.
        const bool pluckFound = !captureArmed();
        const auto waited = timedStop();
        const bool plucked = plan.pluckAt >= 0 && microphone.delivered() > plan.pluckAt;
        microphone.setPlan(Plan{});
        device_.clearFailures();
        ASSERT_LT(waited, kStopWaitLimit);
        posts += takeCaptureDone();

        const std::vector<Delivery> back = device_.deliveries();
        const std::uint8_t count = captureBlockCount();
        ASSERT_EQ(posts, count == 2 ? 1 : 0) << "one WM_CAPTURE_DONE per capture of two blocks";
        if (!failGiveBack) {
            ASSERT_EQ(count, 2) << "every block came back";
        }
        ASSERT_LE(count, back.size());
        // Every block handed back after the capture was disarmed is retained,
        // so the retained blocks are the last ones handed back.
        const std::size_t first = back.size() - count;
        if (count == 2) {
            ASSERT_EQ(buffer(), concat(back[first].bytes, back[first + 1].bytes));
        }
        const auto pluckIndex = static_cast<std::size_t>(plan.pluckAt);
        if (pluckFound && !failGiveBack) {
            ASSERT_TRUE(plucked);
            ASSERT_EQ(first, pluckIndex) << "the pluck's block is the first half";
            ASSERT_EQ(buffer(),
                      concat(pluckBlock(static_cast<std::uint8_t>(plan.pluckAt + 1), plan.offset),
                             back[pluckIndex + 1].bytes));
            ++plucksChecked;
        }
        ASSERT_EQ(device_.releases(), device_.allocations());
        ASSERT_EQ(device_.releasedWhileQueued(), 0);
        ASSERT_EQ(device_.addsAfterReset(), 0);
    }
    device_.setAddHook(nullptr);
    EXPECT_EQ(abandonedRecordings(), abandonedBefore) << "no stop ever had to give up";
    EXPECT_GT(plucksChecked, kRecordings / 8);
    EXPECT_TRUE(boxes_.boxes().empty());
}

} // namespace
} // namespace tensikon::test
