#include "cli/batch_command.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <new>
#include <optional>
#include <sstream>

#include "cli/batch_shards.h"
#include "cli/batch_summary.h"
#include "cli/interrupt_watch.h"
#include "cli/json_results.h"
#include "cli/output_file.h"
#include "core/error.h"
#include "engine/batch_seed.h"
#include "engine/progress.h"
#include "engine/run.h"
#include "matrix/delimited_text.h"
#include "matrix/matrix_check.h"

namespace kelpo {

namespace {

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

[[noreturn]] void refuseOutput(const std::filesystem::path& path, const std::string& why) {
    throw Error(ErrorKind::InputOutput, path.string() + " " + why + "; it is left as it is: choose another file.");
}

bool exists(const std::optional<std::filesystem::path>& path) {
    std::error_code error;
    return path && std::filesystem::exists(*path, error);
}

// What an earlier run into the same outputs finished: the rows and JSON lines of
// the matrices that ran, kept and skipped now. Failed rows are dropped and run again.
struct Finished {
    std::map<std::string, std::int32_t> seeds;  // file -> the seed its row was made with
    std::string rows;                           // without the header
    std::string jsonLines;
};

std::map<std::string, std::string> finishedJsonLines(const std::filesystem::path& path) {
    std::map<std::string, std::string> lines;
    std::istringstream text(readWhole(path));
    for (std::string line; std::getline(text, line);) {
        const auto json = nlohmann::ordered_json::parse(line, nullptr, false);
        if (!json.is_discarded() && isShardHeader(json)) continue;  // written anew
        if (json.is_discarded() || !json.is_object() || !json.contains("file") || !json["file"].is_string()) {
            refuseOutput(path, "is not the JSON lines of a batch");
        }
        if (json.value("status", "") == "ok") lines[json["file"].get<std::string>()] = line + "\n";
    }
    return lines;
}

Finished finishedBefore(const CommandLine& line) {
    Finished finished;
    if (!exists(line.output)) return finished;
    const std::map<std::string, std::string> json =
        exists(line.json) ? finishedJsonLines(*line.json) : std::map<std::string, std::string>{};
    const std::string text = readWhole(*line.output);
    DelimitedReader reader(text, ',');
    std::vector<std::string> fields;
    if (!reader.next(fields) || fields != summaryColumns()) refuseOutput(*line.output, "is not a batch summary");
    while (reader.next(fields)) {
        if (fields.size() != summaryColumns().size()) refuseOutput(*line.output, "holds a line that is no summary row");
        const std::string& file = fields.front();
        // Without its JSON line a finished row would leave the JSON short: it runs again.
        if (fields.back() != "ok" || finished.seeds.contains(file) || (line.json && !json.contains(file))) continue;
        finished.seeds[file] = static_cast<std::int32_t>(std::stol(fields[fields.size() - 2]));
        finished.rows += csvLine(fields);
        if (line.json) finished.jsonLines += json.at(file);
    }
    return finished;
}

// A file opened for appending, or standard output: rows reach it as each matrix ends,
// so a batch stopped half-way keeps what it finished.
class RowSink {
public:
    RowSink(const std::optional<std::filesystem::path>& path, const std::string& start) : path_(path) {
        if (!path_) {
            write(start);
            return;
        }
        writeOutputFile(*path_, start);
        file_.open(*path_, std::ios::binary | std::ios::app);
        if (!file_) refuseOutput(*path_, "cannot be opened for writing");
    }
    void write(const std::string& text) {
        std::ostream& out = path_ ? static_cast<std::ostream&>(file_) : std::cout;
        out << text << std::flush;
        if (!out) throw Error(ErrorKind::InputOutput, "Error 09: the batch results could not be written (" +
                                                          (path_ ? path_->string() : "standard output") + ").");
    }

private:
    std::optional<std::filesystem::path> path_;
    std::ofstream file_;
};

std::int64_t presencesOf(const PresenceMatrix& matrix) {
    const std::vector<std::int32_t> sums = matrix.rowSums();
    std::int64_t total = 0;
    for (const std::int32_t sum : sums) total += sum;
    return total;
}

// One matrix exactly as a single run with its seed would analyse it.
void analyse(BatchEntry& entry, AnalysisSettings settings, const CommandLine& line) {
    MatrixFileContents contents = readTableFile(entry.file, line.tableOptions());
    validateMatrix(contents.cells);
    const PresenceMatrix matrix = buildMatrix(contents.cells, contents.rows, contents.cols);
    settings.fileName = matrixName(std::filesystem::path(entry.file).filename().string());
    settings.simulationSeed = entry.seed;
    settings.speciesCount = contents.rows;
    settings.siteCount = contents.cols;
    settings.applyRunDefaults();
    RunControl control;
    const InterruptWatch interrupts(control);
    const AnalysisResults results =
        runAnalysis(matrix, settings, RunOptions{line.threads, !line.noPower, true}, control);
    entry.results = resultsJson(results, settings);
    entry.presences = presencesOf(matrix);
}

void drawProgress(std::size_t done, std::size_t total, std::chrono::steady_clock::time_point start) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string detail = "Matrices: " + std::to_string(done) + " of " + std::to_string(total);
    const std::string remaining = remainingTimeText(elapsed, static_cast<std::int32_t>(done),
                                                    static_cast<std::int32_t>(total));
    if (!remaining.empty()) detail += "  " + remaining;
    std::cerr << '\r' << progressBarText(total ? double(done) / double(total) : 1.0, detail) << std::flush;
}

}  // namespace

std::vector<std::string> batchFiles(const std::vector<std::filesystem::path>& inputs,
                                    const std::vector<std::filesystem::path>& outputs) {
    std::vector<std::string> files;
    const auto isOutput = [&outputs](const std::filesystem::path& path) {
        std::error_code error;
        return std::any_of(outputs.begin(), outputs.end(), [&](const auto& output) {
            return std::filesystem::equivalent(path, output, error);
        });
    };
    for (const std::filesystem::path& input : inputs) {
        std::error_code error;
        if (!std::filesystem::is_directory(input, error)) {
            files.push_back(input.lexically_normal().string());
            continue;
        }
        std::vector<std::string> inFolder;
        for (const auto& item : std::filesystem::directory_iterator(input, error)) {
            const std::string name = item.path().filename().string();
            if (!name.starts_with('.') && item.is_regular_file(error) && !isOutput(item.path()))
                inFolder.push_back(item.path().lexically_normal().string());
        }
        if (error) throw Error(ErrorKind::InputOutput, "The folder " + input.string() + " cannot be read.");
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

int runBatch(const CommandLine& line) {
    const auto warn = [](std::string_view text) { std::cerr << text << '\n'; };
    const AnalysisSettings settings = settingsFromCommandLine(line, warn);
    if (line.output) checkOutputPath(*line.output);
    if (line.json) checkOutputPath(*line.json);
    std::vector<std::filesystem::path> outputs;
    for (const auto& output : {line.output, line.json})
        if (output) outputs.push_back(*output);
    const std::vector<std::string> all = batchFiles(line.batchInputs, outputs);
    std::optional<Shard> shard;
    if (!line.shard.empty()) {
        shard = parseShard(line.shard);
        if (!line.json) throw Error(ErrorKind::InvalidInput, "--shard needs --json: the part's results go there.");
    }
    const std::vector<std::string> files = shard ? shardFiles(all, *shard) : all;
    const Finished finished = finishedBefore(line);
    RowSink rows(line.output, summaryHeader() + finished.rows);
    std::optional<RowSink> json;
    if (line.json) json.emplace(line.json, (shard ? shardHeaderLine(*shard, all) : "") + finished.jsonLines);

    bool anyFailed = false;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t done = 0; done < files.size(); ++done) {
        if (line.progress) drawProgress(done, files.size(), start);
        BatchEntry entry{files[done], matrixSeed(settings.simulationSeed, std::filesystem::path(files[done]).filename().string())};
        if (const auto it = finished.seeds.find(entry.file); it != finished.seeds.end()) {
            if (it->second != entry.seed) {
                refuseOutput(*line.output, "holds " + entry.file + " run with seed " + std::to_string(it->second) +
                                               ", not the " + std::to_string(entry.seed) + " of this --seed");
            }
            continue;
        }
        try {
            analyse(entry, settings, line);
        } catch (const Error& error) {
            if (error.kind() == ErrorKind::Cancelled) throw;
            entry.status = std::string("error: ") + error.what();
        } catch (const std::bad_alloc&) {
            entry.status = "error: Out of memory.";
        }
        anyFailed = anyFailed || entry.status != "ok";
        rows.write(summaryRow(entry));
        if (json) json->write(jsonLine(entry));
    }
    if (line.progress) {
        drawProgress(files.size(), files.size(), start);
        std::cerr << '\n';
    }
    return static_cast<int>(anyFailed ? ExitCode::SomeFailed : ExitCode::Success);
}

}  // namespace kelpo
