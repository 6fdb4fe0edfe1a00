// The options of kelpo-cli, read with CLI11, and the analysis settings they give.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/analysis_choices.h"
#include "matrix/table_file.h"

namespace kelpo {

struct CommandLine {
    std::filesystem::path matrixFile;
    std::string species = "rows";  // "columns": the file is sites x species
    bool binary = false;
    TableOptions tableOptions() const { return {species == "columns", binary}; }
    AnalysisChoices choices;
    int threads = 0;  // 0: all cores
    std::optional<std::filesystem::path> output;
    std::optional<std::filesystem::path> json;
    std::optional<std::filesystem::path> plots;  // folder for the charts
    bool noPower = false;
    bool progress = false;
    // The pairwise test instead of the analysis (--pairs) and its own numbers.
    bool pairs = false;
    std::string samples = "10000";
    std::optional<std::string> burnIn;  // unset: measured on the matrix
    std::optional<std::string> thin;
    std::string fdr = "0.05";
    // kelpo-cli batch: the files and folders of matrices.
    bool batch = false;
    std::vector<std::filesystem::path> batchInputs;  // of merge: its parts
    std::string shard;  // "i/N", empty for the whole batch
    bool merge = false;
};

// Exit codes, one per kind of error; documented in --help.
enum class ExitCode : int {
    Success = 0,
    Unexpected = 1,
    InvalidInput = 2,  // also a usage error
    InputOutput = 3,
    Overflow = 4,
    OutOfMemory = 5,
    Cancelled = 6,
    SomeFailed = 7,  // a batch ran to its end, but some of its matrices failed
};

// The parsed options, or the exit code when the parse ended the program
// (--help gives Success after printing the help; a usage error InvalidInput).
struct ParseOutcome {
    std::optional<CommandLine> commandLine;
    ExitCode exitCode = ExitCode::Success;
};
ParseOutcome parseCommandLine(int argc, const char* const* argv);

// The choices of the command line as the main window and the options dialog
// would store them; the file's name and size are filled in by the caller.
// Throws kelpo::Error (InvalidInput) for a refused number or an assumption that
// the window would not offer with the chosen null hypothesis.
AnalysisSettings settingsFromCommandLine(const CommandLine& commandLine,
                                         const std::function<void(std::string_view)>& warn);

}  // namespace kelpo
