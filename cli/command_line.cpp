#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <tuple>
#include <string>

namespace kelpo {

namespace {

constexpr const char* kFooter = R"(Numbers:
  --iterations, --matrices and --seed take decimal numbers written in full: a text
  that is not entirely a number ("12abc", "") is refused, not read as 12 or 0. A
  fraction is rounded to the nearest whole number, a half to the even neighbour.
  --iterations is the total of the hypothesis test; a tenth of it (rounded the same
  way) is kept per replicate, so the total is at most 2147483640. Fewer than 100
  matrices or 25000 iterations give a warning on standard error; the run goes on.

Mixing (R-hat, ESS, --iterations auto):
  The test's ten chains each wander from their own random start through matrices with
  your matrix's row and column totals. Only when they have forgotten where they began
  and agree with each other do their values describe the null hypothesis. Two figures
  say whether they do, printed on standard error after every run and in the JSON:
  R-hat compares the spread between the chains with the spread within them (1.00 when
  they agree; above 1.01 they have not mixed), and ESS, the effective sample size,
  is how many independent values the correlated ones are worth (400 or more wanted).
  Both are computed from the chains' traces (rank-normalized split R-hat and bulk ESS,
  Vehtari et al. 2021). When they fall short, a warning says the p-value is not
  reliable. --iterations auto runs the chains in rounds, each doubling their length,
  until R-hat is at most 1.01 and the ESS at least 1000, or until --max-seconds (600)
  have passed; the first half of every chain is then discarded as burn-in, and the
  p-values, counts, mean, SD and traces come from the second half. In a full analysis
  the simulated communities' tests then run as long as the test of your matrix needed.
  Large sparse tables (OTU tables) can need billions of swap steps: --sampler curveball
  trades many cells a step and mixes them far sooner (an iteration is then one trade);
  --sampler auto takes it when fewer than 1 in 100 of the swap's proposals would be
  accepted on your matrix, where it was measured to mix sooner.

Statistics:
  vratio, the variance ratio, depends only on the row and column totals, which
  every simulated matrix shares: its p-value is always 1. The observed ratio is
  printed on standard error and given in the JSON.

Assumptions:
  The assumptions need a null hypothesis, and each is offered only where it adds
  something: --null interactions allows --assume-sites-equivalent and
  --assume-species-equivalent; --null sites allows --assume-species-equivalent and
  --assume-interactions; --null species allows --assume-sites-equivalent and
  --assume-interactions.

Exit codes:
  0 success (warnings may have been printed to standard error)
  1 unexpected internal error
  2 invalid input or usage (refused option, non-binary matrix cell)
  3 input/output (matrix file cannot be read, report or JSON file cannot be written)
  4 overflow of a 32-bit count
  5 out of memory
  6 cancelled (Ctrl-C during the power analysis or the pairwise test)
  7 some matrices of a batch failed (kelpo-cli batch --help)

Matrix files:
  Kelpo's text files, CSV as spreadsheets and R's write.csv() write it (quoted
  fields may hold separators and doubled quotes), semicolon-, tab- or
  space-separated tables, and the text table of `biom convert --to-tsv` (its
  first line "# Constructed from biom file", then "#OTU ID" in the corner; a last
  "taxonomy" column is left out). The first line names the sites (a corner label
  may be left out, as R's write.table() does); each further line is a species:
  its name, then one field per site. Cells read 0 or 1 (0.0 and 1.0 too); a
  count such as 2 is refused unless --binary, which reads every number above 0
  as a presence. --species columns reads a sites x species table. A table with
  no species or no sites is refused, saying what was read.

Species pairs (--pairs):
  Instead of the report, a table of every species pair as CSV on standard output
  (or in the --output file), and with --json the same as JSON. Each pair's shared
  sites are compared with eight chains (--sampler swap, curveball or auto) over
  matrices with the same row and column sums: --burn-in steps before the first sample, then
  a sample every --thin steps, --samples in all; a tail's p is (b + 1) / (samples +
  1), b the samples at or beyond the observed count, so never 0; pairs whose
  Benjamini-Hochberg adjusted p is at most --fdr are segregated or aggregated.
  By default the burn-in and thinning are measured on your matrix: a short pilot
  chain estimates how many steps its C-score and the shared sites of up to 256
  pairs take to forget their values (the integrated autocorrelation time); the
  thinning is twice that, the burn-in ten times. R-hat, ESS and the worst pair's
  R-hat are printed on standard error and given in the JSON, with a warning when
  the chains have not mixed or when --samples is too small for any pair to reach
  --fdr. --samples, --burn-in and --thin take whole numbers (--samples and --thin
  at least 1), --fdr a number between 0 and 1 (exclusive).
  The analysis options (--statistic, --null, --assume-*, --iterations, --matrices,
  --no-power) do not apply and are refused with it.

Shards (--shard i/N):
  One analysis split over N processes or cluster nodes. Its units of work are the
  power analysis's simulated communities, then the test's ten replicate chains, each
  with its own random stream; shard i runs the units at positions i, i + N, ... and
  writes their raw results to --json (no report; --output and --plots are refused).
  `kelpo-cli merge PARTS... --output FILE --json FILE` then writes exactly the report,
  JSON and standard output of the single run. Every shard needs the same options and
  matrix, and a fixed --iterations: --iterations auto is refused. With --no-power only
  the replicates are dealt. Batches shard too (kelpo-cli batch --help).)";

// --pairs and its numbers; each number needs --pairs and each analysis option excludes it.
void addPairOptions(CLI::App& app, CommandLine& line) {
    CLI::Option* pairs = app.add_flag("--pairs", line.pairs, "Test every species pair instead (CSV table)");
    for (auto [name, text, help] : {std::tuple{"--samples", &line.samples, "Samples of the pairwise test"},
                                    std::tuple{"--fdr", &line.fdr, "False discovery rate of the pairwise test"}}) {
        app.add_option(name, *text, help)->capture_default_str()->needs(pairs);
    }
    app.add_option("--burn-in", line.burnIn, "Chain steps before the first sample (default: measured)")->needs(pairs);
    app.add_option("--thin", line.thin, "Chain steps between two samples (default: measured)")->needs(pairs);
    for (const char* name : {"--statistic", "--null", "--assume-sites-equivalent", "--assume-species-equivalent",
                             "--assume-interactions", "--iterations", "--matrices", "--no-power"}) {
        app.get_option(name)->excludes(pairs);
    }
}

void addTableOptions(CLI::App& app, CommandLine& line) {
    app.add_option("--species", line.species, "Species in the file's rows (default) or columns")
        ->check(CLI::IsMember({"rows", "columns"}));
    app.add_flag("--binary", line.binary, "Read every number above 0 as a presence (abundance tables)");
}

// The analysis and how it runs: shared by a single run and a batch.
void addAnalysisOptions(CLI::App& app, CommandLine& line) {
    app.add_option("--statistic", line.choices.statistic, "Co-occurrence statistic")
        ->check(CLI::IsMember({"cscore", "checkerboards", "combinations", "vratio"}))
        ->capture_default_str();
    app.add_option("--null", line.choices.nullHypothesis, "Null hypothesis (none when absent)")
        ->check(CLI::IsMember({"interactions", "sites", "species"}));
    app.add_flag("--assume-sites-equivalent", line.choices.assumeSitesEquivalent, "Assume sites are equivalent");
    app.add_flag("--assume-species-equivalent", line.choices.assumeSpeciesEquivalent, "Assume species are equivalent");
    app.add_option("--assume-interactions", line.choices.assumeInteractionsPercent,
                   "Assume interactions between species, with this percentage of species interacting")
        ->check(CLI::IsMember({0, 50, 100}));
    app.add_option("--iterations", line.choices.iterations,
                   "Iterations of the hypothesis test (total), or auto: until the chains have mixed")
        ->capture_default_str();
    app.add_option("--sampler", line.choices.sampler,
                   "Chain over the matrices with the same totals: swap (sequential swap), curveball (trades) "
                   "or auto (the curveball when fewer than 1 in 100 swaps would be accepted)")
        ->check(CLI::IsMember({"swap", "curveball", "auto"}))
        ->capture_default_str();
    app.add_option("--max-seconds", line.choices.maxSeconds, "With --iterations auto: the time limit")
        ->capture_default_str();
    app.add_option("--matrices", line.choices.matrices, "Simulated matrices per distribution")->capture_default_str();
    app.add_option("--seed", line.choices.seed, "Random seed of the simulations")->capture_default_str();
    app.add_option("--threads", line.threads, "Worker threads (default: all cores)")
        ->check(CLI::Range(1, 4096));
    app.add_flag("--no-power", line.noPower, "Hypothesis test only, no power analysis");
    app.add_flag("--progress", line.progress, "Show a progress bar on standard error");
    addTableOptions(app, line);
}

void addOptions(CLI::App& app, CommandLine& line) {
    addAnalysisOptions(app, line);
    app.add_option("--output", line.output, "Also write the report to this file");
    app.add_option("--json", line.json, "Write the results as one JSON object to this file");
    app.add_option("--plots", line.plots,
                   "Write the charts (null-distribution, chain, power) as .svg and .png into this folder");
    app.add_option("--shard", line.shard,
                   "Run only the i-th of N parts of the analysis (i/N, i from 0), its partial result to --json");
    app.add_option("MATRIX_FILE", line.matrixFile, "Presence-absence matrix: Kelpo text, CSV, or BIOM text table");
    addPairOptions(app, line);
    app.get_option("--shard")->excludes(app.get_option("--pairs"));
}

constexpr const char* kBatchFooter = R"(Each matrix is analysed as a single run would analyse it, with its own seed
derived from --seed and the file's name (without its folder), so a matrix gives
the same numbers whatever else is in the batch: `kelpo-cli --seed SEED FILE` with
the seed of its row gives the same figures. A folder stands for the files in it
(not those whose names begin with a dot), sorted by name.

The summary has one CSV row per matrix: file, species, sites, presences,
statistic, observed, simulated_mean, simulated_sd, ses, p_lower, p_upper,
p_value, rhat, ess, iterations, seed, status. A figure the run does not give is
empty. status is "ok", or "error: " and the message for a matrix that could not
be analysed (unreadable, non-binary); the batch goes on with the next.
--json writes one JSON object per line and matrix: its file, seed and status,
then everything a single run's --json holds.

Shards: --shard i/N runs the matrices at positions i, i + N, i + 2N, ... of the
list, and needs --json, where its partial result goes; `kelpo-cli merge` joins
the N parts into exactly the summary and JSON lines of the whole batch (kelpo-cli
merge --help). Every matrix has its own seed, so no number depends on the split.

Resuming: run the same command again with the same --output (and --json), and
the matrices whose rows say "ok" are skipped; the others run again.

Exit codes: 0 every matrix ran; 7 the batch ran to its end but at least one
matrix failed (see its row); 2 and 3 as for a single run, when the batch itself
cannot start or write its results; 6 cancelled.)";

CLI::App* addBatch(CLI::App& app, CommandLine& line) {
    CLI::App* batch = app.add_subcommand("batch", "Run the same analysis on many matrices: a CSV summary row each");
    batch->footer(kBatchFooter);
    addAnalysisOptions(*batch, line);
    batch->add_option("--output", line.output, "Write the summary to this file (default: standard output)");
    batch->add_option("--json", line.json, "Also write one JSON line of full results per matrix to this file");
    batch->add_option("--shard", line.shard,
                      "Run only the i-th of N parts (i/N, i from 0), its partial result to --json");
    batch->add_option("FILE", line.batchInputs, "Matrix files, or folders of them")->required();
    return batch;
}

constexpr const char* kMergeFooter = R"(The parts are the --json files of `kelpo-cli batch --shard i/N` (or of
`kelpo-cli --shard i/N MATRIX_FILE`, one analysis) for i from 0 to N - 1, each
given once; merge tells the two kinds apart. A missing or duplicated part, a part
of another batch or analysis (other files, settings, matrix or seed), or one that
has not finished is refused, naming it.
A batch: the summary (--output, or standard output) and the JSON lines (--json)
are byte for byte what `kelpo-cli batch` writes without --shard. Exit code 7 when
any matrix failed, as for a batch.
One analysis: the report (--output, and standard output), the JSON (--json) and
the charts (--plots) are byte for byte what the run without --shard writes.)";

CLI::App* addMerge(CLI::App& app, CommandLine& line) {
    CLI::App* merge = app.add_subcommand("merge", "Join the parts of a batch or an analysis run with --shard");
    merge->footer(kMergeFooter);
    merge->add_option("--output", line.output,
                      "Write the summary (a batch; default: standard output) or the report (an analysis) to this file");
    merge->add_option("--json", line.json, "Write the JSON lines of the whole batch, or the analysis's JSON, to this file");
    merge->add_option("--plots", line.plots, "An analysis: write its charts into this folder");
    merge->add_option("PARTS", line.batchInputs, "The --json files of the shards")->required();
    return merge;
}

}  // namespace

ParseOutcome parseCommandLine(int argc, const char* const* argv) {
    CLI::App app{"kelpo-cli: tests whether the species of a presence-absence matrix co-occur at random,\n"
                 "with a power analysis of the test, and prints the results report.\n"
                 "kelpo-cli batch FILE...: the same analysis on many matrices (kelpo-cli batch --help);\n"
                 "kelpo-cli merge PARTS...: joins the shards of a batch or an analysis (kelpo-cli merge --help).",
                 "kelpo-cli"};
    app.footer(kFooter);
    CommandLine line;
    addOptions(app, line);
    const CLI::App* batch = addBatch(app, line);
    const CLI::App* merge = addMerge(app, line);
    try {
        app.parse(argc, argv);
        line.batch = batch->parsed();
        line.merge = merge->parsed();
        // Not required by CLI11 itself: the subcommands take their files instead.
        if (!line.batch && !line.merge && line.matrixFile.empty()) throw CLI::RequiredError("MATRIX_FILE");
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return {std::nullopt, code == 0 ? ExitCode::Success : ExitCode::InvalidInput};
    }
    return {line, ExitCode::Success};
}

AnalysisSettings settingsFromCommandLine(const CommandLine& line,
                                         const std::function<void(std::string_view)>& warn) {
    return settingsFromChoices(line.choices, warn);
}

}  // namespace kelpo
