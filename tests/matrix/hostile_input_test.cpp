// Files a user may open by mistake or that were made to break the reader: huge
// lines, huge headers, NUL bytes, random bytes, devices that never end. Each one
// either loads by the reading rules or ends in the one opening error, quickly.
#include <gtest/gtest.h>

#include <sys/stat.h>

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

constexpr std::string_view kOpenError = "Error 07: Error opening file.";
constexpr std::size_t kTenMegabytes = 10u << 20;

// Loaded or refused with Error 07; anything loaded stays within what the grid can
// show, and its cells hold no line end and never the unstored "0".
void expectLoadedOrRefused(std::string_view text) {
    try {
        const MatrixFileContents contents = parseMatrixText(text);
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
        EXPECT_EQ(std::string_view(error.what()), kOpenError);
    }
}

void expectRefused(std::string_view text) {
    try {
        parseMatrixText(text);
        ADD_FAILURE() << "accepted " << text.size() << " bytes beginning "
                      << testing::PrintToString(std::string(text.substr(0, 40)));
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::InputOutput);
        EXPECT_EQ(std::string_view(error.what()), kOpenError);
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

std::filesystem::path scratchFolder() {
    const auto folder = std::filesystem::path(KELPO_BINARY_DIR) / "hostile_input_test";
    std::filesystem::create_directories(folder);
    return folder;
}

TEST(HostileInput, TenMegabyteLines) {
    // One line and nothing after it: no species line to count.
    expectRefused(std::string(kTenMegabytes, 'x'));
    // A header that is one long corner label: no sites, one species.
    const std::string corner(kTenMegabytes, 'x');
    const auto oneField = parseMatrixText(corner + "\nSp1\n");
    EXPECT_EQ(oneField.cols, 0);
    EXPECT_EQ(oneField.rows, 1);
    EXPECT_EQ(oneField.cells.value(0, 0).size(), kTenMegabytes);
    // A species line holding one 10 MB cell is stored whole, as any other text.
    const auto longCell = parseMatrixText("Species A\nSp1 " + std::string(kTenMegabytes, '1') + "\n");
    EXPECT_EQ(longCell.cells.value(1, 1).size(), kTenMegabytes);
    // A species line of five million cells runs past the last column.
    std::string cells = "Species A B\nSp1";
    while (cells.size() < kTenMegabytes) cells += " 1";
    expectRefused(cells);
    // Ten megabytes of separators in the header: far too many sites.
    expectRefused(std::string(kTenMegabytes, '\t') + "\n1\n");
}

TEST(HostileInput, HeaderOfFortyThousandSites) {
    for (const char separator : {' ', '\t', ','}) {
        expectRefused(header(40000, separator) + "\r\nSp1" + std::string(1, separator) + "1\r\n");
        // The largest header still loads, with its last site named.
        const auto largest = parseMatrixText(header(kMaxMatrixSide, separator) + "\r\nSp1" +
                                             std::string(1, separator) + "1\r\n");
        EXPECT_EQ(largest.cols, kMaxMatrixSide);
        EXPECT_EQ(largest.cells.value(0, kMaxMatrixSide), "S32767");
    }
    // A header that begins with a space counts one site less; its last field then
    // stands beyond the last column the grid has.
    expectLoadedOrRefused(" " + header(kMaxMatrixSide, ' ') + "\n1\n");
    expectRefused(" " + header(kMaxMatrixSide + 1, ' ') + "\n1\n");
}

TEST(HostileInput, MoreThan32767SpeciesWithAnyLineEnd) {
    for (const std::string_view end : {"\n", "\r", "\r\n"}) {
        std::string text = "Species A" + std::string(end);
        for (std::int32_t row = 1; row <= kMaxMatrixSide; ++row) text += "1" + std::string(end);
        const auto largest = parseMatrixText(text);
        EXPECT_EQ(largest.rows, kMaxMatrixSide);
        expectRefused(text + "1" + std::string(end));
        // Species lines after the first line without a 0 or 1 are not counted.
        EXPECT_EQ(parseMatrixText(text + std::string(end) + "1" + std::string(end)).rows, kMaxMatrixSide);
    }
}

TEST(HostileInput, NulBytesAreOrdinaryCharacters) {
    using namespace std::string_literals;
    const auto contents = parseMatrixText("Spe\0cies A\0 B\nSp\0 1 \0\n"s);
    EXPECT_EQ(contents.rows, 1);
    EXPECT_EQ(contents.cols, 2);
    EXPECT_EQ(contents.cells.value(0, 0), "Spe\0cies"s);
    EXPECT_EQ(contents.cells.value(0, 1), "A\0"s);
    EXPECT_EQ(contents.cells.value(1, 2), "\0"s);
    expectRefused(std::string(4096, '\0'));
    EXPECT_EQ(parseMatrixText(std::string(4096, '\0') + "\n" + std::string(4096, '\0')).rows, 0);
}

TEST(HostileInput, ByteOrderMarkWithLoneCarriageReturns) {
    const auto contents = parseMatrixText("\xEF\xBB\xBFSpecies S1 S2\rSp1 1 0\rSp2 0 1\r\rSp3 1 1\r");
    EXPECT_EQ(contents.rows, 2);
    EXPECT_EQ(contents.cols, 2);
    EXPECT_EQ(contents.cells.value(0, 0), "Species");
    EXPECT_EQ(contents.cells.value(2, 2), "1");
    EXPECT_EQ(contents.cells.value(3, 0), "0");  // after the blank line: ignored
    // A mark alone, or a mark in the middle of the text, is no help to a broken file.
    expectRefused("\xEF\xBB\xBF\r");
    EXPECT_EQ(parseMatrixText("S\xEF\xBB\xBF A\r1\xEF\xBB\xBF\r").cells.value(1, 0), "1\xEF\xBB\xBF");
    // Only one mark is taken off.
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

TEST(HostileInput, FilesWithoutAnEndAreNotRead) {
    // A reader that waited for the end of these would hang or fill the memory.
    for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/null"}) {
        if (!std::filesystem::exists(device)) continue;
        EXPECT_THROW(readMatrixFile(device), Error) << device;
    }
    const auto fifo = scratchFolder() / "fifo.txt";
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(readMatrixFile(fifo), Error) << "a pipe nobody writes to";
    std::filesystem::remove(fifo);
}

TEST(HostileInput, TenMegabyteFileOnDisk) {
    const auto path = scratchFolder() / "long_line.txt";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "Species A B\r\nSp1 1 0 " << std::string(kTenMegabytes, 'y') << "\r\n";
    }
    const auto contents = readMatrixFile(path);
    EXPECT_EQ(contents.rows, 1);
    EXPECT_EQ(contents.cells.value(1, 3).size(), kTenMegabytes);  // an extra field beyond the header
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace kelpo
