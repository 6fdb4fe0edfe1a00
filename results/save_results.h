// Saving a report: the file name rule, the byte form of the text, and the write itself.
#pragma once

#include <string>
#include <string_view>

namespace kelpo {

// The path a report is saved under: NULs removed, every exact-case ".txt" removed from
// the file name (the folders are left alone), blanks trimmed, ".txt" appended.
// "Results" -> "Results.txt", "a.txt" -> "a.txt", "x.txt.bak" -> "x.bak.txt".
// path is UTF-8; an empty path gives an empty result (nothing is to be saved).
std::string resultsFilePath(std::string_view path);

// The bytes written for a UTF-8 report: Latin-1 when every character fits one byte,
// otherwise the UTF-8 text unchanged.
std::string singleByteText(std::string_view utf8);

// Creates or replaces the file (path in UTF-8) with bytes exactly, no line end added; an
// old file is replaced only once all is written. Throws kelpo::Error (InputOutput) when
// the file cannot be created, written or closed, leaving any old file as it was.
void writeResultsFile(const std::string& path, std::string_view bytes);

}  // namespace kelpo
