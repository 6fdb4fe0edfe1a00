// Text a user may open by mistake or that was made to break the reader: huge lines,
// huge headers, NUL bytes, random bytes. Each one either loads by the reading rules
// or ends in the one opening error, quickly. (Devices and pipes are opened in
// hostile_open_gui_test and hostile_cli_test.)
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "core/error.h"
#include "matrix/matrix_file.h"

namespace kelpo {
namespace {

constexpr std::size_t kTenMegabytes = 10u << 20;

// Refused with Error 07 or, unless it must be refused, loaded within what the grid
// can show, with no line end in a cell and never the unstored "0".
void expectLoadedOrRefused(std::string_view text, bool mustBeRefused = false) {
    try {
        const MatrixFileContents contents = parseMatrixText(text);
        EXPECT_FALSE(mustBeRefused) << "accepted " << text.size() << " bytes beginning "
                                    << testing::PrintToString(std::string(text.substr(0, 40)));
        EXPECT_GE(contents.rows, 0);
        EXPECT_GE(contents.cols, 0);
        EXPECT_LE(contents.rows, kMaxMatrixSide);
        EXPECT_LE(contents.cols, kMaxMatrixSide);
        EXPECT_LE(contents.cells.rows(), contents.rows);
        EXPECT_LE(contents.cells.cols(), kMaxMatrixSide);
        contents.cells.forEach([](const SparseArray::Cell& cell) {
            EXPECT_EQ(cell.text.find_first_of("\r\n"), std::string::npos);
            EXPECT_NE(cell.text, "0");
        });
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::InputOutput);
        EXPECT_EQ(std::string_view(error.what()), "Error 07: Error opening file.");
    }
}

// "Species S1 S2 ... Sn" with the given separator.
std::string header(std::int32_t sites, char separator) {
    std::string line = "Species";
    for (std::int32_t site = 1; site <= sites; ++site) {
        line += separator;
        line += 'S';
        line += std::to_string(site);
    }
    return line;
}

TEST(HostileInput, TenMegabyteLines) {
    expectLoadedOrRefused(std::string(kTenMegabytes, 'x'), true);  // one line and no species line after it
    expectLoadedOrRefused(std::string(kTenMegabytes, '\t') + "\n1\n", true);  // far too many sites
    std::string fiveMillionCells = "Species A B\nSp1";
    while (fiveMillionCells.size() < kTenMegabytes) fiveMillionCells += " 1";
    expectLoadedOrRefused(fiveMillionCells, true);  // runs past the last column
    // A header that is one long corner label: no sites, one species.
    const auto oneField = parseMatrixText(std::string(kTenMegabytes, 'x') + "\nSp1\n");
    EXPECT_EQ(oneField.cols, 0);
    EXPECT_EQ(oneField.rows, 1);
    EXPECT_EQ(oneField.cells.value(0, 0).size(), kTenMegabytes);
    // One long cell is stored whole, also when read from a file.
    const auto path = std::filesystem::path(KELPO_BINARY_DIR) / "hostile_input_long_line.txt";
    std::ofstream(path, std::ios::binary) << "Species A B\r\nSp1 1 0 " << std::string(kTenMegabytes, 'y') << "\r\n";
    const auto fromFile = readMatrixFile(path);
    EXPECT_EQ(fromFile.rows, 1);
    EXPECT_EQ(fromFile.cells.value(1, 3).size(), kTenMegabytes);  // an extra field beyond the header
    std::filesystem::remove(path);
}

TEST(HostileInput, SitesAndSpeciesAtAndBeyond32767) {
    for (const char separator : {' ', '\t', ','}) {
        const std::string species = "\r\nSp1" + std::string(1, separator) + "1\r\n";
        expectLoadedOrRefused(header(40000, separator) + species, true);
        const auto largest = parseMatrixText(header(kMaxMatrixSide, separator) + species);
        EXPECT_EQ(largest.cols, kMaxMatrixSide);
        EXPECT_EQ(largest.cells.value(0, kMaxMatrixSide), "S32767");
    }
    // A header that begins with a space counts one site less.
    for (const std::int32_t sites : {kMaxMatrixSide, kMaxMatrixSide + 1}) {
        std::string text(1, ' ');
        text += header(sites, ' ') + "\n1\n";
        expectLoadedOrRefused(text, sites > kMaxMatrixSide);
    }
    for (const std::string end : {"\n", "\r", "\r\n"}) {
        std::string text = "Species A" + end;
        for (std::int32_t row = 1; row <= kMaxMatrixSide; ++row) text += "1" + end;
        EXPECT_EQ(parseMatrixText(text).rows, kMaxMatrixSide);
        expectLoadedOrRefused(text + "1" + end, true);
        // Species lines after the first line without a 0 or 1 are not counted.
        EXPECT_EQ(parseMatrixText(text + end + "1" + end).rows, kMaxMatrixSide);
    }
}

TEST(HostileInput, NulBytesAndByteOrderMarksAreOrdinaryText) {
    using namespace std::string_literals;
    const auto nul = parseMatrixText("Spe\0cies A\0 B\nSp\0 1 \0\n"s);
    EXPECT_EQ(nul.rows, 1);
    EXPECT_EQ(nul.cols, 2);
    EXPECT_EQ(nul.cells.value(0, 0), "Spe\0cies"s);
    EXPECT_EQ(nul.cells.value(0, 1), "A\0"s);
    EXPECT_EQ(nul.cells.value(1, 2), "\0"s);
    expectLoadedOrRefused(std::string(4096, '\0'), true);
    // A leading mark is taken off, once; lone carriage returns end the lines.
    const auto marked = parseMatrixText("\xEF\xBB\xBFSpecies S1 S2\rSp1 1 0\rSp2 0 1\r\rSp3 1 1\r");
    EXPECT_EQ(marked.rows, 2);
    EXPECT_EQ(marked.cols, 2);
    EXPECT_EQ(marked.cells.value(0, 0), "Species");
    EXPECT_EQ(marked.cells.value(2, 2), "1");
    EXPECT_EQ(marked.cells.value(3, 0), "0");  // after the blank line: ignored
    expectLoadedOrRefused("\xEF\xBB\xBF\r", true);  // a mark alone is no help to a broken file
    EXPECT_EQ(parseMatrixText("S\xEF\xBB\xBF A\r1\xEF\xBB\xBF\r").cells.value(1, 0), "1\xEF\xBB\xBF");
    EXPECT_EQ(parseMatrixText("\xEF\xBB\xBF\xEF\xBB\xBF A\n1\n").cells.value(0, 0), "\xEF\xBB\xBF");
}

TEST(HostileInput, RandomBytesLoadOrAreRefused) {
    std::mt19937 bytes(20261206);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 4096);
    // Mostly separators, digits and line ends: random bytes alone rarely make a matrix.
    constexpr std::string_view matrixish = "01 \t,\r\n\xEF\xBB\xBF";
    std::uniform_int_distribution<std::size_t> pick(0, matrixish.size() - 1);
    for (int trial = 0; trial < 400; ++trial) {
        std::string text(static_cast<std::size_t>(length(bytes)), '\0');
        for (char& c : text) c = trial % 2 ? static_cast<char>(byte(bytes)) : matrixish[pick(bytes)];
        expectLoadedOrRefused(text);
    }
    std::string garbage(kTenMegabytes, '\0');
    for (char& c : garbage) c = static_cast<char>(byte(bytes));
    expectLoadedOrRefused(garbage);
}

}  // namespace
}  // namespace kelpo
