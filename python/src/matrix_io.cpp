// Matrices between Python and the engine: numpy cells or coordinates of presences in,
// Kelpo's matrix files read and written, reports saved atomically.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include "core/atomic_file.h"
#include "core/presence_matrix.h"
#include "glue.h"
#include "matrix/matrix_check.h"
#include "matrix/matrix_file.h"
#include "matrix/table_file.h"

namespace kelpo::python {

namespace {

using Cells = py::array_t<std::uint8_t, py::array::f_style | py::array::forcecast>;
using Indexes = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>;

// Cells already checked to be 0/1 by the Python side; column-major, as the matrix stores them.
PresenceMatrix fromDense(const Cells& cells) {
    if (cells.ndim() != 2) throw py::value_error("the cells must form a 2-D array");
    const auto rows = static_cast<std::int32_t>(cells.shape(0)), cols = static_cast<std::int32_t>(cells.shape(1));
    PresenceMatrix matrix(rows, cols);
    const auto view = cells.unchecked<2>();
    for (std::int32_t k = 0; k < cols; ++k) {
        for (std::int32_t i = 0; i < rows; ++i) matrix.set(i + 1, k + 1, view(i, k) != 0 ? 1 : 0);
    }
    return matrix;
}

// A sparse table's presences: only the engine's own matrix is ever dense.
PresenceMatrix fromCoordinates(const Indexes& row, const Indexes& col, std::int32_t rows, std::int32_t cols) {
    if (row.size() != col.size()) throw py::value_error("row and column indexes differ in length");
    PresenceMatrix matrix(rows, cols);
    const auto r = row.unchecked<1>(), c = col.unchecked<1>();
    for (py::ssize_t n = 0; n < row.size(); ++n) {
        if (r(n) < 0 || r(n) >= rows || c(n) < 0 || c(n) >= cols) throw py::value_error("index outside the table");
        matrix.set(static_cast<std::int32_t>(r(n) + 1), static_cast<std::int32_t>(c(n) + 1), 1);
    }
    return matrix;
}

py::array_t<std::uint8_t> toNumpy(const PresenceMatrix& matrix) {
    py::array_t<std::uint8_t> cells({matrix.rows(), matrix.cols()});
    auto view = cells.mutable_unchecked<2>();
    for (std::int32_t i = 1; i <= matrix.rows(); ++i) {
        for (std::int32_t k = 1; k <= matrix.cols(); ++k) view(i - 1, k - 1) = matrix(i, k);
    }
    return cells;
}

// As kelpo-cli reads a file (Kelpo text, CSV, biom TSV): checked cells, names from row 0 and column 0.
py::dict readMatrix(const std::filesystem::path& path, bool speciesInColumns, bool binary) {
    MatrixFileContents contents = readTableFile(path, TableOptions{speciesInColumns, binary});
    SparseArray& copy = contents.cells;
    validateMatrix(copy);
    const PresenceMatrix matrix = buildMatrix(copy, contents.rows, contents.cols);
    std::vector<std::string> species, sites;
    for (std::int32_t i = 1; i <= matrix.rows(); ++i) species.push_back(copy.value(i, 0));
    for (std::int32_t k = 1; k <= matrix.cols(); ++k) sites.push_back(copy.value(0, k));
    py::dict result;
    result["cells"] = toNumpy(matrix);
    result["species"] = species;
    result["sites"] = sites;
    result["name"] = matrixName(path.string());
    result["corner"] = copy.value(0, 0);
    return result;
}

void writeMatrix(const PresenceMatrix& matrix, const std::vector<std::string>& species,
                 const std::vector<std::string>& sites, const std::string& corner, const std::filesystem::path& path) {
    SparseArray array;
    array.setValue(0, 0, corner);
    for (std::int32_t k = 1; k <= matrix.cols(); ++k) array.setValue(0, k, sites.at(k - 1));
    for (std::int32_t i = 1; i <= matrix.rows(); ++i) {
        array.setValue(i, 0, species.at(i - 1));
        for (std::int32_t k = 1; k <= matrix.cols(); ++k) {
            if (matrix(i, k) != 0) array.setValue(i, k, "1");
        }
    }
    writeMatrixFile(path, array, matrix.rows(), matrix.cols());
}

}  // namespace

void registerMatrix(py::module_& module) {
    py::class_<PresenceMatrix>(module, "PresenceMatrix")
        .def_property_readonly("rows", &PresenceMatrix::rows)
        .def_property_readonly("cols", &PresenceMatrix::cols)
        .def("to_numpy", &toNumpy);
    module.def("matrix_from_dense", &fromDense, py::arg("cells"));
    module.def("matrix_from_coordinates", &fromCoordinates, py::arg("row"), py::arg("col"), py::arg("rows"),
               py::arg("cols"));
    module.def("read_matrix", &readMatrix, py::arg("path"), py::arg("species_in_columns") = false,
               py::arg("binary") = false);
    module.def("write_matrix", &writeMatrix, py::arg("matrix"), py::arg("species"), py::arg("sites"),
               py::arg("corner"), py::arg("path"));
    module.def("write_text", [](const std::filesystem::path& path, const std::string& text) {
        writeFileAtomically(path, text);
    }, py::arg("path"), py::arg("text"));
    module.def("matrix_name", [](const std::string& path) { return matrixName(path); });
}

}  // namespace kelpo::python
