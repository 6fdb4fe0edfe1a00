// Reading matrix text by its separator and counting rules, and writing it back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "core/error.h"
#include "matrix/matrix_file.h"

namespace kelpo {
namespace {

void expectOpenError(std::string_view text) {
    try {
        parseMatrixText(text);
        ADD_FAILURE() << "accepted: " << testing::PrintToString(std::string(text.substr(0, 40)));
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::InputOutput);
        EXPECT_STREQ(error.what(), "Error 07: Error opening file.");
    }
}

TEST(MatrixFile, SeparatorIsCommaOverTabOverSpace) {
    const auto commas = parseMatrixText("Spe cies,S\t1,S 2\r\nSp 1, 1,0\r\n");
    EXPECT_EQ(commas.cols, 2);
    EXPECT_EQ(commas.cells.value(0, 1), "S\t1");
    EXPECT_EQ(commas.cells.value(1, 0), "Sp 1");
    EXPECT_EQ(commas.cells.value(1, 1), " 1");  // kept unchanged, leading space included
    EXPECT_EQ(commas.cells.find(1, 2), std::nullopt);

    const auto tabs = parseMatrixText("Species\tSite one\tSite two\nSp one\t1\t0\n");
    EXPECT_EQ(tabs.cols, 2);
    EXPECT_EQ(tabs.cells.value(0, 2), "Site two");
    EXPECT_EQ(tabs.cells.value(1, 0), "Sp one");

    const auto spaces = parseMatrixText("Species A B C\nSp1 1 1 1\n");
    EXPECT_EQ(spaces.rows, 1);
    EXPECT_EQ(spaces.cols, 3);
}

TEST(MatrixFile, SiteCountFollowsLeadingAndTrailingSpacesAndTheMark) {
    const auto trailing = parseMatrixText("Species A B C \n1\n");
    EXPECT_EQ(trailing.cols, 4);  // the fourth site has an empty name
    EXPECT_EQ(trailing.cells.value(0, 4), "");
    EXPECT_EQ(parseMatrixText(" A B C\n1\n").cols, 2);
    EXPECT_EQ(parseMatrixText(" A B C \n1\n").cols, 3);
    EXPECT_EQ(parseMatrixText("Species\n1\n").cols, 0);
    EXPECT_EQ(parseMatrixText("S" + std::string(32767, ' ') + "\n1\n").cols, 32767);
    // The byte order mark is not part of the corner label, so the space still leads.
    const auto marked = parseMatrixText("\xEF\xBB\xBF A B\n1\n");
    EXPECT_EQ(marked.cols, 1);
    EXPECT_EQ(marked.cells.value(0, 0), "");
}

TEST(MatrixFile, SpeciesLinesEndAtTheFirstLineWithoutZeroOrOne) {
    const auto contents = parseMatrixText("S A B\nSp10\nx 1 1\n\ny 1 1\nz 1 1\n");
    EXPECT_EQ(contents.rows, 2);  // "Sp10" counts through the digits of its name
    EXPECT_EQ(contents.cells.value(1, 0), "Sp10");
    EXPECT_EQ(contents.cells.value(4, 1), "0");  // lines after the blank line are ignored
    EXPECT_EQ(contents.cells.size(), 7u);

    EXPECT_EQ(parseMatrixText("S A\nabc\n1 1\n").rows, 0);
    EXPECT_EQ(parseMatrixText("S A\nSp1 1").rows, 1);  // the last line needs no line end
    EXPECT_EQ(parseMatrixText("S A\r\n\r\n").rows, 0);
}

TEST(MatrixFile, LongerLinesStoreExtraFieldsAndShorterLinesLeaveZeros) {
    const auto contents = parseMatrixText("S A B\rSp1 1 1 1 x\rSp2 1\r");  // lone CR line ends
    EXPECT_EQ(contents.rows, 2);
    EXPECT_EQ(contents.cols, 2);
    EXPECT_EQ(contents.cells.value(1, 4), "x");
    EXPECT_EQ(contents.cells.cols(), 4);
    EXPECT_EQ(contents.cells.find(2, 2), std::nullopt);
    EXPECT_EQ(parseMatrixText("S  A\nSp1  1\n").cells.value(1, 1), "");  // adjacent separators: an empty field
}

TEST(MatrixFile, TextWithoutAMatrixIsRefused) {
    for (const std::string& text : {std::string(), std::string("\xEF\xBB\xBF"), std::string("Species A B"),
                                    std::string("Species A B\r\n"), std::string("Species A B\r"),
                                    "S" + std::string(32768, ' ') + "\n1\n",    // more sites than can be shown
                                    "S A\n1" + std::string(40000, ' ')}) {  // a field beyond the last site column
        expectOpenError(text);
    }
    EXPECT_EQ(parseMatrixText(std::string("a\0b\n\0\n", 6)).rows, 0);  // a NUL is no digit
}

TEST(MatrixFile, WrittenFileHasExactBytesAndReadsBack) {
    SparseArray cells;
    for (const auto& [row, col, text] : std::vector<std::tuple<int, int, std::string>>{
             {0, 0, "Species"}, {0, 1, "Site one"}, {0, 2, "Site2"}, {1, 0, "Sp1"}, {1, 1, "1"},
             {2, 0, "Sp2"}, {2, 2, "1"}, {3, 3, "beyond"}}) {  // (3, 3) is outside rows and cols: not written
        cells.setValue(row, col, text);
    }
    const auto path = std::filesystem::path(KELPO_BINARY_DIR) / "matrix_file_round_trip.txt";
    writeMatrixFile(path, cells, 2, 2);
    std::ifstream written(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
              "Species Site_one Site2\r\nSp1 1 0\r\nSp2 0 1\r\n\r\n");

    const auto back = readMatrixFile(path);
    EXPECT_EQ(back.rows, 2);
    EXPECT_EQ(back.cols, 2);
    EXPECT_EQ(back.cells.value(0, 1), "Site_one");
    cells.setValue(0, 1, "Site_one");
    cells.setValue(3, 3, "0");
    EXPECT_EQ(back.cells.keys().size(), cells.size());
    cells.forEach([&back](const SparseArray::Cell& cell) { EXPECT_EQ(back.cells.value(cell.row, cell.col), cell.text); });
    std::filesystem::remove(path);
}

// Plain names and the caption are checked through the window in matrix_files_gui_test.
TEST(MatrixFile, NamesAndPaths) {
    EXPECT_EQ(matrixName("C:\\data\\birds.txt"), "birds");
    EXPECT_EQ(matrixName("/home/u/birds.txt.txt"), "birds");
    EXPECT_EQ(matrixName("birds.TXT"), "birds.TXT");
    EXPECT_EQ(matrixName("a..txttxt"), "a.txt");  // one pass from the left
    EXPECT_EQ(matrixSavePath(""), "");
    EXPECT_EQ(matrixSavePath("C:\\my.txt files\\birds.txt"), "C:\\my.txt files\\birds.txt");
}

}  // namespace
}  // namespace kelpo
