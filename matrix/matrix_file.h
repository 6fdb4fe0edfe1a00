// The matrix text file: a header line of site names, one line per species.
// Reading accepts space, tab or comma separators; writing uses spaces and CR LF.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "matrix/sparse_array.h"
#include "matrix/text_encoding.h"

namespace kelpo {

// Largest number of species or sites the grid can show and the analysis take.
inline constexpr std::int32_t kMaxMatrixSide = 32767;

struct MatrixFileContents {
    SparseArray cells;  // row 0 the header line, column 0 the species names
    std::int32_t rows;  // species lines counted
    std::int32_t cols;  // sites named by the header
    TextEncoding encoding = TextEncoding::Utf8;  // of the file; the cells hold UTF-8
};

// Reads a matrix from the bytes of a file, as UTF-8 when they are valid UTF-8
// and as Windows-1252 otherwise. Throws kelpo::Error (InputOutput,
// "Error 07: Error opening file.") for text that holds no matrix, and
// (OutOfMemory, naming the cells and megabytes) for cells this computer's free
// memory cannot hold.
MatrixFileContents parseMatrixText(std::string_view text);
// The same for a file on disk; also Error 07 when it cannot be opened or read,
// and (InputOutput, naming the byte) for a file that is not text.
MatrixFileContents readMatrixFile(const std::filesystem::path& path);

// Writes rows 0..rows and columns 0..cols, replacing any file at path only once
// all is written. Throws kelpo::Error (InputOutput, "Error 08: Error writing
// file") on any failure, leaving any file at path as it was. The texts are
// written in `encoding` when all of them fit it, else in UTF-8; returns which.
TextEncoding writeMatrixFile(const std::filesystem::path& path, const SparseArray& cells, std::int32_t rows,
                             std::int32_t cols, TextEncoding encoding = TextEncoding::Utf8);

// The matrix name of a file: its name without folder and without any ".txt".
std::string matrixName(std::string_view path);
// The path a save writes to: the chosen path with ".txt" removed from its file
// name and appended once; empty when nothing was chosen.
std::string matrixSavePath(std::string_view chosen);
// The caption above the grid: "Presence-Absence Matrix: name [RxC]".
std::string matrixCaption(std::string_view name, std::string_view rowsText, std::string_view colsText);

}  // namespace kelpo
