// Thousands of randomized recordings against a scripted device that records
// on a thread of its own: plucks in random blocks at random offsets, stops at
// random moments (also while the capture thread is inside a give-back),
// resets that hand blocks back with random counts, give-backs that fail.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
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

// What one recording did, as seen from outside the capture.
struct Outcome {
    int posts = 0;
    bool pluckFound = false; // disarmed before the stop: only a pluck does that
    bool plucked = false;    // the microphone delivered the pluck's block
    std::chrono::milliseconds waited{0};
};

class CaptureStress : public CaptureTest {
  protected:
    void SetUp() override
    {
        CaptureTest::SetUp();
        device_.setAddHook([this](int) {
            inGiveBack_ = true;
            const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(pause_);
            while (std::chrono::steady_clock::now() < until) {
            }
        });
    }
    void TearDown() override
    {
        device_.setAddHook(nullptr);
        CaptureTest::TearDown();
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    Plan randomPlan()
    {
        Plan plan;
        plan.pluckAt = pick(0, 3) == 0 ? -1 : pick(0, 5);
        plan.offset = 1 + 20 * static_cast<std::size_t>(pick(0, 1100));
        plan.budget = pick(0, 8);
        return plan;
    }

    // Random reset counts, a random pause inside the give-back, sometimes a
    // give-back that fails. True when one was scripted to fail.
    bool scriptDevice(int n)
    {
        pause_ = pick(0, 2) == 0 ? pick(0, 300) : 0;
        const std::vector<std::size_t> counts = {2 * static_cast<std::size_t>(pick(0, 11025)),
                                                 2 * static_cast<std::size_t>(pick(0, 11025))};
        device_.setResetRecorded([counts](int header) { return counts[header - 1]; });
        device_.setResetFill(static_cast<std::uint8_t>(0x40 + n % 64));
        device_.clearDeliveries();
        return pick(0, 9) == 0;
    }

    // Spins (the device runs at full speed) until `ready`, for at most 20 ms.
    template <typename Ready> void spinUntil(Ready ready, Outcome& outcome)
    {
        const auto end = std::chrono::steady_clock::now() + 20ms;
        while (!ready() && std::chrono::steady_clock::now() < end) {
            outcome.posts += takeCaptureDone();
            std::this_thread::yield();
        }
    }

    void waitForMoment(StopAt stopAt, const Plan& plan, Outcome& outcome)
    {
        const auto budget = static_cast<std::size_t>(plan.budget);
        // Nothing more will come: the budget is spent or no block is queued.
        auto settled = [&] {
            return device_.deliveryCount() >= budget || device_.queuedBlocks() == 0;
        };
        const auto blocks = static_cast<std::size_t>(pick(0, plan.budget));
        switch (stopAt) {
        case StopAt::AfterCaptureDone:
            spinUntil([&] { return outcome.posts > 0 || settled(); }, outcome);
            break;
        case StopAt::AfterSomeBlocks:
            spinUntil([&] { return device_.deliveryCount() >= blocks || settled(); }, outcome);
            break;
        case StopAt::DuringGiveBack:
            spinUntil([&] { return inGiveBack_.load() || settled(); }, outcome);
            break;
        case StopAt::AtOnce:
            break;
        }
    }

    Outcome record(Microphone& microphone, const Plan& plan, bool failGiveBack)
    {
        Outcome outcome;
        if (startRecording(panel_) != StartResult::Recording) {
            ADD_FAILURE() << "start failed";
            return outcome;
        }
        if (failGiveBack) {
            device_.failOn(WaveCall::Add, pick(1, 2));
        }
        inGiveBack_ = false;
        microphone.setPlan(plan);
        const int moment = pick(0, 4); // twice as often after WM_CAPTURE_DONE, as the panel does
        waitForMoment(moment == 4 ? StopAt::AfterCaptureDone : static_cast<StopAt>(moment), plan,
                      outcome);
        outcome.pluckFound = !captureArmed();
        outcome.waited = timedStop();
        outcome.plucked = plan.pluckAt >= 0 && microphone.delivered() > plan.pluckAt;
        microphone.setPlan(Plan{});
        device_.clearFailures();
        outcome.posts += takeCaptureDone();
        return outcome;
    }

    // True when the pluck's block and the one after it were checked.
    bool check(const Plan& plan, const Outcome& outcome, bool failGiveBack)
    {
        EXPECT_LT(outcome.waited, kStopWaitLimit);
        EXPECT_EQ(device_.releases(), device_.allocations());
        EXPECT_EQ(device_.releasedWhileQueued(), 0);
        EXPECT_EQ(device_.addsAfterReset(), 0);
        const std::vector<Delivery> back = device_.deliveries();
        const std::size_t count = captureBlockCount();
        EXPECT_EQ(outcome.posts, count == 2 ? 1 : 0) << "one WM_CAPTURE_DONE per capture of two";
        EXPECT_TRUE(failGiveBack || count == 2) << "every block came back";
        if (count != 2 || back.size() < 2) {
            return false;
        }
        // Every block handed back once the capture is disarmed is retained,
        // so the retained blocks are the last two handed back.
        const std::size_t first = back.size() - 2;
        EXPECT_EQ(buffer(), concat(back[first].bytes, back[first + 1].bytes));
        if (!outcome.pluckFound || failGiveBack) {
            return false;
        }
        EXPECT_TRUE(outcome.plucked);
        EXPECT_EQ(first, static_cast<std::size_t>(plan.pluckAt)) << "the pluck's block comes first";
        EXPECT_EQ(buffer(),
                  concat(pluckBlock(static_cast<std::uint8_t>(plan.pluckAt + 1), plan.offset),
                         back[first + 1].bytes));
        return true;
    }

    std::mt19937 random_{20240611};
    std::atomic<bool> inGiveBack_{false};
    std::atomic<int> pause_{0};
};

TEST_F(CaptureStress, RandomRecordingsNeverHangLoseOrDoubleACapture)
{
    Microphone microphone(device_);
    const int abandonedBefore = abandonedRecordings();
    int plucksChecked = 0;
    for (int n = 0; n < kRecordings && !HasFailure(); ++n) {
        SCOPED_TRACE("recording " + std::to_string(n));
        const Plan plan = randomPlan();
        const bool failGiveBack = scriptDevice(n);
        const Outcome outcome = record(microphone, plan, failGiveBack);
        plucksChecked += check(plan, outcome, failGiveBack) ? 1 : 0;
    }
    std::printf("%d recordings, %d with the pluck's block and the next checked\n", kRecordings,
                plucksChecked);
    EXPECT_EQ(abandonedRecordings(), abandonedBefore) << "no stop ever had to give up";
    EXPECT_GT(plucksChecked, kRecordings / 20) << "the pluck checks must not be vacuous";
    EXPECT_TRUE(boxes_.boxes().empty());
}

} // namespace
} // namespace tensikon::test
