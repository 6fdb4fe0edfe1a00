#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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

std::filesystem::path scratchFile(const std::string& name) {
    const auto folder = std::filesystem::path(KELPO_BINARY_DIR) / "matrix_file_test";
    std::filesystem::create_directories(folder);
    return folder / name;
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(MatrixFile, SeparatorIsCommaOverTabOverSpace) {
    const auto commas = parseMatrixText("Spe cies,S\t1,S 2\r\nSp 1, 1,0\r\n");
    EXPECT_EQ(commas.cols, 2);
    EXPECT_EQ(commas.cells.value(0, 1), "S\t1");
    EXPECT_EQ(commas.cells.value(1, 0), "Sp 1");
    EXPECT_EQ(commas.cells.value(1, 1), " 1");  // kept unchanged, leading space included
    EXPECT_EQ(commas.cells.find(1, 2), nullptr);

    const auto tabs = parseMatrixText("Species\tSite one\tSite two\nSp one\t1\t0\n");
    EXPECT_EQ(tabs.cols, 2);
    EXPECT_EQ(tabs.cells.value(0, 2), "Site two");
    EXPECT_EQ(tabs.cells.value(1, 0), "Sp one");

    const auto spaces = parseMatrixText("Species A B C\nSp1 1 1 1\n");
    EXPECT_EQ(spaces.rows, 1);
    EXPECT_EQ(spaces.cols, 3);
}

TEST(MatrixFile, SiteCountFollowsLeadingAndTrailingSpaces) {
    EXPECT_EQ(parseMatrixText("Species A B C \n1\n").cols, 4);  // the fourth site has an empty name
    EXPECT_EQ(parseMatrixText("Species A B C \n1\n").cells.value(0, 4), "");
    EXPECT_EQ(parseMatrixText(" A B C\n1\n").cols, 2);
    EXPECT_EQ(parseMatrixText(" A B C \n1\n").cols, 3);
    EXPECT_EQ(parseMatrixText("Species\n1\n").cols, 0);
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
    EXPECT_EQ(contents.cells.find(2, 2), nullptr);
    EXPECT_EQ(parseMatrixText("S  A\nSp1  1\n").cells.value(1, 1), "");  // adjacent separators: an empty field
}

TEST(MatrixFile, ByteOrderMarkIsNotPartOfTheCornerLabel) {
    const auto contents = parseMatrixText("\xEF\xBB\xBF A B\n1\n");
    EXPECT_EQ(contents.cols, 1);
    EXPECT_EQ(contents.cells.value(0, 0), "");
}

TEST(MatrixFile, TextWithoutAMatrixIsRefused) {
    expectOpenError("");
    expectOpenError("\xEF\xBB\xBF");
    expectOpenError("Species A B");
    expectOpenError("Species A B\r\n");
    expectOpenError("Species A B\r");
    expectOpenError("S" + std::string(32768, ' ') + "\n1\n");  // more sites than can be shown
    EXPECT_EQ(parseMatrixText("S" + std::string(32767, ' ') + "\n1\n").cols, 32767);

    std::string manySpecies = "S A\n";
    for (int i = 0; i < 32768; ++i) manySpecies += "1\n";
    expectOpenError(manySpecies);
    expectOpenError("S A\n1" + std::string(40000, ' '));  // a field beyond the last site column
    EXPECT_EQ(parseMatrixText(std::string("a\0b\n\0\n", 6)).rows, 0);  // a NUL is no digit
}

TEST(MatrixFile, FilesThatCannotBeReadAreRefused) {
    EXPECT_THROW(readMatrixFile(scratchFile("missing.txt")), Error);
    EXPECT_THROW(readMatrixFile(scratchFile("")), Error);  // the folder itself
}

TEST(MatrixFile, WrittenFileHasExactBytesAndReadsBack) {
    SparseArray cells;
    cells.setValue(0, 0, "Species");
    cells.setValue(0, 1, "Site one");
    cells.setValue(0, 2, "Site2");
    cells.setValue(1, 0, "Sp1");
    cells.setValue(1, 1, "1");
    cells.setValue(2, 0, "Sp2");
    cells.setValue(2, 2, "1");
    cells.setValue(3, 3, "beyond");  // outside rows and cols: not written
    const auto path = scratchFile("round_trip.txt");
    writeMatrixFile(path, cells, 2, 2);
    EXPECT_EQ(fileBytes(path), "Species Site_one Site2\r\nSp1 1 0\r\nSp2 0 1\r\n\r\n");

    const auto back = readMatrixFile(path);
    EXPECT_EQ(back.rows, 2);
    EXPECT_EQ(back.cols, 2);
    EXPECT_EQ(back.cells.value(0, 1), "Site_one");
    cells.setValue(0, 1, "Site_one");
    cells.setValue(3, 3, "0");
    EXPECT_EQ(back.cells.keys().size(), cells.size());
    cells.forEach([&back](const SparseArray::Cell& cell) { EXPECT_EQ(back.cells.value(cell.row, cell.col), cell.text); });
}

TEST(MatrixFile, WriteFailuresAreReported) {
    const SparseArray cells;
    for (const std::filesystem::path& path : {scratchFile("no_folder/m.txt"), std::filesystem::path("/dev/full")}) {
        try {
            writeMatrixFile(path, cells, 2, 2);
            ADD_FAILURE() << path;
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::InputOutput);
            EXPECT_STREQ(error.what(), "Error 08: Error writing file");
        }
    }
}

TEST(MatrixFile, NamesPathsAndCaption) {
    EXPECT_EQ(matrixName("C:\\data\\birds.txt"), "birds");
    EXPECT_EQ(matrixName("/home/u/birds.txt.txt"), "birds");
    EXPECT_EQ(matrixName("birds.TXT"), "birds.TXT");
    EXPECT_EQ(matrixName("a..txttxt"), "a.txt");  // one pass from the left

    EXPECT_EQ(matrixSavePath(""), "");
    EXPECT_EQ(matrixSavePath("/tmp/birds"), "/tmp/birds.txt");
    EXPECT_EQ(matrixSavePath("/tmp/birds.txt"), "/tmp/birds.txt");
    EXPECT_EQ(matrixSavePath("C:\\my.txt files\\birds.txt"), "C:\\my.txt files\\birds.txt");

    EXPECT_EQ(matrixCaption("birds", "12", "30"), "Presence-Absence Matrix: birds [12x30]");
}

}  // namespace
}  // namespace kelpo
