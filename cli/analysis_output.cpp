#include "cli/analysis_output.h"

#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/interrupt_watch.h"
#include "cli/json_results.h"
#include "cli/output_file.h"
#include "cli/plot_files.h"
#include "cli/progress_bar.h"
#include "core/error.h"
#include "engine/mixing_text.h"
#include "results/report.h"

namespace kelpo {

namespace {

void printWarning(std::string_view text) { std::cerr << text << '\n'; }

// The report has no line for the observed value; standard error carries it.
void printVarianceRatio(const std::optional<double>& ratio) {
    std::ostringstream text;
    text << "Variance ratio of the matrix: ";
    if (ratio) {
        text << *ratio;
    } else {
        text << "undefined (every species at all sites or at none)";
    }
    printWarning(text.str() + ". " + kVarianceRatioNote);
}

}  // namespace

void runWithProgress(const CommandLine& line, const std::function<void(RunControl&)>& work) {
    std::optional<ProgressBar> bar;
    if (line.progress) bar.emplace();
    RunControl control(bar ? RunControl::Callback([&bar](const ProgressState& state) { bar->update(state); })
                           : RunControl::Callback{});
    const InterruptWatch interrupts(control);
    work(control);
    if (bar) bar->finish();
}

void writeAnalysisOutputs(const AnalysisResults& results, const AnalysisSettings& settings, bool powerAnalysisRun,
                          const CommandLine& line) {
    if (settings.statisticId == StatisticId::VRatio) {
        printVarianceRatio(results.varianceRatio);
    } else {
        printWarning(mixingLine(results.test.mixing, samplerName(results.sampler)));
        if (const auto warning = mixingWarning(results.test.mixing, settings.maxSeconds)) printWarning(*warning);
    }
    ReportChoices choices = ReportChoices::fromSettings(settings);
    choices.powerAnalysisRun = powerAnalysisRun;
    const std::string report = buildReport(results, settings, choices);
    // The files first: a full or closed standard output must not cost the saved copies.
    if (line.output) writeOutputFile(*line.output, report);
    if (line.json) writeOutputFile(*line.json, resultsJson(results, settings).dump(2) + "\n");
    if (line.plots) writePlots(*line.plots, results, std::string(statisticText(settings.statisticId)));
    std::cout << report << "\r\n" << std::flush;
    if (!std::cout) throw Error(ErrorKind::InputOutput, "The report could not be written to standard output.");
}

}  // namespace kelpo
