// kelpo-cli: the whole analysis of a matrix file without a display: read and
// check the matrix, run the power analysis and the hypothesis test, print the report.
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/batch_command.h"
#include "cli/batch_shards.h"
#include "cli/command_line.h"
#include "cli/interrupt_watch.h"
#include "cli/json_results.h"
#include "cli/output_file.h"
#include "cli/pairs_command.h"
#include "cli/plot_files.h"
#include "cli/progress_bar.h"
#include "core/error.h"
#include "engine/mixing_text.h"
#include "engine/run.h"
#include "matrix/matrix_check.h"
#include "matrix/matrix_file.h"
#include "matrix/table_file.h"
#include "results/report.h"

namespace kelpo {
namespace {

ExitCode exitCodeOf(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::InvalidInput: return ExitCode::InvalidInput;
        case ErrorKind::InputOutput: return ExitCode::InputOutput;
        case ErrorKind::Overflow: return ExitCode::Overflow;
        case ErrorKind::OutOfMemory: return ExitCode::OutOfMemory;
        case ErrorKind::Cancelled: return ExitCode::Cancelled;
    }
    return ExitCode::Unexpected;
}

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

// The table read by the command line's rules; its sides are the analysis's.
struct LoadedMatrix {
    PresenceMatrix matrix;
    std::int32_t rows = 0;
    std::int32_t cols = 0;
};

LoadedMatrix loadMatrix(const std::filesystem::path& path, const TableOptions& options) {
    MatrixFileContents contents = readTableFile(path, options);
    validateMatrix(contents.cells);  // in place: the file's cells are not needed unchecked, and a copy may be large
    return {buildMatrix(contents.cells, contents.rows, contents.cols), contents.rows, contents.cols};
}

AnalysisResults runWithProgress(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                                const CommandLine& line) {
    std::optional<ProgressBar> bar;
    if (line.progress) bar.emplace();
    RunControl control(bar ? RunControl::Callback([&bar](const ProgressState& state) { bar->update(state); })
                           : RunControl::Callback{});
    const InterruptWatch interrupts(control);
    const RunOptions options{line.threads, !line.noPower};
    AnalysisResults results = runAnalysis(matrix, settings, options, control);
    if (bar) bar->finish();
    return results;
}

int run(const CommandLine& line) {
    AnalysisSettings settings = settingsFromCommandLine(line, printWarning);
    // Refused before the run rather than after minutes of simulation.
    if (line.output) checkOutputPath(*line.output);
    if (line.json) checkOutputPath(*line.json);
    if (line.plots) preparePlotFolder(*line.plots);

    const LoadedMatrix loaded = loadMatrix(line.matrixFile, line.tableOptions());
    settings.fileName = matrixName(line.matrixFile.string());
    settings.speciesCount = loaded.rows;
    settings.siteCount = loaded.cols;
    settings.applyRunDefaults();

    const AnalysisResults results = runWithProgress(loaded.matrix, settings, line);
    if (settings.statisticId == StatisticId::VRatio) {
        printVarianceRatio(results.varianceRatio);
    } else {
        printWarning(mixingLine(results.test.mixing, samplerName(settings.sampler)));
        if (const auto warning = mixingWarning(results.test.mixing, settings.maxSeconds)) printWarning(*warning);
    }
    ReportChoices choices = ReportChoices::fromSettings(settings);
    choices.powerAnalysisRun = !line.noPower;
    const std::string report = buildReport(results, settings, choices);
    // The files first: a full or closed standard output must not cost the saved copies.
    if (line.output) writeOutputFile(*line.output, report);
    if (line.json) writeOutputFile(*line.json, resultsJson(results, settings).dump(2) + "\n");
    if (line.plots) writePlots(*line.plots, results, std::string(statisticText(settings.statisticId)));
    std::cout << report << "\r\n" << std::flush;
    if (!std::cout) throw Error(ErrorKind::InputOutput, "The report could not be written to standard output.");
    return static_cast<int>(ExitCode::Success);
}

}  // namespace
}  // namespace kelpo

int main(int argc, char** argv) {
    using kelpo::ExitCode;
    try {
        const kelpo::ParseOutcome parsed = kelpo::parseCommandLine(argc, argv);
        if (!parsed.commandLine) return static_cast<int>(parsed.exitCode);
        if (parsed.commandLine->batch) return kelpo::runBatch(*parsed.commandLine);
        if (parsed.commandLine->merge) return kelpo::runMerge(*parsed.commandLine);
        if (parsed.commandLine->pairs) return kelpo::runPairs(*parsed.commandLine);
        return kelpo::run(*parsed.commandLine);
    } catch (const kelpo::Error& error) {
        std::cerr << error.what() << '\n';
        return static_cast<int>(kelpo::exitCodeOf(error.kind()));
    } catch (const std::bad_alloc&) {
        std::cerr << "Out of memory.\n";
        return static_cast<int>(ExitCode::OutOfMemory);
    } catch (const std::exception& error) {
        std::cerr << "Unexpected error: " << error.what() << '\n';
        return static_cast<int>(ExitCode::Unexpected);
    }
}
