#include "ui/analysis_run.h"

#include <string>
#include <utility>

#include "engine/run.h"
#include "ui/results_window.h"
#include "ui/progress_run.h"

namespace kelpo::ui {

void startAnalysisRun(QWidget* mainWindow, PresenceMatrix matrix, AnalysisSettings settings, ReportChoices choices) {
    settings.applyRunDefaults();
    startProgressRun(mainWindow, [matrix = std::move(matrix), settings = std::move(settings),
                                  choices = std::move(choices)](RunControl& control) -> ShowResults {
        const AnalysisResults results = runAnalysis(matrix, settings, RunOptions{}, control);
        std::string report = buildReport(results, settings, choices);
        return [report = std::move(report), results, statistic = QString::fromStdString(choices.statisticText)](
                   QWidget* mainWindow) {
            // Top-level without owner; it deletes itself when closed and then shows the main window.
            auto* window = new ResultsWindow(mainWindow);
            window->setReport(report);
            window->setCharts(results, statistic);
            window->show();
        };
    });
}

}  // namespace kelpo::ui
