// Progress of a run: counters safe to touch from any worker, the cancel request,
// and the texts the progress display shows.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/p_value.h"

namespace kelpo {

// A snapshot handed to the progress callback.
struct ProgressState {
    double elapsedSeconds = 0.0;  // since the simulations began
    std::int32_t totalSteps = 0;  // rows of the power table
    std::int32_t stepsDone = 0;   // steps begun so far
    std::int32_t stepTotal = 0;   // S = totalSteps * matricesPerDistribution + 1
};

// One per run. The engine calls onStep from worker threads, so the callback must
// be thread-safe (the GUI posts to its own thread; the CLI draws under a lock).
class RunControl {
public:
    using Callback = std::function<void(const ProgressState&)>;

    explicit RunControl(Callback onStep = {}) : onStep_(std::move(onStep)) {}

    void requestCancel() noexcept { cancel_.store(true, std::memory_order_relaxed); }
    bool cancelRequested() const noexcept { return cancel_.load(std::memory_order_relaxed); }

    // Called by the engine.
    void begin(std::int32_t totalSteps, std::int32_t stepTotal);
    void stepBegun();  // StepsDone + 1 and a callback
    std::int32_t stepsDone() const noexcept { return stepsDone_.load(std::memory_order_relaxed); }

    // What the hypothesis test's chains report to: their swap steps so far, and the
    // cancel request when the caller lets the test be cancelled.
    ChainMonitor testMonitor(bool cancellable) noexcept {
        return {cancellable ? &cancel_ : nullptr, &testSteps_};
    }
    // A chain of the power analysis: stopped by a cancel request within its p-value,
    // so that one long community does not hold the request up.
    ChainMonitor cancelMonitor() noexcept { return {&cancel_, nullptr}; }
    std::int64_t testStepsDone() const noexcept { return testSteps_.load(std::memory_order_relaxed); }

private:
    Callback onStep_;
    std::atomic<bool> cancel_{false};
    std::atomic<std::int32_t> stepsDone_{0};
    std::atomic<std::int64_t> testSteps_{0};
    std::int32_t totalSteps_ = 0;
    std::int32_t stepTotal_ = 0;
    std::chrono::steady_clock::time_point start_{};
};

// S = totalSteps * matrices + 1, checked for 32-bit overflow.
std::int32_t stepTotal(std::int32_t totalSteps, std::int32_t matricesPerDistribution);

// "30s Remaining", "2min Remaining", "1hr 7min Remaining"; empty for the first step.
std::string remainingTimeText(double elapsedSeconds, std::int32_t stepsDone, std::int32_t stepTotal);
// The same text for a number of seconds.
std::string remainingTimeText(double remainingSeconds);

// The percentage of the caption: stepsDone * 100 / S rounded half to even.
std::int32_t progressPercent(std::int32_t stepsDone, std::int32_t stepTotal);

// "Kelpo Progress... 50%" and "Simulation: 1800 of 3601".
std::string progressCaption(std::int32_t stepsDone, std::int32_t stepTotal);
std::string simulationLine(std::int32_t stepsDone, std::int32_t stepTotal);

// What a display shows while chains find their own length, which no bar can measure:
// "Hypothesis test: N iterations so far, in rounds until the chains have mixed (t s of at most L s)".
std::string autoLengthLine(std::int64_t testSteps, double elapsed, double limit);

// One line of a text display: "[#######.......] 25%  " and the detail after it.
std::string progressBarText(double share, std::string_view detail);

}  // namespace kelpo
