// kelpo-cli against files that break limits or never end, outputs that cannot be
// written, and a C-score beyond 32 bits: each run ends quickly with its message and
// exit code, and prints no report it could not finish.
#include <gtest/gtest.h>

#include "cli_runner.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace kelpo_cli_test;

constexpr int kInvalidInput = 2;
constexpr int kInputOutput = 3;
constexpr int kOverflow = 4;

class HostileCli : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        write("small.txt", "Species S1 S2 S3 S4\r\nA 1 0 1 0\r\nB 0 1 1 0\r\nC 1 1 0 1\r\n\r\n");
    }

    // Few iterations and no power analysis: these runs are about how they end.
    RunResult run(std::vector<std::string> args, const std::string& out = {}) const {
        args.insert(args.begin(), {"--no-power", "--iterations", "100"});
        return CliTest::run(args, out);
    }

    void expectRefused(const std::vector<std::string>& args, int exitCode, const std::string& message) const {
        std::string shown;
        for (const std::string& arg : args) shown += arg + ' ';
        const RunResult result = run(args);
        EXPECT_EQ(result.exitCode, exitCode) << shown << result.err;
        EXPECT_TRUE(contains(result.err, message)) << shown << ": " << result.err;
        EXPECT_TRUE(result.out.empty()) << shown;
    }

};

std::string header(int sites) {
    std::string line = "Species";
    for (int site = 1; site <= sites; ++site) line += " S" + std::to_string(site);
    return line + "\r\n";
}

TEST_F(HostileCli, FilesBeyondTheLimitsOrWithoutAnEndAreRefused) {
    std::string species = header(2);
    for (int row = 1; row <= 32768; ++row) species += "Sp 1 0\n";
    expectRefused({write("species.txt", species)}, kInputOutput, "Error 07: Error opening file.");
    expectRefused({write("sites.txt", header(40000) + "Sp1 1\r\n")}, kInputOutput, "Error 07: Error opening file.");
    expectRefused({write("nul.txt", std::string(5000, '\0'))}, kInputOutput, "Error 07: Error opening file.");
    expectRefused({"/dev/zero"}, kInputOutput, "Error 07: Error opening file.");
    expectRefused({path("")}, kInputOutput, "Error 07: Error opening file.");
    ASSERT_EQ(mkfifo(path("fifo.txt").c_str(), 0600), 0);
    expectRefused({path("fifo.txt")}, kInputOutput, "Error 07: Error opening file.");
    // Loaded, but the cells are not presence and absence.
    expectRefused({write("garbage.txt", "S A\nx \xFF" "1\n")}, kInvalidInput, "Error 05");
}

TEST_F(HostileCli, ACScoreBeyond32BitsIsNamedAndNoReportIsPrinted) {
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
    const RunResult result = run({"--statistic", "cscore", "--output", path("report.txt"), blocks});
    EXPECT_EQ(result.exitCode, kOverflow) << result.err;
    EXPECT_TRUE(contains(result.err, "Overflow")) << result.err;
    EXPECT_TRUE(contains(result.err, "C-score")) << result.err;
    EXPECT_TRUE(contains(result.err, "3906250000")) << result.err;
    EXPECT_TRUE(result.out.empty());
    EXPECT_FALSE(fs::exists(path("report.txt")));
}

TEST_F(HostileCli, OutputFilesThatCannotBeWrittenAreRefused) {
    fs::create_directory(path("taken.txt"));
    for (const char* option : {"--output", "--json"}) {
        // Refused before the run: nothing is printed.
        expectRefused({option, path("taken.txt"), path("small.txt")}, kInputOutput, "Error 09: invalid file name");
        // A full device takes the name and fails only at the write, after the report.
        const RunResult full = run({option, "/dev/full", path("small.txt")});
        EXPECT_EQ(full.exitCode, kInputOutput) << option << full.err;
        EXPECT_TRUE(contains(full.err, "Error 09: invalid file name")) << option << full.err;
    }
}

TEST_F(HostileCli, AReportThatCannotReachStandardOutputIsAnError) {
    const RunResult result = run({path("small.txt")}, "/dev/full");
    EXPECT_EQ(result.exitCode, kInputOutput) << result.err;
}

}  // namespace
