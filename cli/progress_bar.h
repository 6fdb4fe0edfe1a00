// A one-line progress bar on standard error, redrawn in place and throttled.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "engine/progress.h"

namespace kelpo {

class ProgressBar {
public:
    explicit ProgressBar(std::FILE* stream = stderr) : stream_(stream) {}
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Safe from any thread: the engine reports steps from its workers.
    void update(const ProgressState& state);
    // Ends the line so later output starts on a fresh one.
    void finish();

private:
    void draw(const ProgressState& state);

    std::FILE* stream_;
    std::mutex mutex_;
    std::chrono::steady_clock::time_point lastDraw_{};
    std::size_t lastWidth_ = 0;
    std::int32_t lastSteps_ = 0;
    bool drawn_ = false;
};

}  // namespace kelpo
