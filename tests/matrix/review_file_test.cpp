// Matrix files in either encoding, saves that cannot harm the file they replace,
// the widest header the trailing-space rule allows, and the store's cost per cell.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/error.h"
#include "matrix/matrix_file.h"

namespace kelpo {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

TEST(ReviewFile, EveryWindows1252ByteComesBackAndOnlyStrictUtf8IsUtf8) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
    EXPECT_TRUE(isValidUtf8(windows1252ToUtf8(all)));
    EXPECT_EQ(utf8ToWindows1252(windows1252ToUtf8(all)), all);
    EXPECT_EQ(windows1252ToUtf8("\x80\x9F\xE4"), "\u20AC\u0178\u00E4");
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\xFF"}) {
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    }
}

// The window's test saves a Windows file unchanged; here the two ways out of it.
TEST(ReviewFile, ATypedNameWithNoWindowsByteMakesTheFileUtf8AndAMarkStays) {
    const fs::path file = fs::temp_directory_path() / ("kelpo_review_" + std::to_string(::getpid()) + ".txt");
    MatrixFileContents read = parseMatrixText("Species P\xE4ndh\r\nSp1 1\r\n\r\n");
    read.cells.setValue(1, 0, "\u0141\u00F3d\u017A");
    EXPECT_EQ(writeMatrixFile(file, read.cells, 1, 1, read.encoding), TextEncoding::Utf8);
    EXPECT_EQ(readAll(file), "Species P\u00E4ndh\r\n\u0141\u00F3d\u017A 1\r\n\r\n");
    const std::string marked = "\xEF\xBB\xBFSpecies Site1\r\nSp1 1\r\n\r\n";
    const MatrixFileContents utf8 = parseMatrixText(marked);
    EXPECT_EQ(writeMatrixFile(file, utf8.cells, 1, 1, utf8.encoding), TextEncoding::Utf8WithByteOrderMark);
    EXPECT_EQ(readAll(file), marked);
    fs::remove(file);
}

// A file-size limit below the matrix's size fails the save part-way.
TEST(ReviewFile, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const fs::path folder = fs::temp_directory_path() / ("kelpo_review_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "old.txt", std::ios::binary) << "old bytes";
    SparseArray cells;
    for (std::int32_t col = 1; col <= 2000; ++col) cells.setValue(1, col, "1");
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{1024, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(writeMatrixFile(folder / "old.txt", cells, 1, 2000), Error);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(readAll(folder / "old.txt"), "old bytes");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    fs::remove_all(folder);
}

// An empty corner label, the most sites there can be, and the trailing space that goes with them.
TEST(ReviewFile, TheWidestHeaderWithATrailingSpaceIsAccepted) {
    std::string header = " ";
    for (std::int32_t site = 1; site <= kMaxMatrixSide; ++site) header += "s ";
    EXPECT_EQ(parseMatrixText(header + "\r\nSp1 1\r\n").cells.cols(), kMaxMatrixSide);
    EXPECT_THROW(parseMatrixText(header + "s \r\nSp1 1\r\n"), Error);  // one site more is still refused
}

// Empty fields are the cheapest cells a file can hold: one separator byte each.
TEST(ReviewFile, AStoredCellCostsLessThan32Bytes) {
    const std::string line = std::string(1000, ',') + "\r\n";
    std::string text = "S" + line;
    for (int row = 0; row < 200; ++row) text += "1" + line;
    const auto heap = [] { return mallinfo2().uordblks + mallinfo2().hblkhd; };
    const std::size_t before = heap();
    const MatrixFileContents read = parseMatrixText(text);
    EXPECT_EQ(read.cells.size(), 201u * 1001u);
    EXPECT_LT(heap() - before, read.cells.size() * 32);
}

}  // namespace
}  // namespace kelpo
