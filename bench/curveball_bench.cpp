// One curveball trade with its statistic update, from the start the p-value's chain
// gets: on dune and on OTU-like tables of about 3 % fill (1,000 x 500, 10,000 x 1,000).
// Then the trade that moves the cells alone and the read that counts the C-score anew,
// the pair --iterations auto runs.
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

// use ValuesWhenRead: reads (the C-score counted anew) when reads, else trades alone.
void whenRead(benchmark::State& state, const PresenceMatrix& m, bool reads) {
    withCurveballChain<CScoreStatistic>(m.rows(), m.cols(), [&](auto& chain) {
        Random random(1, 0);
        constexpr bool species = std::decay_t<decltype(chain)>::Statistic::kSpeciesAreEntities;
        chain.start(featureLines(RandomBinaryMatrix(m.rowSums(), m.colSums(), random), species),
                    SharedKernel::Automatic, ChainUse::ValuesWhenRead);
        std::int64_t sum = 0;
        for (auto _ : state) sum += reads ? chain.read() : chain.step(random);
        benchmark::DoNotOptimize(sum);
        state.counters["tradesPerRead"] = static_cast<double>(chain.tradesPerRead());
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
void BM_TradeAlone_dune(benchmark::State& s) { whenRead(s, duneTable(), false); }
void BM_TradeAlone_otu1000x500(benchmark::State& s) { whenRead(s, otu(), false); }
void BM_TradeAlone_otu10000x1000(benchmark::State& s) { whenRead(s, sparse(), false); }
void BM_Read_dune_cscore(benchmark::State& s) { whenRead(s, duneTable(), true); }
void BM_Read_otu1000x500_cscore(benchmark::State& s) { whenRead(s, otu(), true); }
void BM_Read_otu10000x1000_cscore(benchmark::State& s) { whenRead(s, sparse(), true); }
BENCHMARK(BM_TradeAlone_dune);
BENCHMARK(BM_TradeAlone_otu1000x500);
BENCHMARK(BM_TradeAlone_otu10000x1000);
BENCHMARK(BM_Read_dune_cscore);
BENCHMARK(BM_Read_otu1000x500_cscore);
BENCHMARK(BM_Read_otu10000x1000_cscore);
BENCHMARK(BM_Trade_dune_cscore);
BENCHMARK(BM_Trade_otu10000x1000_cscore);
BENCHMARK(BM_Trade_dune_combinations);
BENCHMARK(BM_Trade_otu1000x500_cscore);
BENCHMARK(BM_Trade_otu1000x500_checkerboards);

}  // namespace
