// Ctrl-C during a run: the first asks the run to stop, the second ends the program.
#pragma once

#include <atomic>
#include <thread>

#include "engine/progress.h"

namespace kelpo {

// Blocks SIGINT for the whole process and waits for it on a thread of its own,
// so no signal handler and no global flag are needed. Construct it before the
// engine starts its workers: they inherit the blocked signal. Does nothing when
// SIGINT is ignored.
class InterruptWatch {
public:
    explicit InterruptWatch(RunControl& control);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    void watch();

    RunControl& control_;
    bool active_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace kelpo
