// Matrix files in either encoding, saves that cannot harm the file they replace,
// and the widest header the trailing-space rule allows.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/error.h"
#include "matrix/matrix_file.h"

namespace kelpo {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

fs::path scratch(const char* name) {
    const fs::path folder = fs::temp_directory_path() / ("kelpo_review_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    return folder / name;
}

TEST(ReviewFile, EveryWindows1252ByteComesBackAndOnlyStrictUtf8IsUtf8) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
    EXPECT_TRUE(isValidUtf8(windows1252ToUtf8(all)));
    EXPECT_EQ(utf8ToWindows1252(windows1252ToUtf8(all)), all);
    EXPECT_EQ(windows1252ToUtf8("\x80\x9F\xE4"), "\u20AC\u0178\u00E4");
    EXPECT_FALSE(utf8ToWindows1252("\u0141"));  // no byte for it
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\xFF"}) {
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    }
    EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF P\xC3\xA4ndh"));
}

// A Windows spreadsheet's file: shown as its characters, saved as its bytes.
TEST(ReviewFile, EachEncodingIsSavedAsItWasRead) {
    const std::string windows = "Species P\xE4ndh \x93Site\x94\r\nSp1 1 0\r\n\r\n";
    const MatrixFileContents read = parseMatrixText(windows);
    EXPECT_EQ(read.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(read.cells.value(0, 1), "P\u00E4ndh");
    const fs::path file = scratch("encoded.txt");
    EXPECT_EQ(writeMatrixFile(file, read.cells, 1, 2, read.encoding), TextEncoding::Windows1252);
    EXPECT_EQ(readAll(file), windows);
    // A typed name with no Windows-1252 byte makes the file UTF-8 rather than lose it.
    SparseArray typed = read.cells;
    typed.setValue(1, 0, "\u0141\u00F3d\u017A");
    EXPECT_EQ(writeMatrixFile(file, typed, 1, 2, read.encoding), TextEncoding::Utf8);
    EXPECT_EQ(readAll(file), "Species P\u00E4ndh \u201CSite\u201D\r\n\u0141\u00F3d\u017A 1 0\r\n\r\n");

    const std::string marked = "\xEF\xBB\xBFSpecies Site1\r\nSp1 1\r\n\r\n";
    const MatrixFileContents utf8 = parseMatrixText(marked);
    EXPECT_EQ(utf8.cells.value(0, 0), "Species");
    EXPECT_EQ(writeMatrixFile(file, utf8.cells, 1, 1, utf8.encoding), TextEncoding::Utf8WithByteOrderMark);
    EXPECT_EQ(readAll(file), marked);
    fs::remove_all(file.parent_path());
}

// A file-size limit below the matrix's size fails the save part-way.
TEST(ReviewFile, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const fs::path file = scratch("old.txt");
    std::ofstream(file, std::ios::binary) << "old bytes";
    SparseArray cells;
    for (std::int32_t col = 1; col <= 2000; ++col) cells.setValue(1, col, "1");
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{1024, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(writeMatrixFile(file, cells, 1, 2000), Error);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(readAll(file), "old bytes");
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
    fs::remove_all(file.parent_path());
}

// An empty corner label, the most sites there can be, and the trailing space that goes with them.
TEST(ReviewFile, TheWidestHeaderWithATrailingSpaceIsAccepted) {
    std::string header = " ";
    for (std::int32_t site = 1; site <= kMaxMatrixSide; ++site) header += "s ";
    const MatrixFileContents read = parseMatrixText(header + "\r\nSp1 1\r\n");
    EXPECT_EQ(read.cols, kMaxMatrixSide);
    EXPECT_EQ(read.cells.cols(), kMaxMatrixSide);
    EXPECT_THROW(parseMatrixText(header + "s \r\nSp1 1\r\n"), Error);  // one site more is still refused
}

}  // namespace
}  // namespace kelpo
