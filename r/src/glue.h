// What every exported function shares: R values to the engine's records and back,
// and a run on a worker thread that R's interrupt can stop.
#pragma once

#include <Rcpp.h>

#include <chrono>
#include <exception>
#include <functional>
#include <mutex>
#include <future>
#include <string>
#include <vector>

#include "core/presence_matrix.h"
#include "engine/analysis_settings.h"
#include "engine/progress.h"

namespace kelpo::r {

// The R side's list(rows, cols, p, i, ...): site k (from 0) holds the species
// i[p[k]] to i[p[k + 1] - 1] (from 0), as a sparse Matrix stores its columns.
PresenceMatrix presenceMatrix(const Rcpp::List& input);

// The settings of an R call: list(statistic, null, assume, iterations, matrices,
// seed, name), its numbers already checked by the R side, and the matrix's size.
AnalysisSettings analysisSettings(const Rcpp::List& options, const PresenceMatrix& matrix);

// A message of the engine in R's words: without the desktop program's codes
// ("Error 07: ", " (Error 11)"), which point to help that R users do not have.
std::string withoutCode(std::string message);

// Draws a progress line on R's console from the R thread, as kelpo-cli does on standard error.
// With a caption, the run's steps are plain equal shares (the pairwise test's chain slices);
// without, they are the analysis's, its last step filled in by the test's chains.
class ConsoleProgress {
public:
    // autoSeconds > 0: the test's length is found by its chains within that limit, and the
    // line tells how far they have run rather than a share nobody knows yet.
    ConsoleProgress(bool shown, std::int64_t testSteps, std::string caption = {}, double autoSeconds = 0.0)
        : shown_(shown), testSteps_(testSteps), caption_(std::move(caption)), autoSeconds_(autoSeconds),
          start_(std::chrono::steady_clock::now()) {}
    RunControl::Callback callback();  // stores the engine's latest state; safe from any worker
    void draw(const RunControl& control);
    void finish();

private:
    void drawAutoLength(const RunControl& control, int calls);
    void show(std::string line);

    bool shown_;
    std::int64_t testSteps_;
    std::string caption_;
    double autoSeconds_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    ProgressState latest_;
    int calls_ = 0;  // with an automatic length the test's step comes first
    std::size_t lastWidth_ = 0;
};


// True once the user has pressed Ctrl-C (or R's Stop), without the long jump
// that R_CheckUserInterrupt would take through C++ frames.
bool userInterrupted();

// The message of an interrupted run.
inline constexpr const char* kInterruptedMessage =
    "Kelpo: the analysis was interrupted by the user; nothing was computed.";

// Runs job on a worker thread while the R thread watches for an interrupt (which
// asks the run to stop) and draws the progress. Errors of the job come back as R
// errors with their message.
template <class Job>
auto runInterruptibly(RunControl& control, ConsoleProgress& progress, Job job) {
    auto outcome = std::async(std::launch::async, std::move(job));
    bool interrupted = false;
    while (outcome.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        if (!interrupted && userInterrupted()) {
            interrupted = true;
            control.requestCancel();
        }
        if (!interrupted) progress.draw(control);
    }
    if (!interrupted) progress.draw(control);  // the finished line, 100 %
    progress.finish();
    if (interrupted) {
        try {
            outcome.get();
        } catch (...) {  // the cancellation itself; the interrupt is what the user sees
        }
        throw Rcpp::exception(kInterruptedMessage, false);
    }
    try {
        return outcome.get();
    } catch (const std::bad_alloc&) {
        throw Rcpp::exception("Kelpo: out of memory.", false);
    } catch (const std::exception& error) {
        throw Rcpp::exception(withoutCode(error.what()).c_str(), false);
    }
}

// Calls body and turns any C++ error into an R error carrying its message.
template <class Body>
auto rethrowAsR(Body body) {
    try {
        return body();
    } catch (const Rcpp::exception&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw Rcpp::exception("Kelpo: out of memory.", false);
    } catch (const std::exception& error) {
        throw Rcpp::exception(withoutCode(error.what()).c_str(), false);
    }
}

}  // namespace kelpo::r
