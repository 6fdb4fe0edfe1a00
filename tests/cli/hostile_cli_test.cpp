// kelpo-cli against files that break limits or never end, outputs that cannot be
// written, and a C-score beyond 32 bits: each run ends quickly with its message and
// exit code, and prints no report it could not finish.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kInvalidInput = 2;
constexpr int kInputOutput = 3;
constexpr int kOverflow = 4;

std::string readAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

class HostileCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kelpo_hostile_cli_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        write("small.txt", "Species S1 S2 S3 S4\r\nA 1 0 1 0\r\nB 0 1 1 0\r\nC 1 1 0 1\r\n\r\n");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }

    // Runs kelpo-cli with few iterations and no power analysis; standard output goes to
    // `out` (a file of the test unless given).
    RunResult run(std::vector<std::string> args, const std::string& out = {}) const {
        const std::string outPath = out.empty() ? path("stdout") : out;
        std::string command = quoted(KELPO_BINARY_DIR "/cli/kelpo-cli") + " --no-power --iterations 100";
        for (const std::string& arg : args) command += ' ' + quoted(arg);
        command += " >" + quoted(outPath) + " 2>" + quoted(path("stderr")) + " </dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out.empty() ? readAll(outPath) : std::string(),
                readAll(path("stderr"))};
    }

    void expectRefused(const std::vector<std::string>& args, int exitCode, const std::string& message) const {
        std::string shown;
        for (const std::string& arg : args) shown += arg + ' ';
        const RunResult result = run(args);
        EXPECT_EQ(result.exitCode, exitCode) << shown << result.err;
        EXPECT_TRUE(contains(result.err, message)) << shown << ": " << result.err;
        EXPECT_TRUE(result.out.empty()) << shown;
    }

    fs::path dir_;
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
    expectRefused({dir_.string()}, kInputOutput, "Error 07: Error opening file.");
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
