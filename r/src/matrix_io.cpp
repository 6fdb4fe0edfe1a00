// Matrix files to and from R: read by kelpo-cli's rules (Kelpo text, CSV as R and
// spreadsheets write it, biom TSV), written as Kelpo text; the cells as 0/1, the names kept.
#include "glue.h"

#include "matrix/matrix_check.h"
#include "matrix/matrix_file.h"
#include "matrix/table_file.h"

// [[Rcpp::export(name = ".kelpo_read_matrix")]]
Rcpp::List kelpo_read_matrix(std::string path, bool species_in_columns, bool binary) {
    using namespace kelpo;
    return r::rethrowAsR([&] {
        MatrixFileContents contents = readTableFile(path, TableOptions{species_in_columns, binary});
        SparseArray& copy = contents.cells;
        validateMatrix(copy);
        const PresenceMatrix matrix = buildMatrix(copy, contents.rows, contents.cols);
        Rcpp::IntegerMatrix cells(matrix.rows(), matrix.cols());
        for (int k = 1; k <= matrix.cols(); ++k) {
            for (int i = 1; i <= matrix.rows(); ++i) cells(i - 1, k - 1) = matrix(i, k);
        }
        Rcpp::CharacterVector species(matrix.rows()), sites(matrix.cols());
        for (int i = 1; i <= matrix.rows(); ++i) species[i - 1] = copy.value(i, 0);
        for (int k = 1; k <= matrix.cols(); ++k) sites[k - 1] = copy.value(0, k);
        return Rcpp::List::create(Rcpp::_["cells"] = cells, Rcpp::_["species"] = species,
                                  Rcpp::_["sites"] = sites, Rcpp::_["name"] = matrixName(path),
                                  Rcpp::_["corner"] = copy.value(0, 0));
    });
}

// [[Rcpp::export(name = ".kelpo_write_matrix")]]
void kelpo_write_matrix(Rcpp::List input, std::string corner, std::string path) {
    using namespace kelpo;
    r::rethrowAsR([&] {
        const PresenceMatrix cells = r::presenceMatrix(input);
        const Rcpp::CharacterVector species = input["species"];
        const Rcpp::CharacterVector sites = input["sites"];
        SparseArray array;
        array.setValue(0, 0, corner);
        for (int k = 1; k <= cells.cols(); ++k) array.setValue(0, k, std::string(sites[k - 1]));
        for (int i = 1; i <= cells.rows(); ++i) {
            array.setValue(i, 0, std::string(species[i - 1]));
            for (int k = 1; k <= cells.cols(); ++k) {
                if (cells(i, k) != 0) array.setValue(i, k, "1");
            }
        }
        writeMatrixFile(path, array, cells.rows(), cells.cols());
    });
}
