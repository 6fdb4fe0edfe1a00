// The files kelpo-cli writes besides standard output: the report and the JSON results.
#pragma once

#include <filesystem>
#include <string_view>

namespace kelpo {

// Refuses, before a long run, a path that can never be written: an existing
// folder, or a file in a folder that does not exist. Throws kelpo::Error
// (InputOutput) with "Error 09: invalid file name" and the cause.
void checkOutputPath(const std::filesystem::path& path);

// Writes the bytes exactly, replacing any file at path only once all is written:
// on failure (as above) an old file stays as it was.
void writeOutputFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kelpo
