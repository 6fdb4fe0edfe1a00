// kelpo-cli batch: the same analysis on every matrix of a list of files and
// folders, one summary row (and JSON line) per matrix, resumable.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace kelpo {

// The files of the inputs in order, each path in its plain form ("./a" is "a"): a
// folder gives its files sorted by name, leaving out hidden ones and the batch's own
// outputs; any other input stands for itself, so a missing file fails in its row.
std::vector<std::string> batchFiles(const std::vector<std::filesystem::path>& inputs,
                                    const std::vector<std::filesystem::path>& outputs = {});

// Runs the batch; returns Success, or SomeFailed when any matrix failed. Errors
// that stop the whole batch (an output that cannot be written, Ctrl-C) are thrown.
int runBatch(const CommandLine& line);

}  // namespace kelpo
