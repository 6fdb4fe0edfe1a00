// Batches split over processes or nodes: --shard i/N runs every N-th matrix from the
// i-th, and `kelpo-cli merge` joins the parts into exactly what one batch writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/command_line.h"
#include "engine/run.h"  // Shard

namespace kelpo {

// "i/N"; throws kelpo::Error (InvalidInput) unless 0 <= i < N.
Shard parseShard(std::string_view text);

// Refuses (kelpo::Error, InvalidInput) a shard given twice or missing among the parts,
// each a shard of the same count and the name of its file.
void checkEveryShardOnce(const std::vector<std::pair<Shard, std::string>>& parts);

// The shard's matrices: positions index, index + count, ... of the list. Every
// matrix has its own seed, so which process runs it changes no number.
std::vector<std::string> shardFiles(const std::vector<std::string>& files, const Shard& shard);

// The first JSON line of a part: which shard it is and the whole batch's files.
std::string shardHeaderLine(const Shard& shard, const std::vector<std::string>& files);
bool isShardHeader(const nlohmann::ordered_json& line);

// Reads the parts (their --json files), refuses a missing or duplicated shard, a part
// of another batch or one that lacks a matrix of its share, and writes the summary
// (--output or standard output) and the JSON lines (--json) a single batch writes.
// Returns Success, or SomeFailed when any matrix failed.
int runMerge(const CommandLine& line);

}  // namespace kelpo
