#include "engine/pairwise_test.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <new>
#include <string>

#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

#include "core/error.h"
#include "core/random.h"
#include "core/sampler_chain.h"
#include "core/statistics.h"
#include "engine/false_discovery.h"
#include "engine/hypothesis_test.h"
#include "engine/mixing.h"
#include "engine/pair_chain.h"
#include "engine/pair_pilot.h"
#include "engine/streams.h"
#include "engine/worker_arena.h"

namespace kelpo {

namespace {

// Progress steps per chain: often enough for a smooth bar, rarely enough that the
// callback (a lock in the CLI, an event in the desktop) costs nothing.
constexpr std::int32_t kSlices = 16;
// Samples per chain the diagnostics read at most, evenly spaced: as the hypothesis test's
// traces, and thinning never raises an ESS, so theirs is a floor for all the samples'.
constexpr std::int64_t kTracePoints = 1000;

using pair_chain::pairIndex;

// Tallies per pair, in the tables' triangle order. Integers, so adding the chains (or the
// threads that ran them) in any order gives the same sums: one table per thread, not per chain.
struct PairTally {
    std::vector<std::int64_t> sum, sumOfSquares;
    std::vector<std::int32_t> atMost, atLeast;  // samples with S <= observed, S >= observed

    explicit PairTally(std::size_t pairs) try : sum(pairs), sumOfSquares(pairs), atMost(pairs), atLeast(pairs) {
    } catch (const std::bad_alloc&) {
        throw Error(ErrorKind::OutOfMemory, "Out of memory for the tallies of " + std::to_string(pairs) + " pairs.");
    }

    void add(const PairTally& other) {
        for (std::size_t p = 0; p < sum.size(); ++p) {
            sum[p] += other.sum[p];
            sumOfSquares[p] += other.sumOfSquares[p];
            atMost[p] += other.atMost[p];
            atLeast[p] += other.atLeast[p];
        }
    }
};

// One chain's trace points: its C-score, and each monitored pair's shared count.
struct ChainTrace {
    std::vector<double> cscore;
    std::vector<std::vector<double>> pairs;  // [monitored pair][point]
};

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

// What every chain of one run shares.
struct ChainPlan {
    const PresenceMatrix& matrix;
    const std::uint16_t* observed;
    std::span<const MonitoredPair> monitored;
    std::int64_t burnIn;
    std::int32_t thin;
    std::int64_t traceStride;  // samples between two trace points
    Sampler sampler;
    std::int32_t seed;
};

// A chain from a random start, burnt in, then sampled every thin steps; its samples are
// dealt into kSlices progress steps.
void runChain(const ChainPlan& plan, std::int32_t chainIndex, std::int32_t samples, RunControl& control,
              PairTally& tally, ChainTrace& trace) {
    if (samples == 0) {
        for (std::int32_t s = 0; s < kSlices; ++s) control.stepBegun();
        return;
    }
    trace.pairs.resize(plan.monitored.size());
    Random random(plan.seed, streams::pairChain(chainIndex));
    withSampler<CScoreStatistic>(plan.sampler, plan.matrix.rows(), plan.matrix.cols(), [&](auto& chain) {
        pair_chain::start(chain, plan.matrix, random);
        pair_chain::advance(chain, random, plan.burnIn, control);
        for (std::int32_t slice = 0; slice < kSlices; ++slice) {
            const std::int64_t first = std::int64_t{samples} * slice / kSlices;
            const std::int64_t last = std::int64_t{samples} * (slice + 1) / kSlices;
            for (std::int64_t k = first; k < last; ++k) {
                pair_chain::advance(chain, random, plan.thin, control);
                addSample(chain.statistic().table(), plan.observed, tally);
                if (k % plan.traceStride != 0) continue;
                trace.cscore.push_back(static_cast<double>(chain.value()));
                for (std::size_t p = 0; p < plan.monitored.size(); ++p) {
                    const MonitoredPair pair = plan.monitored[p];
                    trace.pairs[p].push_back(pair_chain::sharedCount(chain.statistic().table(), pair.x, pair.y));
                }
            }
            control.stepBegun();
        }
    });
}

PairMixing mixingOf(const std::vector<ChainTrace>& traces, std::size_t monitored) {
    PairMixing mixing;
    std::vector<std::vector<double>> chains;
    for (const ChainTrace& t : traces) chains.push_back(t.cscore);
    const MixingFigures cscore = mixingFigures(chains);
    mixing.rhat = cscore.rhat;
    mixing.ess = cscore.ess;
    mixing.monitoredPairs = static_cast<std::int32_t>(monitored);
    for (std::size_t p = 0; p < monitored; ++p) {
        for (std::size_t c = 0; c < traces.size(); ++c) chains[c] = traces[c].pairs.empty() ? std::vector<double>{} : traces[c].pairs[p];
        const double rhat = mixingFigures(chains).rhat;
        if (!std::isnan(rhat) && !(rhat <= mixing.worstPairRhat)) mixing.worstPairRhat = rhat;
    }
    return mixing;
}

// The given lengths, the others measured by the pilot (only when the chain can move: a
// matrix without a checkerboard is the only one with its margins).
PairLengths lengthsFor(const PresenceMatrix& matrix, std::span<const MonitoredPair> monitored,
                       const PairwiseSettings& settings, bool movable, const RunControl& control) {
    PairLengths lengths;
    lengths.burnInMeasured = !settings.burnIn;
    lengths.thinMeasured = !settings.thin;
    if (movable && (!settings.burnIn || !settings.thin)) {
        const PilotLengths pilot = measurePairLengths(matrix, monitored, settings.sampler, settings.seed, control);
        lengths.burnIn = pilot.burnIn;
        lengths.thin = pilot.thin;
        lengths.autocorrelationSteps = pilot.autocorrelationSteps;
        lengths.pilotSteps = pilot.pilotSteps;
        lengths.pilotLimitReached = pilot.limitReached;
    }
    if (settings.burnIn) lengths.burnIn = *settings.burnIn;
    if (settings.thin) lengths.thin = *settings.thin;
    return lengths;
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
    if (settings.burnIn && *settings.burnIn < 0) {
        refuse("The burn-in cannot be negative (got " + std::to_string(*settings.burnIn) + ").");
    }
    if (settings.thin && *settings.thin < 1) refuse("The thinning must be at least 1 step, not " + std::to_string(*settings.thin) + ".");
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
    auto units = [&](std::int32_t a, std::int32_t b) {  // a < b
        const std::int64_t s = observedCounts[pairIndex(b, a)];
        return (r[a] - s) * (r[b] - s);
    };

    // A count of a species at every site or at none never moves; when all pairs are
    // such, no chain runs.
    const bool anyTestable =
        std::count_if(r.begin(), r.end(), [&](std::int32_t v) { return !fixedCount(v, sites); }) >= 2;
    bool movable = false;  // a checkerboard somewhere: the C-score is above 0
    for (std::int32_t b = 1; b < species && !movable; ++b)
        for (std::int32_t a = 0; a < b && !movable; ++a) movable = units(a, b) > 0;

    control.begin(0, kPairChains * kSlices);
    PairwiseResults results;
    results.sampler = settings.sampler;
    const std::vector<MonitoredPair> monitored = monitoredPairs(r, sites);
    results.lengths = lengthsFor(matrix, monitored, settings, anyTestable && movable, control);
    std::vector<ChainTrace> traces(kPairChains);
    auto share = [&](std::int32_t c) {
        return static_cast<std::int32_t>(std::int64_t{settings.samples} * (c + 1) / kPairChains -
                                         std::int64_t{settings.samples} * c / kPairChains);
    };
    std::optional<PairTally> total;
    if (anyTestable) {
        const ChainPlan plan{matrix, observedCounts, monitored, results.lengths.burnIn, results.lengths.thin,
                             std::max<std::int64_t>(1, (share(0) + kTracePoints - 1) / kTracePoints),
                             settings.sampler, settings.seed};
        tbb::enumerable_thread_specific<PairTally> tallies([&] { return PairTally(pairCount); });
        tbb::task_arena arena = workerArena(settings.threads);
        arena.execute([&] {
            tbb::parallel_for(0, kPairChains, [&](std::int32_t c) {
                runChain(plan, c, share(c), control, tallies.local(), traces[static_cast<std::size_t>(c)]);
            });
        });
        for (PairTally& t : tallies) {
            if (!total) total.emplace(std::move(t));
            else total->add(t);
        }
        results.mixing = mixingOf(traces, monitored.size());
    }

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
            pair.checkerboardUnits = units(a, b);
            pair.sharedMean = pair.sharedObserved;
            if (total && !fixedCount(r[a], sites) && !fixedCount(r[b], sites)) {
                const MeanAndSd spread =
                    meanAndSd(n, static_cast<double>(total->sum[p]), static_cast<double>(total->sumOfSquares[p]));
                pair.sharedMean = spread.mean;
                pair.sharedSd = spread.sd;
                if (spread.sd > 0.0) pair.ses = (pair.sharedObserved - spread.mean) / spread.sd;
                pair.pLower = (total->atMost[p] + 1.0) / (n + 1.0);
                pair.pUpper = (total->atLeast[p] + 1.0) / (n + 1.0);
                // Two-sided, so one family covers both directions; the class takes the direction.
                family.push_back(std::min(1.0, 2.0 * std::min(*pair.pLower, *pair.pUpper)));
                familyRows.push_back(results.pairs.size());
            }
            results.pairs.push_back(pair);
        }
    }
    results.testablePairs = static_cast<std::int64_t>(family.size());
    const std::vector<double> adjusted = benjaminiHochberg(family);
    for (std::size_t k = 0; k < familyRows.size(); ++k) results.pairs[familyRows[k]].pAdjusted = adjusted[k];
    classifyPairs(results, settings.fdr);
    return results;
}

}  // namespace kelpo
