// kelpo-cli against files that break limits or never end, outputs that cannot be
// written, and a C-score beyond 32 bits: each run ends quickly with its message and
// exit code, and prints no report it could not finish.
#include <gtest/gtest.h>

#include "cli_runner.h"

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

using namespace kelpo_cli_test;

constexpr int kInputOutput = 3;

class HostileCli : public CliTest {
protected:
    // Few iterations and no power analysis: these runs are about how they end.
    RunResult run(std::vector<std::string> args, const std::string& out = {}) const {
        args.insert(args.begin(), {"--no-power", "--iterations", "100"});
        return CliTest::run(args, out);
    }
};

std::string header(int sites) {
    std::string line = "Species";
    for (int site = 1; site <= sites; ++site) line += " S" + std::to_string(site);
    return line + "\r\n";
}

// A cells-beyond-the-header file and a missing file are refused in kelpo_cli_test.
TEST_F(HostileCli, FilesBeyondTheLimitsOrWithoutAnEndAreRefused) {
    std::string species = header(2);
    for (int row = 1; row <= 32768; ++row) species += "Sp 1 0\n";
    ASSERT_EQ(mkfifo(path("fifo.txt").c_str(), 0600), 0);
    for (const std::string& input : {write("species.txt", species), write("sites.txt", header(40000) + "Sp1 1\r\n"),
                                     write("nul.txt", std::string(5000, '\0')), std::string("/dev/zero"), path(""),
                                     path("fifo.txt")}) {
        const RunResult result = run({input});
        EXPECT_EQ(result.exitCode, kInputOutput) << input << result.err;
        EXPECT_TRUE(contains(result.err, "Error 07: Error opening file.")) << input << ": " << result.err;
        EXPECT_TRUE(result.out.empty()) << input;
    }
}

TEST_F(HostileCli, ACScoreBeyond32BitsIsReportedInFull) {
    // Two blocks of 250 species each present at their own 250 sites: 62500 pairs
    // that never meet, each adding 250 x 250 to the C-score, 3906250000 in all.
    constexpr int side = 500;
    std::string text = header(side);
    for (int row = 1; row <= side; ++row) {
        text += "Sp" + std::to_string(row);
        for (int col = 1; col <= side; ++col) text += ((row <= side / 2) == (col <= side / 2)) ? " 1" : " 0";
        text += "\r\n";
    }
    const std::string blocks = write("blocks.txt", text);
    const RunResult result = run({"--json", path("r.json"), blocks});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(contains(readAll(path("r.json")), "\"observed\": 3906250000"));
}

// A missing output folder is refused in kelpo_cli_test.
TEST_F(HostileCli, OutputsThatCannotBeWrittenAreErrors) {
    const std::string small =
        write("small.txt", "Species S1 S2 S3 S4\r\nA 1 0 1 0\r\nB 0 1 1 0\r\nC 1 1 0 1\r\n\r\n");
    fs::create_directory(path("taken.txt"));
    for (const char* option : {"--output", "--json"}) {
        // A folder in the way is refused before the run: nothing is printed.
        const RunResult taken = run({option, path("taken.txt"), small});
        EXPECT_EQ(taken.exitCode, kInputOutput) << option << taken.err;
        EXPECT_TRUE(contains(taken.err, "Error 09: invalid file name")) << option << taken.err;
        EXPECT_TRUE(taken.out.empty()) << option;
        // A full device takes the name and fails only at the write, after the report.
        const RunResult full = run({option, "/dev/full", small});
        EXPECT_EQ(full.exitCode, kInputOutput) << option << full.err;
        EXPECT_TRUE(contains(full.err, "Error 09: invalid file name")) << option << full.err;
    }
    // A report that cannot reach standard output.
    EXPECT_EQ(run({small}, "/dev/full").exitCode, kInputOutput);
}

}  // namespace
