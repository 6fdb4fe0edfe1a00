// A long engine call from the desktop: the progress window while the call runs on a
// worker thread, then its results shown, or the main window back after a cancel or error.
#pragma once

#include <functional>

#include "engine/progress.h"

class QWidget;

namespace kelpo::ui {

// Runs on the GUI thread once the work has succeeded: opens the results window
// (owning the return to mainWindow). Throwing std::exception ends the run without results.
using ShowResults = std::function<void(QWidget* mainWindow)>;
// Runs on the worker thread: the engine call, reporting to control. Any exception
// (a cancel included) ends the run quietly, without results.
using RunWork = std::function<ShowResults(RunControl& control)>;

// Hides mainWindow at once and returns. The run is mainWindow's child: a main window
// destroyed mid-run cancels the run and waits for the worker.
void startProgressRun(QWidget* mainWindow, RunWork work);

}  // namespace kelpo::ui
