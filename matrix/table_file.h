// Tables as spreadsheets, R and biom-format write them (CSV with quotes, semicolons,
// tabs, spaces; the text table of `biom convert --to-tsv`), read for the command line
// and the packages. The desktop program's Open keeps its own rules (matrix_file.h).
#pragma once

#include <filesystem>
#include <string_view>

#include "matrix/matrix_file.h"

namespace kelpo {

struct TableOptions {
    bool speciesInColumns = false;  // the file is sites x species
    bool binary = false;            // every number above 0 is a presence
};

// The cells as the grid holds them: species names in column 0, site names in row 0,
// a presence "1", an absence not stored. A data cell that is a number equal to 0 or
// 1 is stored as such; with `binary` any number above 0 is a presence. Other cells
// keep their text, so validateMatrix refuses them, naming the cell.
// Throws kelpo::Error (InvalidInput) for a table without species or sites ("read 2
// species and 0 sites: is the separator ..."), a line whose number of fields differs
// from the header's, a side beyond kMaxMatrixSide, a negative number or, with
// `binary`, a data cell that is no number; each names the line or the cell.
MatrixFileContents parseTableText(std::string_view bytes, const TableOptions& options);
// The same for a file; kelpo::Error (InputOutput) when it cannot be read.
MatrixFileContents readTableFile(const std::filesystem::path& path, const TableOptions& options);

}  // namespace kelpo
