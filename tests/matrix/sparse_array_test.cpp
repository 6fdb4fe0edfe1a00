#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/error.h"
#include "matrix/sparse_array.h"

namespace kelpo {
namespace {

using Counts = SparseArray::CountMap;

std::vector<std::string> texts(const SparseArray& cells) {
    std::vector<std::string> result;
    cells.forEach([&result](const SparseArray::Cell& cell) { result.emplace_back(cell.text); });
    return result;
}

TEST(SparseArray, UnstoredCellsReadZeroAndOnlyExactZeroIsNeverStored) {
    SparseArray cells;
    EXPECT_EQ(cells.value(5, -3), "0");
    EXPECT_EQ(cells.rows(), 0);
    EXPECT_EQ(cells.cols(), 0);
    cells.setValue(1, 1, "0");
    EXPECT_TRUE(cells.keys().empty());
    EXPECT_TRUE(cells.rowCount().empty());
    const std::vector<std::string> kept{"", " ", "00", " 0"};
    for (int col = 0; col < 4; ++col) cells.setValue(1, col, kept[col]);
    EXPECT_EQ(texts(cells), kept);
    EXPECT_EQ(cells.find(1, 5), std::nullopt);
}

TEST(SparseArray, KeyOrderIsOrderOfLastWrite) {
    SparseArray cells;
    cells.setValue(3, 12, "a");
    cells.setValue(-4, 7, "b");
    cells.setValue(0, 0, "c");
    EXPECT_EQ(cells.keys(), (std::vector<std::string>{"3,12", "-4,7", "0,0"}));
    cells.setValue(3, 12, "a");  // the same text still moves the key
    cells.setValue(-4, 7, "0");
    cells.setValue(-4, 7, "d");  // removed and written again: last
    EXPECT_EQ(cells.keys(), (std::vector<std::string>{"0,0", "3,12", "-4,7"}));
    EXPECT_EQ(texts(cells), (std::vector<std::string>{"c", "a", "d"}));
    EXPECT_EQ(cells.positions().back(), (SparseArray::Position{-4, 7}));
}

TEST(SparseArray, RowColumnReadsKeyTexts) {
    using Result = std::array<std::int32_t, 3>;
    EXPECT_EQ(SparseArray::rowColumn("-4,7"), (Result{0, -4, 7}));
    EXPECT_EQ(SparseArray::rowColumn("3,-12"), (Result{0, 3, -12}));
    EXPECT_EQ(SparseArray::rowColumn("8"), (Result{0, 8, 8}));     // no comma: the whole text is the column
    EXPECT_EQ(SparseArray::rowColumn("ab,5"), (Result{0, 0, 5}));  // no leading number reads 0
    for (const char* bad : {"2,x", "2,", "2,3,4", "2,inf", "2,nan", "2,-"}) {
        try {
            SparseArray::rowColumn(bad);
            ADD_FAILURE() << bad;
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::InvalidInput) << bad;
        }
    }
}

TEST(SparseArray, CopiesAreIndependentKeepKeyOrderAndAssignmentRebuildsCounts) {
    SparseArray source;
    source.setValue(1, 1, "a");
    source.setValue(0, 2, "b");
    source.setValue(1, 1, "c");
    SparseArray copy(source);
    source.setValue(0, 2, "0");
    source.setValue(5, 5, "z");
    EXPECT_EQ(copy.keys(), (std::vector<std::string>{"0,2", "1,1"}));
    EXPECT_EQ(copy.value(1, 1), "c");
    EXPECT_EQ(copy.value(5, 5), "0");

    SparseArray moved(std::move(copy));
    EXPECT_EQ(moved.size(), 2u);
    copy = source;  // a moved-from store takes a new value
    EXPECT_EQ(copy.value(5, 5), "z");
    EXPECT_EQ(source.rowCount(), (Counts{{0, 0}, {1, 1}, {5, 1}}));  // an emptied row keeps its entry...
    EXPECT_EQ(copy.rowCount(), (Counts{{1, 1}, {5, 1}}));             // ...but assignment counts the cells anew
    EXPECT_EQ(copy.colCount(), (Counts{{1, 1}, {5, 1}}));
}

// Many random writes on a small area, so cells are removed, rewritten and
// compacted often, checked against a plain ordered model of the same rules: key
// order, counts (an emptied row or column keeps its entry), sizes and every value.
TEST(SparseArray, MatchesASimpleModelUnderRandomWrites) {
    std::mt19937 random(7);
    SparseArray cells;
    std::list<std::pair<std::pair<int, int>, std::string>> model;
    std::map<int, int> rowModel;
    std::map<int, int> colModel;
    const std::vector<std::string> choices{"0", "1", "", "x"};
    const auto inModel = [&model](int row, int col) {
        return std::find_if(model.begin(), model.end(), [&](const auto& e) { return e.first == std::pair{row, col}; });
    };
    for (int step = 0; step < 60000; ++step) {
        const int row = static_cast<int>(random() % 40) - 3;
        const int col = static_cast<int>(random() % 40) - 3;
        const std::string& text = choices[random() % choices.size()];
        cells.setValue(row, col, text);
        const auto count = [&](int change) {
            rowModel[row] += change;
            colModel[col] += change;
        };
        if (const auto it = inModel(row, col); it != model.end()) {
            model.erase(it);
            if (text == "0") count(-1);
        } else if (text != "0") {
            count(1);
        }
        if (text != "0") model.push_back({{row, col}, text});
        if (step % 5000 == 0) {
            std::vector<std::string> expected;
            int rows = 0;
            int cols = 0;
            for (const auto& [position, text] : model) {
                expected.push_back(std::to_string(position.first) + "," + std::to_string(position.second));
                rows = std::max(rows, position.first);
                cols = std::max(cols, position.second);
            }
            ASSERT_EQ(cells.keys(), expected);
            ASSERT_EQ(cells.rowCount(), Counts(rowModel.begin(), rowModel.end()));
            ASSERT_EQ(cells.colCount(), Counts(colModel.begin(), colModel.end()));
            ASSERT_EQ(cells.rows(), rows);
            ASSERT_EQ(cells.cols(), cols);
        }
    }
    for (int row = -3; row < 37; ++row) {
        for (int col = -3; col < 37; ++col) {
            const auto it = inModel(row, col);
            ASSERT_EQ(cells.value(row, col), it == model.end() ? "0" : it->second);
        }
    }
    EXPECT_EQ(cells.size(), model.size());
}

}  // namespace
}  // namespace kelpo
