// Large sparse tables as microbial ecologists test them: 10,000 taxa x 1,000 samples
// at about 3 % fill, occupancies skewed (a few taxa nearly everywhere, most rare).
// The hypothesis test alone, as `kelpo-cli --no-power` runs it, and the start
// matrices that dominated it.
#include <benchmark/benchmark.h>


#include "core/random_binary_matrix.h"
#include "engine/run.h"
#include "tables.h"

namespace {

using namespace kelpo;

const PresenceMatrix& table() {
    static const PresenceMatrix m = bench::otuTable(10000, 1000, 313000.0);
    return m;
}

void BM_SparseStartMatrix(benchmark::State& state) {
    const PresenceMatrix& m = table();
    std::int64_t presences = 0;
    for (std::int32_t r : m.rowSums()) presences += r;
    std::uint64_t stream = 0;
    for (auto _ : state) {
        Random random(1, ++stream);
        MarginMatrix x = RandomMarginMatrix(m.rowSums(), m.colSums(), random);
        ReduceSumOfSquares(x, random);
        benchmark::DoNotOptimize(x.cells.data());
    }
    state.counters["presences"] = static_cast<double>(presences);
}
BENCHMARK(BM_SparseStartMatrix)->Unit(benchmark::kSecond)->Iterations(3);

// kelpo-cli --no-power --statistic ID on the table: ten replicates of 10000 statistics.
void BM_SparseHypothesisTest(benchmark::State& state, StatisticId id) {
    AnalysisSettings settings;
    settings.speciesCount = table().rows();
    settings.siteCount = table().cols();
    settings.statisticId = id;
    settings.applyRunDefaults();
    const RunOptions options{static_cast<int>(state.range(0)), false};
    for (auto _ : state) {
        RunControl control;
        benchmark::DoNotOptimize(runAnalysis(table(), settings, options, control));
    }
}
BENCHMARK_CAPTURE(BM_SparseHypothesisTest, checkerboards, StatisticId::Checkerboards)
    ->ArgName("threads")->Arg(2)->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_SparseHypothesisTest, cscore, StatisticId::CScore)
    ->ArgName("threads")->Arg(2)->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
