// kelpo-cli batch run as the real binary: rows equal single runs, failures in their
// rows, reruns skip what is done; the table options reach the reader.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "cli_runner.h"
#include "matrix/delimited_text.h"

namespace {

using namespace kelpo_cli_test;

using BatchCli = CliTest;

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    kelpo::DelimitedReader reader(text, ',');
    std::vector<std::vector<std::string>> rows;
    for (std::vector<std::string> fields; reader.next(fields);) rows.push_back(fields);
    return rows;
}

std::vector<nlohmann::json> jsonLines(const std::string& text) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

TEST_F(BatchCli, RowsEqualSingleRunsFailuresGoOnAndRerunsSkipWhatIsDone) {
    fs::create_directory(path("in"));
    const std::vector<std::string> files = {
        write("in/a.txt", kSmallMatrix), write("in/b.csv", "S,x,y,z,w\nA,1,0,1,1\nB,0,1,1,0\nC,1,1,0,0\n"),
        write("in/c.txt", "S A B C\nx 2 1 0\ny 1 0 1\n")};  // c: a count without --binary
    const std::vector<std::string> common = {"batch", "--no-power", "--iterations", "1000", "--seed", "9",
                                             "--output", path("sum.csv"), "--json", path("r.jsonl")};
    std::vector<std::string> args = common;
    args.insert(args.end(), files.begin(), files.end());
    const RunResult first = run(args);
    EXPECT_EQ(first.exitCode, 7) << first.err;
    const auto rows = csvRows(readAll(path("sum.csv")));
    const auto lines = jsonLines(readAll(path("r.jsonl")));
    ASSERT_EQ(rows.size(), 4u);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"file", "species", "sites", "presences", "statistic", "observed",
                                                 "simulated_mean", "simulated_sd", "ses", "p_lower", "p_upper",
                                                 "p_value", "rhat", "ess", "iterations", "seed", "status"}));
    EXPECT_NE(rows[1][15], rows[2][15]);  // the seed depends on the name
    EXPECT_EQ(rows[3][16], "error: Error 05: Presence-absence matrix contains a non-binary entry in cell 1,1.  Aborting analysis.");
    for (std::size_t m = 0; m < 2; ++m) {
        const std::vector<std::string>& row = rows[m + 1];
        EXPECT_EQ(row[0], files[m]);
        EXPECT_EQ(row[16], "ok");
        const RunResult single = run({"--no-power", "--iterations", "1000", "--seed", row[15], "--json", path("s.json"), files[m]});
        ASSERT_EQ(single.exitCode, 0) << single.err;
        nlohmann::json line = lines[m];
        EXPECT_EQ(line["presences"], m == 0 ? 11 : 7);
        for (const char* key : {"file", "seed", "status", "presences"}) line.erase(key);
        EXPECT_EQ(line, nlohmann::json::parse(readAll(path("s.json"))));
        for (const auto& [column, key] : {std::pair{1, "species"}, {2, "sites"}, {5, "observed"}, {6, "simulated_mean"},
                                          {7, "simulated_sd"}, {8, "ses"}, {9, "p_lower"}, {10, "p_upper"},
                                          {11, "p_value"}, {12, "rhat"}, {13, "ess"}})
            EXPECT_EQ(row[column], line[key].is_null() ? "" : line[key].dump()) << key;
    }
    // The same matrix gives the same row wherever it sits in a batch, and with the table options
    // a transposed count table is the same matrix.
    fs::create_directory(path("t"));
    write("t/b.csv", "S,A,B,C\nx,3,0,1\ny,0,5,1\nz,1,1,0\nw,9,0,0\n");
    const RunResult alone = run({"batch", "--no-power", "--iterations", "1000", "--seed", "9", "--species", "columns",
                                 "--binary", path("t/b.csv")});
    EXPECT_EQ(alone.exitCode, 0) << alone.err;
    const auto transposed = csvRows(alone.out);
    ASSERT_EQ(transposed.size(), 2u);
    for (std::size_t k = 1; k < 15; ++k) EXPECT_EQ(transposed[1][k], rows[2][k]) << k;
    // A rerun on the folder skips the finished rows (a changed file keeps its row) and runs the failed one again.
    write("in/a.txt", "S A\nx 1\n");
    write("in/c.txt", "S A B C\nx 1 1 0\ny 1 0 1\n");
    std::vector<std::string> again = common;
    again.push_back(path("in"));
    EXPECT_EQ(run(again).exitCode, 0);
    const auto rerun = csvRows(readAll(path("sum.csv")));
    ASSERT_EQ(rerun.size(), 4u);
    EXPECT_EQ(rerun[1], rows[1]);
    EXPECT_EQ(rerun[2], rows[2]);
    EXPECT_EQ(rerun[3][16], "ok");
    EXPECT_EQ(jsonLines(readAll(path("r.jsonl"))).size(), 3u);
    // Another file at the output is refused and left as it was.
    write("other.csv", "a,b\n1,2\n");
    const RunResult refused = run({"batch", "--output", path("other.csv"), files[0]});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_TRUE(contains(refused.err, "is not a batch summary")) << refused.err;
    EXPECT_EQ(readAll(path("other.csv")), "a,b\n1,2\n");
}

}  // namespace

namespace {

using namespace kelpo_cli_test;

TEST_F(BatchCli, ShardsMergedEqualTheWholeBatchAndMissingOrDoubledPartsAreRefused) {
    fs::create_directory(path("in"));
    std::mt19937 random(3);
    for (int m = 0; m < 7; ++m) {
        std::string text = "S A B C D E\n";
        for (int i = 0; i < 5; ++i) {
            text += "sp" + std::to_string(i);
            for (int k = 0; k < 5; ++k) text += random() % 2 ? " 1" : " 0";
            text += "\n";
        }
        write("in/m" + std::to_string(m) + ".txt", m == 4 ? "S A\nx 3\n" : text);
    }
    const std::vector<std::string> common = {"batch", "--no-power", "--iterations", "1000", "--seed", "4", path("in")};
    std::vector<std::string> whole = common;
    whole.insert(whole.end(), {"--output", path("all.csv"), "--json", path("all.jsonl")});
    EXPECT_EQ(run(whole).exitCode, 7);
    for (const int shards : {1, 2, 5}) {
        std::vector<std::string> merge = {"merge", "--output", path("m.csv"), "--json", path("m.jsonl")};
        for (int i = 0; i < shards; ++i) {
            std::vector<std::string> part = common;
            const std::string name = path("p" + std::to_string(i) + ".jsonl");
            part.insert(part.end(), {"--shard", std::to_string(i) + "/" + std::to_string(shards), "--json", name});
            run(part);
            merge.push_back(name);
        }
        EXPECT_EQ(run(merge).exitCode, 7) << shards;
        EXPECT_EQ(readAll(path("m.csv")), readAll(path("all.csv"))) << shards;
        EXPECT_EQ(readAll(path("m.jsonl")), readAll(path("all.jsonl"))) << shards;
    }
    const std::string p0 = path("p0.jsonl"), p1 = path("p1.jsonl");
    const struct { std::vector<std::string> args; std::string message; } refusals[] = {
        {{"merge", p0, p1, p1, path("p3.jsonl"), path("p4.jsonl")}, "Shard 1 of 5 is given twice: " + p1 + " and " + p1},
        {{"merge", p0, p1, path("p3.jsonl"), path("p4.jsonl")}, "Shard 2 of 5 is missing."},
        {{"merge", path("all.jsonl")}, "does not begin as a part"}, {{"batch", "--shard", "5/5", p0}, "--shard takes i/N"}};
    for (const auto& c : refusals) {
        const RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(contains(r.err, c.message)) << r.err;
    }
}

}  // namespace

namespace {

using namespace kelpo_cli_test;

TEST_F(BatchCli, AnalysisShardsMergedEqualTheSingleRunAndStrayPartsAreRefused) {
    std::mt19937 random(8);
    std::string text = "S a b c d e f g h i j\n";
    for (int i = 0; i < 12; ++i) {
        text += "sp" + std::to_string(i);
        for (int k = 0; k < 10; ++k) text += random() % 2 ? " 1" : " 0";
        text += "\n";
    }
    const std::string matrix = write("m.txt", text);
    const std::vector<std::string> common = {"--iterations", "1000", "--matrices", "2", "--seed", "5", "--null", "sites"};
    const auto withArgs = [&](std::vector<std::string> args, std::vector<std::string> more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const RunResult single = run(withArgs(common, {"--output", path("s.txt"), "--json", path("s.json"), matrix}));
    ASSERT_EQ(single.exitCode, 0) << single.err;
    for (const int shards : {1, 2, 5}) {
        std::vector<std::string> merge = {"merge", "--output", path("m.txt.out"), "--json", path("m.json")};
        for (int i = 0; i < shards; ++i) {
            merge.push_back(path("a" + std::to_string(i) + ".json"));
            const std::string share = std::to_string(i) + "/" + std::to_string(shards);
            EXPECT_EQ(run(withArgs(common, {"--shard", share, "--json", merge.back(), matrix})).exitCode, 0);
        }
        const RunResult merged = run(merge);
        EXPECT_EQ(merged.exitCode, 0) << merged.err;
        EXPECT_EQ(merged.out, single.out) << shards;
        EXPECT_EQ(readAll(path("m.txt.out")), readAll(path("s.txt"))) << shards;
        EXPECT_EQ(readAll(path("m.json")), readAll(path("s.json"))) << shards;
    }
    std::vector<std::string> otherSeed = common;
    otherSeed[5] = "6";
    run(withArgs(otherSeed, {"--shard", "1/5", "--json", path("other.json"), matrix}));
    const std::string a0 = path("a0.json"), a1 = path("a1.json"), a2 = path("a2.json"), a3 = path("a3.json");
    const struct { std::vector<std::string> args; std::string message; } refusals[] = {
        {{"merge", a0, a1, a1, a2, a3, path("a4.json")}, "Shard 1 of 5 is given twice: " + a1 + " and " + a1},
        {{"merge", a0, a1, a2, a3}, "Shard 4 of 5 is missing."},
        {{"merge", a0, path("other.json"), a2, a3, path("a4.json")}, path("other.json") + " is a part of another analysis"},
        {{"--iterations", "auto", "--shard", "0/2", "--json", a0, matrix}, "--shard needs a fixed --iterations"}};
    for (const auto& c : refusals) {
        const RunResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(contains(r.err, c.message)) << r.err;
    }
}

}  // namespace
