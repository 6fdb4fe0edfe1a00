// Runs the real kelpo-cli binary in a scratch folder of its own and captures what it
// prints and returns.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kelpo_cli_test {

namespace fs = std::filesystem;

inline std::string readAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A shell word that stands for text exactly.
inline std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// 11 presences; site totals 2 2 3 2 2 and species totals 3 2 3 3 (variance ratio 1/6).
inline const std::string kSmallMatrix =
    "Species S1 S2 S3 S4 S5\r\nA 1 0 1 0 1\r\nB 0 1 1 0 0\r\nC 1 1 0 1 0\r\nD 0 0 1 1 1\r\n\r\n";

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kelpo_cli_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }

    // Standard output goes to `out` (a file of the test unless given; it is then not read back).
    RunResult run(const std::vector<std::string>& args, const std::string& out = {}) const {
        const std::string outPath = out.empty() ? path("stdout") : out;
        std::string command = quoted(KELPO_BINARY_DIR "/cli/kelpo-cli");
        for (const std::string& arg : args) command += ' ' + quoted(arg);
        command += " >" + quoted(outPath) + " 2>" + quoted(path("stderr")) + " </dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out.empty() ? readAll(outPath) : std::string(),
                readAll(path("stderr"))};
    }

private:
    fs::path dir_;
};

}  // namespace kelpo_cli_test
