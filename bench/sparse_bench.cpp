// Large sparse tables as microbial ecologists test them: 10,000 taxa x 1,000 samples
// at about 3 % fill, occupancies skewed (a few taxa nearly everywhere, most rare).
// The hypothesis test alone, as `kelpo-cli --no-power` runs it, and the start
// matrices that dominated it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/random_binary_matrix.h"
#include "engine/run.h"

namespace {

using namespace kelpo;

// Taxon i's presence probability falls as a power of its rank, times a sample factor
// between 0.5 and 1.5, scaled to about 313,000 presences. The seed is fixed.
PresenceMatrix otuTable() {
    constexpr std::int32_t kTaxa = 10000, kSamples = 1000;
    Random random(31, 7);
    std::vector<double> taxon(kTaxa), sample(kSamples);
    for (std::int32_t i = 0; i < kTaxa; ++i) taxon[static_cast<std::size_t>(i)] = std::pow(i + 20.0, -0.7);
    for (double& s : sample) s = 0.5 + random.next();
    double taxa = 0, samples = 0;
    for (double t : taxon) taxa += t;
    for (double s : sample) samples += s;
    const double scale = 313000.0 / (taxa * samples);
    PresenceMatrix m(kTaxa, kSamples);
    for (std::int32_t i = 1; i <= kTaxa; ++i)
        for (std::int32_t k = 1; k <= kSamples; ++k)
            m.set(i, k, random.next() < std::min(1.0, scale * taxon[i - 1] * sample[k - 1]) ? 1 : 0);
    return m;
}

const PresenceMatrix& table() {
    static const PresenceMatrix m = otuTable();
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
