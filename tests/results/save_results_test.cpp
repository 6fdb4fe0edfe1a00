// The saved report's file name, its bytes, and the write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/error.h"
#include "results/save_results.h"

namespace kelpo {
namespace {

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ResultsFilePath, AppendsOneTxtAfterRemovingEveryExactCaseTxtFromTheName) {
    EXPECT_EQ(resultsFilePath("Results"), "Results.txt");
    EXPECT_EQ(resultsFilePath("a.txt"), "a.txt");
    EXPECT_EQ(resultsFilePath("report.TXT"), "report.TXT.txt");
    EXPECT_EQ(resultsFilePath("x.txt.bak"), "x.bak.txt");
    EXPECT_EQ(resultsFilePath("a.txt.txt"), "a.txt");
    // One pass over non-overlapping matches: what the removal joins stays.
    EXPECT_EQ(resultsFilePath("a..txttxt"), "a.txt.txt");
}

TEST(ResultsFilePath, RemovesNulsAndTrimsBlanksButKeepsFolders) {
    EXPECT_EQ(resultsFilePath(std::string("Res\0ults", 8)), "Results.txt");
    EXPECT_EQ(resultsFilePath("  /tmp/out .txt  "), "/tmp/out.txt");
    EXPECT_EQ(resultsFilePath("/home/me/notes.txt/run.txt"), "/home/me/notes.txt/run.txt");
    EXPECT_EQ(resultsFilePath("C:\\data.txt\\run"), "C:\\data.txt\\run.txt");
    EXPECT_EQ(resultsFilePath(""), "");
}

TEST(SingleByteText, LatinOneWhenEveryCharacterFitsOtherwiseUtf8) {
    EXPECT_EQ(singleByteText("P-VALUE\r\n0.5"), "P-VALUE\r\n0.5");
    EXPECT_EQ(singleByteText("File: D\xC3\xBCne.txt"), "File: D\xFCne.txt");
    const std::string greek = "File: \xCE\xB1.txt";
    EXPECT_EQ(singleByteText(greek), greek);
    const std::string notUtf8 = "File: \xFC";
    EXPECT_EQ(singleByteText(notUtf8), notUtf8);
}

TEST(WriteResultsFile, WritesTheBytesExactlyAndReplacesAnOldFile) {
    const auto path = std::filesystem::temp_directory_path() / "kelpo_save_results_test.txt";
    writeResultsFile(path.string(), "an older and longer text");
    const std::string report = "P-VALUE\r\n---\r\n\tx\r\n*Defined in Kelpo Help.";
    writeResultsFile(path.string(), report);
    EXPECT_EQ(fileBytes(path), report);
    std::filesystem::remove(path);
}

TEST(WriteResultsFile, FailsForAMissingFolderOrAFolderInTheWay) {
    const auto folder = std::filesystem::temp_directory_path() / "kelpo_save_results_folder.txt";
    std::filesystem::create_directories(folder);
    try {
        writeResultsFile((folder / "missing" / "Results.txt").string(), "x");
        ADD_FAILURE() << "a missing folder was accepted";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::InputOutput);
    }
    EXPECT_THROW(writeResultsFile(folder.string(), "x"), Error);
    std::filesystem::remove_all(folder);
}

TEST(WriteResultsFile, ReportsAFullDevice) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    EXPECT_THROW(writeResultsFile("/dev/full", std::string(1 << 16, 'x')), Error);
}

}  // namespace
}  // namespace kelpo
