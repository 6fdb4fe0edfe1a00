// The sparse cell store against a plain model, and the check of its cells before a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <random>
#include <string>
#include <vector>

#include "core/error.h"
#include "matrix/matrix_check.h"
#include "matrix/sparse_array.h"

namespace kelpo {
namespace {

using Counts = SparseArray::CountMap;

// Key texts: no comma makes the whole text the column, no leading number reads 0.
TEST(SparseArray, RowColumnReadsKeyTexts) {
    using Result = std::array<std::int32_t, 3>;
    const std::pair<const char*, Result> keys[] = {
        {"-4,7", {0, -4, 7}}, {"3,-12", {0, 3, -12}}, {"8", {0, 8, 8}}, {"ab,5", {0, 0, 5}}};
    for (const auto& [key, result] : keys) EXPECT_EQ(SparseArray::rowColumn(key), result) << key;
    for (const char* bad : {"2,x", "2,", "2,3,4", "2,inf", "2,nan", "2,-"})
        EXPECT_THROW(SparseArray::rowColumn(bad), Error) << bad;
}

TEST(SparseArray, CopiesAreIndependentAndAssignmentRebuildsCounts) {
    SparseArray source;
    source.setValue(1, 1, "a");
    source.setValue(0, 2, "b");
    SparseArray copy(source);
    source.setValue(0, 2, "0");
    source.setValue(5, 5, "z");
    EXPECT_EQ(copy.keys(), (std::vector<std::string>{"1,1", "0,2"}));
    SparseArray moved(std::move(copy));
    copy = source;  // a moved-from store takes a new value
    EXPECT_EQ(moved.size() * 10 + copy.size(), 22u);
    EXPECT_EQ(source.rowCount(), (Counts{{0, 0}, {1, 1}, {5, 1}}));  // an emptied row keeps its entry...
    EXPECT_EQ(copy.rowCount(), (Counts{{1, 1}, {5, 1}}));             // ...assignment counts the cells anew
}

// Many random writes on a small area, so cells are removed, rewritten and compacted
// often, checked against a plain ordered model: key order is the order of last write,
// counts (an emptied row or column keeps its entry), sizes and every value.
TEST(SparseArray, MatchesASimpleModelUnderRandomWrites) {
    std::mt19937 random(7);
    SparseArray cells;
    std::list<std::pair<std::pair<int, int>, std::string>> model;
    const std::vector<std::string> choices{"0", "1", "", " 0", "00"};  // only exactly "0" is never stored
    const auto inModel = [&model](int row, int col) {
        return std::find_if(model.begin(), model.end(), [&](const auto& e) { return e.first == std::pair{row, col}; });
    };
    for (int step = 0; step < 60000; ++step) {
        const int row = static_cast<int>(random() % 40) - 3;
        const int col = static_cast<int>(random() % 40) - 3;
        const std::string& text = choices[random() % choices.size()];
        cells.setValue(row, col, text);
        if (const auto it = inModel(row, col); it != model.end()) model.erase(it);
        if (text != "0") model.push_back({{row, col}, text});
    }
    std::vector<std::string> expected;
    int rows = 0, cols = 0;
    for (const auto& [position, text] : model) {
        expected.push_back(std::to_string(position.first) + "," + std::to_string(position.second));
        rows = std::max(rows, position.first);
        cols = std::max(cols, position.second);
    }
    EXPECT_EQ(cells.keys(), expected);
    EXPECT_EQ(cells.rows() * 100 + cells.cols(), rows * 100 + cols);
    for (int row = -3; row < 37; ++row) {
        for (int col = -3; col < 37; ++col) {
            const auto it = inModel(row, col);
            ASSERT_EQ(cells.value(row, col), it == model.end() ? "0" : it->second);
        }
    }
    EXPECT_EQ(cells.size(), model.size());
}


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
    EXPECT_EQ(cells.find(1, 2), std::nullopt);  // trimmed to "0": removed

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
