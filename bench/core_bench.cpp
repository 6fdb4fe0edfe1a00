// The null-model core's hot loop: the four draws of a proposal (the floor of a swap
// step), one swap step with its statistic update, and one whole p-value estimate.
#include <benchmark/benchmark.h>

#include <string>
#include <type_traits>

#include "core/error.h"

#include "core/p_value.h"
#include "core/statistics.h"
#include "core/swap_chain.h"

namespace {

using namespace kelpo;

PresenceMatrix filled(std::int32_t rows, std::int32_t cols, std::int32_t seed, float fill) {
    Random random(seed, 99);
    PresenceMatrix m(rows, cols);
    for (std::int32_t i = 1; i <= rows; ++i)
        for (std::int32_t k = 1; k <= cols; ++k) m.set(i, k, random.next() < fill ? 1 : 0);
    return m;
}

void BM_FourDraws(benchmark::State& state) {
    Random random(1, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(random.draw(20) + random.draw(20) + random.draw(20) + random.draw(20));
    }
}
BENCHMARK(BM_FourDraws);

// The chain PValue would use for this size (table layout included).
// ChainUse::SharedCounts keeps the shared-count table, so it measures the table's
// update, which processors without AVX-512's vector popcount use for Values too.
template <template <TableLayout> class Stat>
void swapStep(benchmark::State& state, std::int32_t rows, std::int32_t cols, float fill = 0.5f,
              ChainUse use = ChainUse::Values) {
    const PresenceMatrix m = filled(rows, cols, 1, fill);
    withChain<Stat>(rows, cols, [&](auto& chain) {
        try {
            chain.start(featureLines(m, std::decay_t<decltype(chain)>::Statistic::kSpeciesAreEntities),
                        SharedKernel::Automatic, use);
        } catch (const Error& e) {
            state.SkipWithError(e.what());
            return 0;
        }
        Random random(2, 0);
        for (auto _ : state) benchmark::DoNotOptimize(chain.nextValue(random));
        return 0;
    });
}

void BM_PValue(benchmark::State& state, std::int32_t rows, std::int32_t cols, StatisticId id, std::int32_t iterations) {
    const PresenceMatrix m = filled(rows, cols, 3, 0.5f);
    Random random(4, 0);
    for (auto _ : state) benchmark::DoNotOptimize(PValue(m, id, iterations, random));
}

const int registered = [] {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{20, 20}, {50, 18}, {200, 200}, {1000, 1000}};
    for (auto [r, c] : sizes) {
        const std::string size = std::to_string(r) + "x" + std::to_string(c);
        benchmark::RegisterBenchmark(("BM_SwapStep/cscore/" + size).c_str(),
                                     [r, c](benchmark::State& s) { swapStep<CScoreStatistic>(s, r, c); });
        benchmark::RegisterBenchmark(("BM_SwapStep/checkerboards/" + size).c_str(),
                                     [r, c](benchmark::State& s) { swapStep<CheckerboardsStatistic>(s, r, c); });
        benchmark::RegisterBenchmark(("BM_SwapStep/combinations/" + size).c_str(),
                                     [r, c](benchmark::State& s) { swapStep<CombinationsStatistic>(s, r, c); });
        benchmark::RegisterBenchmark(("BM_SwapStep/cscore/" + size + "/table").c_str(), [r, c](benchmark::State& s) {
            swapStep<CScoreStatistic>(s, r, c, 0.5f, ChainUse::SharedCounts);
        });
    }
    // The C-score of a 1000 x 1000 matrix of fill 0.5 (about 3e10) overflows 32 bits,
    // so BM_SwapStep/cscore/1000x1000 reports that error; this one has a value.
    benchmark::RegisterBenchmark("BM_SwapStep/cscore/1000x1000/fill0.05",
                                 [](benchmark::State& s) { swapStep<CScoreStatistic>(s, 1000, 1000, 0.05f); });
    benchmark::RegisterBenchmark("BM_PValue/cscore/20x20/100000", [](benchmark::State& s) {
        BM_PValue(s, 20, 20, StatisticId::CScore, 100000);
    })->Unit(benchmark::kMillisecond);
    return 0;
}();

}  // namespace
