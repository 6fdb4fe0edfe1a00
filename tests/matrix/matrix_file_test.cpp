// Reading matrix text by its separator and counting rules, and writing it back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string_view>
#include <string>
#include <tuple>
#include <vector>

#include "core/error.h"
#include "matrix/matrix_file.h"
#include "matrix/text_check.h"

namespace kelpo {
namespace {

// Text, then what it reads as: rows, cols and a few cells (row, col, text); rows -1: refused.
struct Read {
    std::string text;
    std::int32_t rows, cols;
    std::vector<std::tuple<int, int, std::string>> cells;
};

TEST(MatrixFile, ReadingRules) {
    using namespace std::string_literals;
    const Read cases[] = {
        // The separator: comma over tab over space; fields kept unchanged.
        {"Spe cies,S\t1,S 2\r\nSp 1, 1,0\r\n", 1, 2, {{0, 1, "S\t1"}, {1, 0, "Sp 1"}, {1, 1, " 1"}, {1, 2, "0"}}},
        {"Species\tSite one\tSite two\nSp one\t1\t0\n", 1, 2, {{0, 2, "Site two"}, {1, 0, "Sp one"}}},
        // Sites: a trailing space adds an empty name, a leading one counts one less.
        {"Species A B C \n1\n", 1, 4, {{0, 4, ""}}},
        {" A B C\n1\n", 1, 2, {}}, {" A B C \n1\n", 1, 3, {}}, {"Species\n1\n", 1, 0, {}},
        {"\xEF\xBB\xBF A B\n1\n", 1, 1, {{0, 0, ""}}},  // the mark is not part of the corner label
        {"S" + std::string(32767, ' ') + "\n1\n", 1, 32767, {}},
        // Species lines end at the first line without a 0 or 1; the rest is ignored.
        {"S A B\nSp10\nx 1 1\n\ny 1 1\n", 2, 2, {{1, 0, "Sp10"}, {4, 1, "0"}}},
        {"S A\nabc\n1 1\n", 0, 1, {}}, {"S A\nSp1 1", 1, 1, {}}, {"S A\r\n\r\n", 0, 1, {}},
        {"a\0b\n\0\n"s, 0, 0, {}},  // a NUL is no digit
        // Longer lines keep extra fields, shorter leave zeros; lone CR line ends; a leading mark goes once.
        {"S A B\rSp1 1 1 1 x\rSp2 1\r", 2, 2, {{1, 4, "x"}, {2, 2, "0"}}},
        {"S  A\nSp1  1\n", 1, 2, {{1, 1, ""}}},
        {"\xEF\xBB\xBFSpecies S1\rSp1 1\r\rSp3 1\r", 1, 1, {{0, 0, "Species"}, {3, 0, "0"}}},
        {"\xEF\xBB\xBF\xEF\xBB\xBF A\n1\n", 1, 1, {{0, 0, "\xEF\xBB\xBF"}}},
        {"Spe\0cies A\0 B\nSp\0 1 \0\n"s, 1, 2, {{0, 0, "Spe\0cies"s}, {0, 1, "A\0"s}, {1, 2, "\0"s}}},
        // Refused: no species line, too many sites, species or fields beyond the last column.
        {"", -1, 0, {}}, {"\xEF\xBB\xBF", -1, 0, {}}, {"Species A B", -1, 0, {}}, {"Species A B\r\n", -1, 0, {}},
        {"Species A B\r", -1, 0, {}}, {"\xEF\xBB\xBF\r", -1, 0, {}}, {std::string(4096, '\0'), -1, 0, {}},
        {"S" + std::string(32768, ' ') + "\n1\n", -1, 0, {}}, {"S A\n1" + std::string(40000, ' '), -1, 0, {}},
    };
    for (const Read& c : cases) {
        const std::string shown = testing::PrintToString(c.text.substr(0, 30));
        try {
            const MatrixFileContents contents = parseMatrixText(c.text);
            EXPECT_EQ(contents.rows, c.rows) << shown;
            EXPECT_EQ(contents.cols, c.cols) << shown;
            for (const auto& [row, col, text] : c.cells) EXPECT_EQ(contents.cells.value(row, col), text) << shown;
        } catch (const Error& error) {
            EXPECT_EQ(c.rows, -1) << shown;
            EXPECT_EQ(error.kind(), ErrorKind::InputOutput);
            EXPECT_STREQ(error.what(), "Error 07: Error opening file.");
        }
    }
}

// The limits for each separator and line end: 32767 sites and species load, one more is refused.
TEST(MatrixFile, SitesAndSpeciesUpTo32767) {
    for (const char separator : {' ', '\t', ','}) {
        std::string header = "Species";
        for (std::int32_t site = 1; site <= kMaxMatrixSide; ++site) header += separator + ("S" + std::to_string(site));
        const std::string species = "\r\nSp1" + std::string(1, separator) + "1\r\n";
        EXPECT_EQ(parseMatrixText(header + species).cells.value(0, kMaxMatrixSide), "S32767");
        EXPECT_THROW(parseMatrixText(header + separator + "S" + species), Error);
    }
    for (const std::string end : {"\n", "\r", "\r\n"}) {
        std::string text = "Species A" + end;
        for (std::int32_t row = 1; row <= kMaxMatrixSide; ++row) text += "1" + end;
        EXPECT_EQ(parseMatrixText(text).rows, kMaxMatrixSide);
        EXPECT_EQ(parseMatrixText(text + end + "1" + end).rows, kMaxMatrixSide);
        EXPECT_THROW(parseMatrixText(text + "1" + end), Error);
    }
}

// Ten-megabyte lines: one field is stored whole, five million cells run past the last column.
TEST(MatrixFile, TenMegabyteLines) {
    constexpr std::size_t kTenMegabytes = 10u << 20;
    const auto oneField = parseMatrixText(std::string(kTenMegabytes, 'x') + "\nSp1\n");
    EXPECT_EQ(oneField.cells.value(0, 0).size(), kTenMegabytes);
    std::string fiveMillionCells = "Species A B\nSp1";
    while (fiveMillionCells.size() < kTenMegabytes) fiveMillionCells += " 1";
    EXPECT_THROW(parseMatrixText(fiveMillionCells), Error);
}

// A saved matrix reopens to the same cells, for random names and cells; the bytes of one file are pinned.
TEST(MatrixFile, WrittenFileHasExactBytesAndReopensToTheSameCells) {
    const auto path = std::filesystem::path(KELPO_BINARY_DIR) / "matrix_file_round_trip.txt";
    SparseArray cells;
    for (const auto& [row, col, text] : std::vector<std::tuple<int, int, std::string>>{
             {0, 0, "Species"}, {0, 1, "Site one"}, {0, 2, "Site2"}, {1, 0, "Sp1"}, {1, 1, "1"}, {2, 0, "Sp2"},
             {2, 2, "1"}, {3, 3, "beyond"}})  // (3, 3) is outside rows and cols: not written
        cells.setValue(row, col, text);
    writeMatrixFile(path, cells, 2, 2);
    std::ifstream written(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
              "Species Site_one Site2\r\nSp1 1 0\r\nSp2 0 1\r\n\r\n");
    std::mt19937 random(11);
    for (int trial = 0; trial < 30; ++trial) {
        const std::int32_t rows = random() % 8 + 1, cols = random() % 8 + 1;
        SparseArray m;
        for (std::int32_t i = 0; i <= rows; ++i)
            for (std::int32_t k = 0; k <= cols; ++k)
                m.setValue(i, k, i && k ? std::to_string(random() % 2) : "n" + std::to_string(random() % 100));
        writeMatrixFile(path, m, rows, cols);
        const MatrixFileContents back = readMatrixFile(path);
        ASSERT_EQ(back.rows * 100 + back.cols, rows * 100 + cols);
        ASSERT_EQ(back.cells.size(), m.size());
        m.forEach([&back](const SparseArray::Cell& cell) { ASSERT_EQ(back.cells.value(cell.row, cell.col), cell.text); });
    }
    std::filesystem::remove(path);
    // Files that are no matrix or never end: a folder, a missing file, a device, a pipe.
    const auto fifo = std::filesystem::path(KELPO_BINARY_DIR) / "matrix_file_fifo.txt";
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::filesystem::path bad : {std::filesystem::path(KELPO_BINARY_DIR), path, std::filesystem::path("/dev/zero"), fifo})
        EXPECT_THROW(readMatrixFile(bad), Error) << bad;
    std::filesystem::remove(fifo);
}

TEST(MatrixFile, NamesAndPaths) {
    const std::pair<const char*, const char*> names[] = {{"C:\\data\\birds.txt", "birds"},
        {"/home/u/birds.txt.txt", "birds"}, {"birds.TXT", "birds.TXT"}, {"a..txttxt", "a.txt"}};
    for (const auto& [path, name] : names) EXPECT_EQ(matrixName(path), name) << path;
    EXPECT_EQ(matrixSavePath(""), "");
    EXPECT_EQ(matrixSavePath("C:\\my.txt files\\birds"), "C:\\my.txt files\\birds.txt");
    EXPECT_EQ(matrixSavePath("C:\\my.txt files\\birds.txt"), "C:\\my.txt files\\birds.txt");
}

}  // namespace
}  // namespace kelpo

// Any control byte but tab, CR and LF makes a file not text, wherever it sits; the
// high bytes of Windows-1252 and UTF-8 never do.
TEST(TextCheck, ControlBytesAnywhereAreRefused) {
    const std::string text = "Species Site1\r\nSp1\t1\n\xC3\xA9\x80\xFF";
    EXPECT_EQ(kelpo::firstNonTextByte(text), std::nullopt);
    for (int byte = 0; byte < 0x80; ++byte) {
        const bool control = (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
        for (std::size_t at : {std::size_t{0}, std::size_t{7}, text.size()}) {
            std::string bytes = text;
            bytes.insert(at, 1, static_cast<char>(byte));
            EXPECT_EQ(kelpo::firstNonTextByte(bytes), control ? std::optional(at) : std::nullopt) << byte << " at " << at;
        }
    }
}
