// kelpo-cli: the whole analysis of a matrix file without a display: read and
// check the matrix, run the power analysis and the hypothesis test, print the report.
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "cli/analysis_output.h"
#include "cli/analysis_shards.h"
#include "cli/batch_command.h"
#include "cli/batch_shards.h"
#include "cli/command_line.h"
#include "cli/output_file.h"
#include "cli/pairs_command.h"
#include "cli/plot_files.h"
#include "core/error.h"
#include "engine/run.h"
#include "matrix/matrix_check.h"
#include "matrix/matrix_file.h"
#include "matrix/table_file.h"

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

int run(const CommandLine& line) {
    AnalysisSettings settings = settingsFromCommandLine(line, printWarning);
    std::optional<Shard> shard;
    if (!line.shard.empty()) {
        shard = parseShard(line.shard);
        checkAnalysisShard(line, settings);
    }
    // Refused before the run rather than after minutes of simulation.
    if (line.output) checkOutputPath(*line.output);
    if (line.json) checkOutputPath(*line.json);
    if (line.plots) preparePlotFolder(*line.plots);

    const LoadedMatrix loaded = loadMatrix(line.matrixFile, line.tableOptions());
    settings.fileName = matrixName(line.matrixFile.string());
    settings.speciesCount = loaded.rows;
    settings.siteCount = loaded.cols;
    settings.applyRunDefaults();

    const RunOptions options{line.threads, !line.noPower};
    if (shard) {
        UnitResults units;
        runWithProgress(line, [&](RunControl& control) {
            units = runUnits(loaded.matrix, settings, options, control, *shard);
        });
        writeOutputFile(*line.json, analysisPartText(*shard, settings, options.powerAnalysis, loaded.matrix, units));
        return static_cast<int>(ExitCode::Success);
    }
    AnalysisResults results;
    runWithProgress(line, [&](RunControl& control) { results = runAnalysis(loaded.matrix, settings, options, control); });
    writeAnalysisOutputs(results, settings, options.powerAnalysis, line);
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
        if (parsed.commandLine->merge) {
            return kelpo::isAnalysisPart(parsed.commandLine->batchInputs.front())
                       ? kelpo::mergeAnalysisParts(*parsed.commandLine)
                       : kelpo::runMerge(*parsed.commandLine);
        }
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
