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
    cells.forEach([&result](const SparseArray::Cell& cell) { result.push_back(cell.text); });
    return result;
}

TEST(SparseArray, UnstoredCellsReadZeroAndOnlyExactZeroIsNeverStored) {
    SparseArray cells;
    EXPECT_EQ(cells.value(5, -3), "0");
    EXPECT_EQ(cells.rows(), 0);
    EXPECT_EQ(cells.cols(), 0);
    EXPECT_TRUE(cells.keys().empty());

    cells.setValue(1, 1, "0");
    EXPECT_EQ(cells.size(), 0u);
    EXPECT_TRUE(cells.rowCount().empty());

    cells.setValue(1, 1, "");
    cells.setValue(1, 2, " ");
    cells.setValue(1, 3, "00");
    cells.setValue(1, 4, " 0");
    EXPECT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells.value(1, 1), "");
    EXPECT_EQ(cells.value(1, 3), "00");
    EXPECT_EQ(cells.find(1, 5), nullptr);
}

TEST(SparseArray, KeyOrderIsOrderOfLastWrite) {
    SparseArray cells;
    cells.setValue(3, 12, "a");
    cells.setValue(-4, 7, "b");
    cells.setValue(0, 0, "c");
    EXPECT_EQ(cells.keys(), (std::vector<std::string>{"3,12", "-4,7", "0,0"}));

    cells.setValue(3, 12, "a");  // the same text still moves the key
    EXPECT_EQ(cells.keys(), (std::vector<std::string>{"-4,7", "0,0", "3,12"}));
    cells.setValue(-4, 7, "0");
    cells.setValue(-4, 7, "d");
    EXPECT_EQ(cells.keys(), (std::vector<std::string>{"0,0", "3,12", "-4,7"}));
    EXPECT_EQ(texts(cells), (std::vector<std::string>{"c", "a", "d"}));
    EXPECT_EQ(cells.positions().back(), (SparseArray::Position{-4, 7}));
}

TEST(SparseArray, CountsFollowInsertAndRemoveButNotReplace) {
    SparseArray cells;
    cells.setValue(2, 5, "1");
    cells.setValue(2, 5, "1");
    cells.setValue(2, 5, "x");
    EXPECT_EQ(cells.rowCount(), (Counts{{2, 1}}));
    EXPECT_EQ(cells.colCount(), (Counts{{5, 1}}));

    cells.setValue(2, 5, "0");
    EXPECT_EQ(cells.size(), 0u);
    EXPECT_EQ(cells.rowCount(), (Counts{{2, 0}}));  // an emptied row keeps its entry
    EXPECT_EQ(cells.colCount(), (Counts{{5, 0}}));
    EXPECT_EQ(cells.rows(), 0);

    cells.setValue(2, 6, "1");
    cells.setValue(9, 6, "1");
    EXPECT_EQ(cells.colCount(), (Counts{{5, 0}, {6, 2}}));

    SparseArray copy;
    copy = cells;  // the copy rebuilds its counts from the cells
    EXPECT_EQ(copy.rowCount(), (Counts{{2, 1}, {9, 1}}));
    EXPECT_EQ(copy.colCount(), (Counts{{6, 2}}));
}

TEST(SparseArray, RowsAndColsAreTheLargestStoredIndicesAtLeastZero) {
    SparseArray cells;
    cells.setValue(-4, -2, "1");
    EXPECT_EQ(cells.rows(), 0);
    EXPECT_EQ(cells.cols(), 0);
    cells.setValue(7, 3, "1");
    cells.setValue(2, 9, "1");
    EXPECT_EQ(cells.rows(), 7);
    EXPECT_EQ(cells.cols(), 9);
    cells.setValue(7, 3, "0");
    EXPECT_EQ(cells.rows(), 2);
    EXPECT_EQ(cells.cols(), 9);
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

TEST(SparseArray, CopiesAreIndependentAndKeepKeyOrder) {
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
}

// Many random writes on a small area, so cells are removed, rewritten and
// compacted often, checked against a plain ordered model of the same rules.
TEST(SparseArray, MatchesASimpleModelUnderRandomWrites) {
    std::mt19937 random(7);
    SparseArray cells;
    std::list<std::pair<std::pair<int, int>, std::string>> model;
    std::map<int, int> rowModel;
    const std::vector<std::string> choices{"0", "1", "", "x"};
    for (int step = 0; step < 60000; ++step) {
        const int row = static_cast<int>(random() % 40) - 3;
        const int col = static_cast<int>(random() % 40) - 3;
        const std::string& text = choices[random() % choices.size()];
        cells.setValue(row, col, text);
        auto it = std::find_if(model.begin(), model.end(), [&](const auto& e) { return e.first == std::pair{row, col}; });
        if (it != model.end()) {
            model.erase(it);
            if (text == "0") --rowModel[row];
        } else if (text != "0") {
            ++rowModel[row];
        }
        if (text != "0") model.push_back({{row, col}, text});
        if (step % 5000 == 0) {
            std::vector<std::string> expected;
            for (const auto& e : model)
                expected.push_back(std::to_string(e.first.first) + "," + std::to_string(e.first.second));
            ASSERT_EQ(cells.keys(), expected);
            ASSERT_EQ(cells.rowCount(), Counts(rowModel.begin(), rowModel.end()));
        }
    }
    for (const auto& [position, text] : model) ASSERT_EQ(cells.value(position.first, position.second), text);
    EXPECT_EQ(cells.size(), model.size());
}

}  // namespace
}  // namespace kelpo
