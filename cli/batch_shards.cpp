#include "cli/batch_shards.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "cli/batch_summary.h"
#include "cli/output_file.h"
#include "core/error.h"

namespace kelpo {

namespace {

constexpr const char* kShardKey = "kelpo_batch_shard";

[[noreturn]] void refuse(const std::string& message) { throw Error(ErrorKind::InvalidInput, message); }

int wholeNumber(std::string_view text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : -1;
}

struct Part {
    std::string name;
    Shard shard;
    std::vector<std::string> files;          // the whole batch's
    std::map<std::string, BatchEntry> entries;  // this part's matrices by file
};

BatchEntry entryOf(nlohmann::ordered_json line) {
    BatchEntry entry{line.at("file").get<std::string>(), line.at("seed").get<std::int32_t>()};
    entry.status = line.at("status").get<std::string>();
    if (line.contains("presences")) {
        entry.presences = line["presences"].get<std::int64_t>();
        for (const char* key : {"file", "seed", "status", "presences"}) line.erase(key);
        entry.results = std::move(line);
    }
    return entry;
}

Part readPart(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error(ErrorKind::InputOutput, "Error 07: Error opening file. " + path.string());
    Part part{path.string(), {}, {}, {}};
    std::string text;
    if (!std::getline(in, text)) refuse(part.name + " is empty: not a part written by kelpo-cli batch --shard.");
    const auto header = nlohmann::ordered_json::parse(text, nullptr, false);
    if (header.is_discarded() || !isShardHeader(header)) {
        refuse(part.name + " does not begin as a part written by kelpo-cli batch --shard does.");
    }
    part.shard = {header[kShardKey].get<int>(), header["shards"].get<int>()};
    part.files = header["files"].get<std::vector<std::string>>();
    while (std::getline(in, text)) {
        const auto line = nlohmann::ordered_json::parse(text, nullptr, false);
        if (line.is_discarded() || !line.is_object() || !line.contains("file") || !line.contains("seed")) {
            refuse(part.name + " holds a line that is no batch result.");
        }
        BatchEntry entry = entryOf(line);
        part.entries.insert_or_assign(entry.file, std::move(entry));
    }
    return part;
}

// Every shard once, all of the same batch, each with every matrix of its share.
void checkParts(const std::vector<Part>& parts) {
    const Part& first = parts.front();
    std::vector<std::pair<Shard, std::string>> shards;
    for (const Part& part : parts) {
        if (part.shard.count != first.shard.count || part.files != first.files) {
            refuse(part.name + " is a part of another batch than " + first.name + ".");
        }
        shards.emplace_back(part.shard, part.name);
    }
    checkEveryShardOnce(shards);
    for (const Part& part : parts) {
        for (const std::string& file : shardFiles(part.files, part.shard))
            if (!part.entries.contains(file)) refuse(part.name + " lacks " + file + ": its shard has not finished.");
    }
}

}  // namespace

Shard parseShard(std::string_view text) {
    const std::size_t slash = text.find('/');
    const Shard shard{wholeNumber(text.substr(0, slash)),
                      slash == std::string_view::npos ? -1 : wholeNumber(text.substr(slash + 1))};
    if (shard.index < 0 || shard.count < 1 || shard.index >= shard.count) {
        refuse("--shard takes i/N, i from 0 to N - 1 (\"" + std::string(text) + "\").");
    }
    return shard;
}

void checkEveryShardOnce(const std::vector<std::pair<Shard, std::string>>& parts) {
    std::map<int, std::string> byIndex;
    const int count = parts.front().first.count;
    for (const auto& [shard, name] : parts) {
        const auto [it, added] = byIndex.emplace(shard.index, name);
        if (!added) {
            refuse("Shard " + std::to_string(shard.index) + " of " + std::to_string(count) + " is given twice: " +
                   it->second + " and " + name + ".");
        }
    }
    for (int index = 0; index < count; ++index)
        if (!byIndex.contains(index)) refuse("Shard " + std::to_string(index) + " of " + std::to_string(count) + " is missing.");
}

std::vector<std::string> shardFiles(const std::vector<std::string>& files, const Shard& shard) {
    std::vector<std::string> share;
    for (std::size_t k = static_cast<std::size_t>(shard.index); k < files.size(); k += static_cast<std::size_t>(shard.count))
        share.push_back(files[k]);
    return share;
}

std::string shardHeaderLine(const Shard& shard, const std::vector<std::string>& files) {
    const nlohmann::ordered_json header = {{kShardKey, shard.index}, {"shards", shard.count}, {"files", files}};
    return header.dump() + "\n";
}

bool isShardHeader(const nlohmann::ordered_json& line) {
    return line.is_object() && line.contains(kShardKey) && line[kShardKey].is_number_integer() &&
           line.contains("shards") && line["shards"].is_number_integer() && line.contains("files") &&
           line["files"].is_array();
}

int runMerge(const CommandLine& line) {
    if (line.plots) refuse("--plots is for the parts of one analysis: a batch has no charts.");
    if (line.output) checkOutputPath(*line.output);
    if (line.json) checkOutputPath(*line.json);
    std::vector<Part> parts;
    for (const std::filesystem::path& path : line.batchInputs) parts.push_back(readPart(path));
    checkParts(parts);
    std::map<std::string, const BatchEntry*> entries;
    for (const Part& part : parts)
        for (const std::string& file : shardFiles(part.files, part.shard)) entries[file] = &part.entries.at(file);
    std::string summary = summaryHeader(), json;
    bool anyFailed = false;
    for (const std::string& file : parts.front().files) {
        const BatchEntry& entry = *entries.at(file);
        summary += summaryRow(entry);
        json += jsonLine(entry);
        anyFailed = anyFailed || entry.status != "ok";
    }
    if (line.json) writeOutputFile(*line.json, json);
    if (line.output) {
        writeOutputFile(*line.output, summary);
    } else {
        std::cout << summary << std::flush;
        if (!std::cout) throw Error(ErrorKind::InputOutput, "The summary could not be written to standard output.");
    }
    return static_cast<int>(anyFailed ? ExitCode::SomeFailed : ExitCode::Success);
}

}  // namespace kelpo
