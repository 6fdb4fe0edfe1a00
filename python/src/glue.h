// What the bindings share: a run on a worker thread with the interpreter released,
// Ctrl-C turned into the engine's cancel request, and a progress line on sys.stderr.
#pragma once

#include <pybind11/pybind11.h>

#include <chrono>
#include <future>
#include <mutex>
#include <optional>
#include <string>

#include "engine/progress.h"

namespace kelpo::python {

namespace py = pybind11;

// Keeps the engine's latest state (from any worker) and draws it from the Python thread.
class ProgressLine {
public:
    // testSteps > 0: the last step is the hypothesis test, filled in by its chains' steps.
    // autoSeconds > 0: the test's length is found by its chains within that limit; it runs
    // first, and the line tells how far its chains have run rather than an unknown share.
    ProgressLine(bool shown, std::int64_t testSteps, std::string label = "Hypothesis test", double autoSeconds = 0.0);
    RunControl::Callback callback();
    void draw(const RunControl& control);  // needs the interpreter
    void finish();

private:
    bool shown_;
    std::int64_t testSteps_;
    std::string label_;
    double autoSeconds_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    ProgressState latest_;
    int calls_ = 0;
    std::size_t lastWidth_ = 0;
};


void registerAnalysis(py::module_& module);
void registerPairs(py::module_& module);
void registerMatrix(py::module_& module);

// Short enough that Ctrl-C stops a run well within 0.2 s.
inline constexpr std::chrono::milliseconds kPoll{20};

// Runs job on a worker while this thread, without the GIL between polls, checks for
// signals. A KeyboardInterrupt (or any error a signal handler raises) cancels the run;
// it is re-raised once the worker has stopped. The job's own errors propagate.
template <class Job>
auto runInterruptibly(RunControl& control, ProgressLine& progress, Job job) {
    auto outcome = std::async(std::launch::async, std::move(job));
    std::optional<py::error_already_set> interrupt;
    {
        py::gil_scoped_release released;
        while (outcome.wait_for(kPoll) != std::future_status::ready) {
            py::gil_scoped_acquire held;
            if (!interrupt && PyErr_CheckSignals() != 0) {
                interrupt.emplace();
                control.requestCancel();
            }
            if (!interrupt) progress.draw(control);
        }
    }
    if (interrupt) {
        progress.finish();
        try {
            outcome.get();
        } catch (...) {  // the cancellation itself; the interrupt is what the user sees
        }
        throw *interrupt;
    }
    progress.draw(control);
    progress.finish();
    return outcome.get();
}

}  // namespace kelpo::python
