#include "engine/pairwise_test.h"

#include <algorithm>
#include <array>
#include <new>
#include <string>

#include <tbb/parallel_for.h>

#include "core/error.h"
#include "core/random.h"
#include "core/random_binary_matrix.h"
#include "core/statistics.h"
#include "core/swap_chain.h"
#include "engine/false_discovery.h"
#include "engine/hypothesis_test.h"
#include "engine/streams.h"
#include "engine/worker_arena.h"

namespace kelpo {

namespace {

// Progress steps per chain: often enough for a smooth bar, rarely enough that the
// callback (a lock in the CLI, an event in the desktop) costs nothing.
constexpr std::int32_t kSlices = 16;
// Steps between two looks at the cancel request when a burn-in or a thinning is long.
constexpr std::int64_t kCancelCheckSteps = 1 << 16;

// One chain's tallies per pair, in the tables' triangle order: pair (x, y), y < x, at
// x (x - 1) / 2 + y. Integers, so adding the chains in any order gives the same sums.
struct PairTally {
    std::vector<std::int64_t> sum, sumOfSquares;
    std::vector<std::int32_t> atMost, atLeast;  // samples with S <= observed, S >= observed

    explicit PairTally(std::size_t pairs) : sum(pairs), sumOfSquares(pairs), atMost(pairs), atLeast(pairs) {}
};

std::size_t pairIndex(std::int32_t x, std::int32_t y) {  // y < x
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(x - 1) / 2 + static_cast<std::size_t>(y);
}

void throwIfCancelled(const RunControl& control) {
    if (control.cancelRequested()) throw Error(ErrorKind::Cancelled, "The pairwise test was cancelled.");
}

template <class Chain>
void advance(Chain& chain, Random& random, std::int64_t steps, const RunControl& control) {
    while (steps > 0) {
        throwIfCancelled(control);
        const std::int64_t block = std::min(steps, kCancelCheckSteps);
        // The refused steps in the chain's tight loop, each swap after its run of them:
        // the same steps as calling step() block times.
        for (std::int64_t left = block; left > 0;) {
            const std::int64_t refused = chain.refusedBeforeSwap(random, left);
            left -= refused < left ? refused + 1 : left;
        }
        steps -= block;
    }
}

// One sample: the chain's shared counts against the observed ones, read row by row
// from the chain's own table (one species' counts are contiguous).
template <class Table>
void addSample(const Table& table, const std::uint16_t* observed, PairTally& tally) {
    std::size_t p = 0;
    for (std::int32_t x = 1; x < table.entities(); ++x) {
        const std::uint16_t* row = table.row(x);
        for (std::int32_t y = 0; y < x; ++y, ++p) {
            const std::int64_t s = row[y];
            tally.sum[p] += s;
            tally.sumOfSquares[p] += s * s;
            tally.atMost[p] += s <= observed[p];
            tally.atLeast[p] += s >= observed[p];
        }
    }
}

// A chain started as the hypothesis test starts one (a random matrix with the margins),
// burnt in, then sampled every thin steps; its samples are dealt into kSlices progress steps.
void runChain(const PresenceMatrix& matrix, const std::uint16_t* observed, std::int32_t chainIndex,
              std::int32_t samples, const PairwiseSettings& settings, RunControl& control, PairTally& tally) {
    if (samples == 0) {
        for (std::int32_t s = 0; s < kSlices; ++s) control.stepBegun();
        return;
    }
    Random random(settings.seed, streams::pairChain(chainIndex));
    withChain<CScoreStatistic>(matrix.rows(), matrix.cols(), [&](auto& chain) {
        chain.start(featureLines(RandomBinaryMatrix(matrix.rowSums(), matrix.colSums(), random), true),
                    SharedKernel::Automatic, ChainUse::SharedCounts);
        advance(chain, random, settings.burnIn, control);
        for (std::int32_t slice = 0; slice < kSlices; ++slice) {
            const std::int64_t first = std::int64_t{samples} * slice / kSlices;
            const std::int64_t last = std::int64_t{samples} * (slice + 1) / kSlices;
            for (std::int64_t k = first; k < last; ++k) {
                advance(chain, random, settings.thin, control);
                addSample(chain.statistic().table(), observed, tally);
            }
            control.stepBegun();
        }
    });
}

bool fixedCount(std::int32_t rowSum, std::int32_t sites) { return rowSum == 0 || rowSum == sites; }

}  // namespace

void classifyPairs(PairwiseResults& results, double fdr) {
    for (PairResult& pair : results.pairs) {
        if (!pair.pAdjusted) continue;
        if (*pair.pAdjusted > fdr) pair.pairClass = PairClass::Random;
        else pair.pairClass = *pair.pLower < *pair.pUpper ? PairClass::Segregated : PairClass::Aggregated;
    }
}

std::string_view pairClassText(PairClass c) {
    switch (c) {
        case PairClass::Random: return "random";
        case PairClass::Segregated: return "segregated";
        case PairClass::Aggregated: return "aggregated";
        case PairClass::Untestable: return "untestable";
    }
    return "";
}

void checkPairwiseSettings(const PairwiseSettings& settings) {
    auto refuse = [](const std::string& text) { throw Error(ErrorKind::InvalidInput, text); };
    if (settings.samples < 1) refuse("The number of samples must be at least 1, not " + std::to_string(settings.samples) + ".");
    if (settings.burnIn < 0) refuse("The burn-in cannot be negative (got " + std::to_string(settings.burnIn) + ").");
    if (settings.thin < 1) refuse("The thinning must be at least 1 step, not " + std::to_string(settings.thin) + ".");
    if (!(settings.fdr > 0.0 && settings.fdr < 1.0)) refuse("The false discovery rate must lie between 0 and 1.");
    if (settings.threads < 0) refuse("The number of threads cannot be negative.");
}

PairwiseResults PairwiseTest(const PresenceMatrix& matrix, const PairwiseSettings& settings, RunControl& control) {
    checkPairwiseSettings(settings);
    const std::int32_t species = matrix.rows(), sites = matrix.cols();
    SharedTable<TableLayout::Triangle> observed;
    observed.build(featureLines(matrix, true));
    const std::vector<std::int32_t>& r = observed.totals();
    const std::size_t pairCount = species < 2 ? 0 : pairIndex(species, 0);
    const std::uint16_t* observedCounts = species < 2 ? nullptr : observed.row(1);

    // A count of a species at every site or at none never moves; when all pairs are
    // such (or the chain could not step at all), no chain runs.
    const bool anyTestable =
        std::count_if(r.begin(), r.end(), [&](std::int32_t v) { return !fixedCount(v, sites); }) >= 2;

    control.begin(0, kPairChains * kSlices);
    std::vector<PairTally> tallies;
    try {
        tallies.assign(kPairChains, PairTally(anyTestable ? pairCount : 0));
    } catch (const std::bad_alloc&) {
        throw Error(ErrorKind::OutOfMemory, "Out of memory for the tallies of " + std::to_string(pairCount) + " pairs.");
    }
    if (anyTestable) {
        tbb::task_arena arena = workerArena(settings.threads);
        arena.execute([&] {
            tbb::parallel_for(0, kPairChains, [&](std::int32_t c) {
                const std::int32_t share = static_cast<std::int32_t>(std::int64_t{settings.samples} * (c + 1) / kPairChains -
                                                                     std::int64_t{settings.samples} * c / kPairChains);
                runChain(matrix, observedCounts, c, share, settings, control, tallies[static_cast<std::size_t>(c)]);
            });
        });
    }

    PairwiseResults results;
    results.pairs.reserve(pairCount);
    std::vector<double> family;
    std::vector<std::size_t> familyRows;
    const double n = settings.samples;
    for (std::int32_t a = 0; a < species; ++a) {
        for (std::int32_t b = a + 1; b < species; ++b) {
            const std::size_t p = pairIndex(b, a);
            PairResult pair;
            pair.speciesA = a + 1;
            pair.speciesB = b + 1;
            pair.sharedObserved = observedCounts[p];
            pair.checkerboardUnits = std::int64_t{r[a] - pair.sharedObserved} * (r[b] - pair.sharedObserved);
            pair.sharedMean = pair.sharedObserved;
            if (!fixedCount(r[a], sites) && !fixedCount(r[b], sites)) {
                double sum = 0, sumOfSquares = 0, atMost = 0, atLeast = 0;
                for (const PairTally& t : tallies) {
                    sum += static_cast<double>(t.sum[p]);
                    sumOfSquares += static_cast<double>(t.sumOfSquares[p]);
                    atMost += t.atMost[p];
                    atLeast += t.atLeast[p];
                }
                const MeanAndSd spread = meanAndSd(n, sum, sumOfSquares);
                pair.sharedMean = spread.mean;
                pair.sharedSd = spread.sd;
                if (spread.sd > 0.0) pair.ses = (pair.sharedObserved - spread.mean) / spread.sd;
                pair.pLower = atMost / n;
                pair.pUpper = atLeast / n;
                // Two-sided, so one family covers both directions; the class takes the direction.
                family.push_back(std::min(1.0, 2.0 * std::min(*pair.pLower, *pair.pUpper)));
                familyRows.push_back(results.pairs.size());
            }
            results.pairs.push_back(pair);
        }
    }
    const std::vector<double> adjusted = benjaminiHochberg(family);
    for (std::size_t k = 0; k < familyRows.size(); ++k) results.pairs[familyRows[k]].pAdjusted = adjusted[k];
    classifyPairs(results, settings.fdr);
    return results;
}

}  // namespace kelpo
