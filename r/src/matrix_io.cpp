// Kelpo's matrix text files to and from R: the cells as 0/1, the names kept.
#include "glue.h"

#include "matrix/matrix_check.h"
#include "matrix/matrix_file.h"

// [[Rcpp::export(name = ".kelpo_read_matrix")]]
Rcpp::List kelpo_read_matrix(std::string path) {
    using namespace kelpo;
    return r::rethrowAsR([&] {
        const MatrixFileContents contents = readMatrixFile(path);
        SparseArray copy = contents.cells;
        validateMatrix(copy);
        const PresenceMatrix matrix = buildMatrix(copy);
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
void kelpo_write_matrix(Rcpp::IntegerMatrix cells, Rcpp::CharacterVector species, Rcpp::CharacterVector sites,
                        std::string corner, std::string path) {
    using namespace kelpo;
    r::rethrowAsR([&] {
        SparseArray array;
        array.setValue(0, 0, corner);
        for (int k = 0; k < cells.ncol(); ++k) array.setValue(0, k + 1, std::string(sites[k]));
        for (int i = 0; i < cells.nrow(); ++i) {
            array.setValue(i + 1, 0, std::string(species[i]));
            for (int k = 0; k < cells.ncol(); ++k) {
                if (cells(i, k) != 0) array.setValue(i + 1, k + 1, "1");
            }
        }
        writeMatrixFile(path, array, cells.nrow(), cells.ncol());
    });
}
