#include <gtest/gtest.h>

#include <string>

#include "core/error.h"
#include "matrix/matrix_check.h"

namespace kelpo {
namespace {

std::string validationMessage(SparseArray cells) {
    try {
        validateMatrix(cells);
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::InvalidInput);
        return error.what();
    }
    return "";
}

std::string refusal(const std::string& position) {
    return "Error 05: Presence-absence matrix contains a non-binary entry in cell " + position + ".  Aborting analysis.";
}

TEST(MatrixCheck, BlanksAroundBinaryCellsAreTrimmed) {
    SparseArray cells;
    cells.setValue(0, 1, "  Site one\t");
    cells.setValue(1, 0, " Sp1 ");
    cells.setValue(1, 1, " 1 ");
    cells.setValue(1, 2, "\t0  ");
    cells.setValue(2, 2, "1");
    validateMatrix(cells);
    EXPECT_EQ(cells.value(0, 1), "Site one");
    EXPECT_EQ(cells.value(1, 0), "Sp1");
    EXPECT_EQ(cells.find(1, 2), nullptr);  // trimmed to "0": removed

    PresenceMatrix expected(2, 2);
    expected.set(1, 1, 1);
    expected.set(2, 2, 1);
    EXPECT_EQ(buildMatrix(cells), expected);
    EXPECT_EQ(buildMatrix(SparseArray()), PresenceMatrix(0, 0));
}

TEST(MatrixCheck, TheFirstNonBinaryDataCellInKeyOrderIsRefused) {
    for (const char* bad : {"2", "x", "", "  ", "1 1", "01"}) {
        SparseArray cells;
        cells.setValue(3, 5, bad);
        EXPECT_EQ(validationMessage(cells), refusal("3,5")) << '"' << bad << '"';
    }
    SparseArray cells;  // names and cells outside the data area are not checked
    cells.setValue(0, 1, "x");
    cells.setValue(1, 0, "");
    cells.setValue(-1, 4, "x");
    EXPECT_EQ(validationMessage(cells), "");
    cells.setValue(1, 1, "a");
    cells.setValue(4, 2, "b");
    cells.setValue(2, 3, "1");
    cells.setValue(1, 1, "a");  // rewritten: now last in key order
    EXPECT_EQ(validationMessage(cells), refusal("4,2"));
}

}  // namespace
}  // namespace kelpo
