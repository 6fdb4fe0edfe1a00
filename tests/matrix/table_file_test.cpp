// The command line's table reading: CSV quoting, separators, BIOM text, options and refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/error.h"
#include "matrix/table_file.h"

namespace kelpo {
namespace {

// Text and options, then rows, cols and a few cells (row, col, text; "0" unstored), or the message of a refusal.
struct Case {
    std::string text;
    TableOptions options;
    std::int32_t rows, cols;
    std::vector<std::tuple<int, int, std::string>> cells;
    std::string refusal;
};

TEST(TableFile, ReadingRules) {
    const TableOptions plain, binary{false, true}, columns{true, false};
    const Case cases[] = {
        {"\"\",\"S 1\",\"S,2\"\r\n\"Sp \"\"a\"\"\",1,0\r\n\"B\",0,\"1\"\r\n", plain, 2, 2,
         {{0, 0, "0"}, {0, 2, "S,2"}, {1, 0, "Sp \"a\""}, {1, 1, "1"}, {1, 2, "0"}, {2, 2, "1"}}, ""},
        {"\"Sp\",\"line\nbreak\"\n\"A\",1\n", plain, 1, 1, {{0, 1, "line\nbreak"}}, ""},
        {"Species;S1;S2\r\nA;1;0\r\nB;0;1\r\n", plain, 2, 2, {{0, 2, "S2"}, {2, 2, "1"}}, ""},
        {"S;A;B;;\nx;0,5;0;;\n\n", binary, 1, 2, {{1, 1, "1"}, {1, 2, "0"}}, ""},   // decimal comma, trailing ;
        {"\"S1\"\tS2\n\"A \\\"x\\\"\"\t1\t0\n", plain, 1, 2, {{0, 0, "0"}, {0, 1, "S1"}, {1, 0, "A \"x\""}}, ""},  // R's write.table
        {" A  B\nx  1 1 \n", plain, 1, 2, {{1, 2, "1"}}, ""},                        // runs of spaces
        {"\xEF\xBB\xBFSp A\nx 1.0\ny 0.0\n", plain, 2, 1, {{0, 0, "Sp"}, {1, 1, "1"}, {2, 1, "0"}}, ""},
        {"S A\nx 2\n", plain, 1, 1, {{1, 1, "2"}}, ""},                              // refused later as non-binary
        {"S A B\nx 3 0.0\n", binary, 1, 2, {{1, 1, "1"}, {1, 2, "0"}}, ""},
        {"# Constructed from biom file\n#OTU ID\tS1\tS2\ttaxonomy\nO1\t5.0\t0.0\tk__B; p__F\n", binary, 1, 2,
         {{0, 0, "#OTU ID"}, {0, 2, "S2"}, {1, 1, "1"}, {1, 2, "0"}}, ""},
        {"Site,A,B,C\ns1,1,0,1\ns2,0,0,1\n", columns, 3, 2, {{0, 2, "s2"}, {3, 0, "C"}, {3, 2, "1"}, {2, 1, "0"}}, ""},
        {"Species|S1|S2\nA|1|0\nB|0|1\n", plain, 0, 0, {},
         "read 2 species and 0 sites: is the separator one of tab, comma, semicolon or space?"},
        {"Species,S1,S2\n\n", plain, 0, 0, {},
         "read 0 species and 2 sites: is the separator one of tab, comma, semicolon or space?"},
        {"", plain, 0, 0, {}, "read 0 species and 0 sites: is the separator one of tab, comma, semicolon or space?"},
        {"\n \t", plain, 0, 0, {}, "read 0 species and 0 sites: is the separator one of tab, comma, semicolon or space?"},
        {"S,A,B\nx,1,0\ny,1\n", plain, 0, 0, {}, "Line 3 has 2 fields where the header has 3."},
        {"S,A\nx,\"1\n", plain, 0, 0, {}, "Line 2: a quote is opened and never closed."},
        {"S,A\nx,\"1\"0\n", plain, 0, 0, {}, "Line 2: text follows the closing quote of a field."},
        {"S A\nx NA\n", binary, 0, 0, {}, "Line 2: cell 1,1 holds \"NA\", which is no number."},
        {"S A\nx -1\n", plain, 0, 0, {}, "Line 2: cell 1,1 holds the negative number -1."},
        {"# Constructed from biom file\n#OTU ID\tS1\nO1\tx\n", binary, 0, 0, {}, "Line 3: cell 1,1 holds \"x\", which is no number."},
    };
    for (const Case& c : cases) {
        const std::string shown = testing::PrintToString(c.text.substr(0, 40));
        try {
            const MatrixFileContents contents = parseTableText(c.text, c.options);
            EXPECT_EQ(c.refusal, "") << shown;
            EXPECT_EQ(contents.rows * 1000 + contents.cols, c.rows * 1000 + c.cols) << shown;
            for (const auto& [row, col, text] : c.cells) EXPECT_EQ(contents.cells.value(row, col), text) << shown;
        } catch (const Error& error) {
            EXPECT_EQ(error.what(), c.refusal) << shown;
            EXPECT_EQ(error.kind(), ErrorKind::InvalidInput);
        }
    }
}

// Random tables: a file Kelpo writes reads as the desktop reads it, and its transpose with species in columns alike.
TEST(TableFile, KelpoFilesAndTransposesReadAlike) {
    const auto path = std::filesystem::path(KELPO_BINARY_DIR) / "table_file_round_trip.txt";
    std::mt19937 random(5);
    for (int trial = 0; trial < 20; ++trial) {
        const std::int32_t rows = random() % 7 + 1, cols = random() % 7 + 1;
        SparseArray m;
        std::string transposed;
        for (std::int32_t k = 0; k <= cols; ++k) {
            for (std::int32_t i = 0; i <= rows; ++i) {
                const std::string text = i && k ? std::to_string(random() % 2) : "n" + std::to_string(i * 10 + k);
                m.setValue(i, k, text);
                transposed += (i ? "," : "") + text;
            }
            transposed += "\n";
        }
        writeMatrixFile(path, m, rows, cols);
        const MatrixFileContents desktop = readMatrixFile(path), table = readTableFile(path, {});
        const MatrixFileContents flipped = parseTableText(transposed, {true, false});
        ASSERT_EQ(table.rows * 100 + table.cols, rows * 100 + cols);
        ASSERT_EQ(flipped.rows * 100 + flipped.cols, rows * 100 + cols);
        for (std::int32_t i = 0; i <= rows; ++i)
            for (std::int32_t k = 0; k <= cols; ++k) {
                ASSERT_EQ(table.cells.value(i, k), desktop.cells.value(i, k));
                ASSERT_EQ(flipped.cells.value(i, k), desktop.cells.value(i, k));
            }
    }
}

}  // namespace
}  // namespace kelpo

namespace kelpo {
namespace {

// A table written by biom-format's own `biom convert --to-tsv --header-key taxonomy`.
TEST(TableFile, ReadsWhatBiomConvertWrites) {
    const MatrixFileContents otus =
        readTableFile(std::filesystem::path(KELPO_SOURCE_DIR) / "tests/matrix/data/biom_taxonomy.tsv", {false, true});
    ASSERT_EQ(otus.rows * 10 + otus.cols, 33);
    std::string cells;
    for (std::int32_t i = 0; i <= 3; ++i)
        for (std::int32_t k = 0; k <= 3; ++k) cells += otus.cells.value(i, k) + (k == 3 ? ";" : " ");
    EXPECT_EQ(cells, "#OTU ID S1 S2 S3;OTU1 1 0 1;OTU2 0 1 1;OTU3 1 1 0;");
    // Without binary reading a count keeps its text, for the binary check to refuse by its cell.
    EXPECT_EQ(readTableFile(std::filesystem::path(KELPO_SOURCE_DIR) / "tests/matrix/data/biom_taxonomy.tsv", {})
                  .cells.value(1, 1), "5.0");
}

}  // namespace
}  // namespace kelpo
