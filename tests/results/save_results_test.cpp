// The saved report's file name, its bytes, and the write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "results/save_results.h"

namespace kelpo {

TEST(SaveResults, FileNameRule) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Results", "Results.txt"},
        {"a.txt", "a.txt"},
        {"report.TXT", "report.TXT.txt"},
        {"x.txt.bak", "x.bak.txt"},
        {"a..txttxt", "a.txt.txt"},  // one pass: what the removal joins stays
        {std::string("Res\0ults", 8), "Results.txt"},
        {"  /tmp/out .txt  ", "/tmp/out.txt"},
        {"/home/me/notes.txt/run.txt", "/home/me/notes.txt/run.txt"},  // folders untouched
        {"C:\\data.txt\\run", "C:\\data.txt\\run.txt"},
        {"", ""},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(resultsFilePath(path), expected) << path;
}

TEST(SaveResults, BytesAreLatinOneWhereEveryCharacterFits) {
    EXPECT_EQ(singleByteText("P-VALUE\r\nFile: D\xC3\xBCne.txt"), "P-VALUE\r\nFile: D\xFCne.txt");
    for (const std::string kept : {"File: \xCE\xB1.txt", "File: \xFC"}) EXPECT_EQ(singleByteText(kept), kept);
}

TEST(SaveResults, WritesExactlyReplacesAndReportsFailures) {
    const auto folder = std::filesystem::temp_directory_path() / "kelpo_save_results.txt";
    std::filesystem::create_directories(folder);
    const auto file = folder / "Results.txt";
    writeResultsFile(file.string(), "an older and longer text");
    const std::string report = "P-VALUE\r\n\tx\r\n*Defined in Kelpo Help.";
    writeResultsFile(file.string(), report);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), report);

    EXPECT_THROW(writeResultsFile((folder / "missing" / "Results.txt").string(), "x"), Error);
    EXPECT_THROW(writeResultsFile(folder.string(), "x"), Error);  // a folder in the way
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_THROW(writeResultsFile("/dev/full", std::string(1 << 16, 'x')), Error);  // full disk
    }
    std::filesystem::remove_all(folder);
}

}  // namespace kelpo
