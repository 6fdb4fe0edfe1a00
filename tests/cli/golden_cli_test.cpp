// What a seed produces, pinned: a change to the generator, the reduction, the chains or
// the report that alters any published number for a seed fails here. After a change
// meant to alter them, rewrite the files with the command lines below and say so.
#include "cli_runner.h"

namespace kelpo_cli_test {
namespace {

struct Golden {
    const char* name;  // tests/cli/golden/<name>_report.txt and <name>.json
    std::vector<std::string> options;
};

TEST_F(CliTest, SeededReportsAndJsonAreTheGoldenBytes) {
    const std::string dune = KELPO_SOURCE_DIR "/examples/dune.txt";
    const Golden cases[] = {
        {"dune_swap", {"--seed", "7", "--iterations", "2000", "--matrices", "3"}},
        {"dune_curveball",
         {"--seed", "7", "--iterations", "2000", "--no-power", "--sampler", "curveball", "--statistic", "checkerboards"}},
    };
    for (const Golden& c : cases) {
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--output", path("report.txt"), "--json", path("out.json"), dune});
        ASSERT_EQ(run(args).exitCode, 0) << c.name;
        const std::string golden = std::string(KELPO_SOURCE_DIR "/tests/cli/golden/") + c.name;
        EXPECT_EQ(readAll(path("report.txt")), readAll(golden + "_report.txt")) << c.name;
        EXPECT_EQ(readAll(path("out.json")), readAll(golden + ".json")) << c.name;
    }
}

}  // namespace
}  // namespace kelpo_cli_test
