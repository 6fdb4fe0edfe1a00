// One curveball trade with its statistic update, from the start the p-value's chain
// gets: on dune and on OTU-like tables of about 3 % fill (1,000 x 500, 10,000 x 1,000).
#include <benchmark/benchmark.h>

#include <type_traits>

#include "core/curveball_chain.h"
#include "core/random_binary_matrix.h"
#include "tables.h"

namespace {

using namespace kelpo;

template <template <TableLayout> class Stat>
void trade(benchmark::State& state, const PresenceMatrix& m) {
    withCurveballChain<Stat>(m.rows(), m.cols(), [&](auto& chain) {
        Random random(1, 0);
        constexpr bool species = std::decay_t<decltype(chain)>::Statistic::kSpeciesAreEntities;
        chain.start(featureLines(RandomBinaryMatrix(m.rowSums(), m.colSums(), random), species));
        std::int64_t moved = 0;
        for (auto _ : state) moved += chain.step(random);
        state.counters["moved"] = static_cast<double>(moved) / static_cast<double>(state.iterations());
        return 0;
    });
}

const PresenceMatrix& otu() {
    static const PresenceMatrix m = bench::otuTable(1000, 500, 15000.0);
    return m;
}

const PresenceMatrix& sparse() {
    static const PresenceMatrix m = bench::otuTable(10000, 1000, 313000.0);
    return m;
}

const PresenceMatrix& duneTable() {
    static const PresenceMatrix m = bench::dune();
    return m;
}

void BM_Trade_dune_cscore(benchmark::State& s) { trade<CScoreStatistic>(s, duneTable()); }
void BM_Trade_dune_combinations(benchmark::State& s) { trade<CombinationsStatistic>(s, duneTable()); }
void BM_Trade_otu1000x500_cscore(benchmark::State& s) { trade<CScoreStatistic>(s, otu()); }
void BM_Trade_otu1000x500_checkerboards(benchmark::State& s) { trade<CheckerboardsStatistic>(s, otu()); }
void BM_Trade_otu10000x1000_cscore(benchmark::State& s) { trade<CScoreStatistic>(s, sparse()); }
BENCHMARK(BM_Trade_dune_cscore);
BENCHMARK(BM_Trade_otu10000x1000_cscore);
BENCHMARK(BM_Trade_dune_combinations);
BENCHMARK(BM_Trade_otu1000x500_cscore);
BENCHMARK(BM_Trade_otu1000x500_checkerboards);

}  // namespace
