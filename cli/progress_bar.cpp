#include "cli/progress_bar.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kelpo {

namespace {

// Ten redraws a second keep the line alive without flooding a slow terminal.
constexpr auto kMinInterval = std::chrono::milliseconds(100);

// The share as a double: a display must never fail, where the caption's
// 32-bit percentage could overflow for very long runs.
double doneShare(const ProgressState& state) {
    if (state.stepTotal <= 0) return 0.0;
    return std::clamp(static_cast<double>(state.stepsDone) / static_cast<double>(state.stepTotal), 0.0, 1.0);
}

std::string barText(const ProgressState& state) {
    std::string detail = simulationLine(state.stepsDone, state.stepTotal);
    const std::string remaining = remainingTimeText(state.elapsedSeconds, state.stepsDone, state.stepTotal);
    if (!remaining.empty()) detail += "  " + remaining;
    return progressBarText(doneShare(state), detail);
}

}  // namespace

void ProgressBar::update(const ProgressState& state) {
    const auto now = std::chrono::steady_clock::now();
    const bool last = state.stepsDone >= state.stepTotal;
    std::unique_lock lock(mutex_, std::defer_lock);
    if (last) {
        lock.lock();  // the last step is always shown
    } else if (!lock.try_lock() || (drawn_ && now - lastDraw_ < kMinInterval)) {
        return;  // another worker is drawing, or the line is fresh enough
    }
    // Workers report out of order; the count shown never goes back.
    if (state.stepsDone < lastSteps_) return;
    lastSteps_ = state.stepsDone;
    lastDraw_ = now;
    draw(state);
}

void ProgressBar::draw(const ProgressState& state) {
    std::string text = barText(state);
    const std::size_t width = text.size();
    // Blanks over what a longer previous line left behind.
    if (width < lastWidth_) text.append(lastWidth_ - width, ' ');
    std::fputs(("\r" + text).c_str(), stream_);
    std::fflush(stream_);
    lastWidth_ = width;
    drawn_ = true;
}

void ProgressBar::finish() {
    const std::lock_guard lock(mutex_);
    if (!drawn_) return;
    std::fputc('\n', stream_);
    std::fflush(stream_);
    drawn_ = false;
    lastWidth_ = 0;
}

}  // namespace kelpo
