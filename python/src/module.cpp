// The extension module: the engine's errors as Python exceptions, and the bindings.
#include <cstdio>
#include <new>

#include "core/error.h"
#include "glue.h"

namespace kelpo::python {

ProgressLine::ProgressLine(bool shown, std::int64_t testSteps, std::string label, double autoSeconds)
    : shown_(shown), testSteps_(testSteps), label_(std::move(label)), autoSeconds_(autoSeconds),
      start_(std::chrono::steady_clock::now()) {}

RunControl::Callback ProgressLine::callback() {
    if (!shown_) return {};
    return [this](const ProgressState& state) {
        const std::lock_guard lock(mutex_);
        ++calls_;
        // With an automatic length the test's step comes first and the communities' count restarts.
        if (state.stepsDone >= latest_.stepsDone || autoSeconds_ > 0.0) latest_ = state;
    };
}

void ProgressLine::draw(const RunControl& control) {
    if (!shown_) return;
    ProgressState state;
    int calls = 0;
    {
        const std::lock_guard lock(mutex_);
        state = latest_;
        calls = calls_;
    }
    if (state.stepTotal <= 0) return;
    double share = static_cast<double>(state.stepsDone) / state.stepTotal;
    std::string detail = label_;
    std::string line;
    if (autoSeconds_ > 0.0 && calls <= 1) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        line = autoLengthLine(control.testStepsDone(), elapsed, autoSeconds_);
    } else if (autoSeconds_ > 0.0) {
        line = progressBarText(share, simulationLine(state.stepsDone, state.stepTotal));
    } else if (testSteps_ > 0) {  // as kelpo-cli and R: the test's chains fill in the last step
        const double testShare = std::min(1.0, static_cast<double>(control.testStepsDone()) / testSteps_);
        const bool testBegun = state.stepsDone == state.stepTotal;
        share = (testBegun ? state.stepsDone - 1 + testShare : std::max(0, state.stepsDone - 1)) / state.stepTotal;
        if (!testBegun) detail = simulationLine(state.stepsDone, state.stepTotal);
    }
    if (line.empty()) {
        if (share > 0 && share < 1) {
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
            detail += "  " + remainingTimeText(elapsed * (1 - share) / share);
        }
        line = progressBarText(share, detail);
    }
    const std::size_t width = line.size();
    if (width < lastWidth_) line.append(lastWidth_ - width, ' ');
    lastWidth_ = width;
    const py::object stderr_ = py::module_::import("sys").attr("stderr");
    stderr_.attr("write")("\r" + line);
    stderr_.attr("flush")();
}

void ProgressLine::finish() {
    if (lastWidth_ == 0) return;
    py::gil_scoped_acquire held;
    py::module_::import("sys").attr("stderr").attr("write")("\n");
    lastWidth_ = 0;
}

}  // namespace kelpo::python

PYBIND11_MODULE(_kelpo, module) {
    namespace py = pybind11;
    using kelpo::ErrorKind;
    module.doc() = "Kelpo's engine; use the kelpo package, not this module.";
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const kelpo::Error& error) {
            switch (error.kind()) {
                case ErrorKind::InvalidInput: PyErr_SetString(PyExc_ValueError, error.what()); return;
                case ErrorKind::InputOutput: PyErr_SetString(PyExc_OSError, error.what()); return;
                case ErrorKind::Overflow: PyErr_SetString(PyExc_OverflowError, error.what()); return;
                case ErrorKind::OutOfMemory: PyErr_SetString(PyExc_MemoryError, error.what()); return;
                case ErrorKind::Cancelled: PyErr_SetString(PyExc_KeyboardInterrupt, error.what()); return;
            }
            PyErr_SetString(PyExc_RuntimeError, error.what());
        } catch (const std::bad_alloc&) {
            PyErr_SetString(PyExc_MemoryError, "Kelpo: out of memory.");
        }
    });
    kelpo::python::registerMatrix(module);
    kelpo::python::registerAnalysis(module);
    kelpo::python::registerPairs(module);
}
