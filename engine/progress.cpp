#include "engine/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/numbers.h"

namespace kelpo {

void RunControl::begin(std::int32_t totalSteps, std::int32_t stepTotal) {
    totalSteps_ = totalSteps;
    stepTotal_ = stepTotal;
    stepsDone_.store(0, std::memory_order_relaxed);
    start_ = std::chrono::steady_clock::now();
}

void RunControl::stepBegun() {
    // fetch_add wraps silently, so the increment is checked like every 32-bit count.
    std::int32_t done = stepsDone_.load(std::memory_order_relaxed);
    std::int32_t next = 0;
    do {
        next = checkedAdd(done, 1, "the number of simulation steps");
    } while (!stepsDone_.compare_exchange_weak(done, next, std::memory_order_relaxed));
    if (!onStep_) return;
    ProgressState state;
    state.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    state.totalSteps = totalSteps_;
    state.stepsDone = next;
    state.stepTotal = stepTotal_;
    onStep_(state);
}

std::int32_t stepTotal(std::int32_t totalSteps, std::int32_t matricesPerDistribution) {
    return checkedAdd(checkedMultiply(totalSteps, matricesPerDistribution, "the number of simulation steps"), 1,
                      "the number of simulation steps");
}

std::string remainingTimeText(double elapsedSeconds, std::int32_t stepsDone, std::int32_t stepTotal) {
    if (stepsDone <= 1) return {};
    return remainingTimeText(elapsedSeconds * static_cast<double>(stepTotal - stepsDone) /
                             static_cast<double>(stepsDone));
}

std::string remainingTimeText(double remaining) {
    std::string text;
    if (remaining >= 3600) text += std::to_string(static_cast<long long>(std::floor(remaining / 3600))) + "hr ";
    const long long seconds = static_cast<long long>(std::nearbyint(remaining));
    if (remaining >= 59.5) {
        // Whole minutes after the hours, plus one: 60 s shows as two minutes.
        text += std::to_string((seconds % 3600) / 60 + 1) + "min ";
    } else {
        text += std::to_string(seconds % 60) + "s ";
    }
    return text + "Remaining";
}

std::int32_t progressPercent(std::int32_t stepsDone, std::int32_t stepTotal) {
    const std::int32_t product = checkedMultiply(stepsDone, 100, "the progress percentage");
    return toWholeNumber(static_cast<double>(product) / static_cast<double>(stepTotal));
}

std::string progressCaption(std::int32_t stepsDone, std::int32_t stepTotal) {
    return "Kelpo Progress... " + std::to_string(progressPercent(stepsDone, stepTotal)) + "%";
}

std::string simulationLine(std::int32_t stepsDone, std::int32_t stepTotal) {
    return "Simulation: " + std::to_string(stepsDone) + " of " + std::to_string(stepTotal);
}

std::string progressBarText(double share, std::string_view detail) {
    constexpr int kBarWidth = 30;
    share = std::clamp(share, 0.0, 1.0);
    const int filled = static_cast<int>(std::floor(share * kBarWidth));
    std::string text = "[";
    text.append(static_cast<std::size_t>(filled), '#');
    text.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    text += "] ";
    text += std::to_string(static_cast<int>(std::nearbyint(share * 100))) + "%  ";
    return text.append(detail);
}

std::string autoLengthLine(std::int64_t testSteps, double elapsed, double limit) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Hypothesis test: %lld iterations so far, in rounds until the chains have mixed (%.0f s of at "
                  "most %g s)",
                  static_cast<long long>(testSteps), elapsed, limit);
    return text;
}

}  // namespace kelpo
