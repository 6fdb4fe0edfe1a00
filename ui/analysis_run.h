// Runs one analysis from the desktop: the progress window while the engine works on
// a worker thread, then the report in the results window.
#pragma once

#include "core/presence_matrix.h"
#include "engine/analysis_settings.h"
#include "results/report.h"

class QWidget;

namespace kelpo::ui {

// Called by the main window once the matrix passed its check and the settings were
// read. Hides mainWindow at once and returns; mainWindow is shown again when the run
// ends without a report (cancel, error) or when the results window closes.
void startAnalysisRun(QWidget* mainWindow, PresenceMatrix matrix, AnalysisSettings settings,
                      ReportChoices choices);

}  // namespace kelpo::ui
