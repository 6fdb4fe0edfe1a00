#include "ui/analysis_run.h"

namespace kelpo::ui {

void startAnalysisRun(QWidget*, PresenceMatrix, AnalysisSettings, ReportChoices) {}

}  // namespace kelpo::ui
