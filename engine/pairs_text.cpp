#include "engine/pairs_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/mixing.h"
#include "engine/mixing_text.h"

#include "core/numbers.h"

namespace kelpo {

namespace {

std::string lengthsText(const PairLengths& lengths) {
    std::string text = "burn-in " + std::to_string(lengths.burnIn) + " and thinning " +
                       std::to_string(lengths.thin) + " steps";
    if (lengths.pilotSteps > 0) {
        text += ", autocorrelation time " + formatted("%.0f", lengths.autocorrelationSteps) + " steps in a pilot of " +
                std::to_string(lengths.pilotSteps);
    }
    return text;
}

}  // namespace

double smallestAdjustedP(std::int64_t samples) { return std::min(1.0, 2.0 / (static_cast<double>(samples) + 1.0)); }

std::int64_t samplesToReach(double fdr, std::int64_t pairs) {
    // The arithmetic the test itself does, k * (2 / (m + 1)), so the answer holds for its
    // rounding too: start at the real bound and step to the exact first m.
    const double k = static_cast<double>(pairs);
    auto reaches = [&](std::int64_t m) { return k * smallestAdjustedP(m) <= fdr; };
    auto m = static_cast<std::int64_t>(std::max(1.0, std::ceil(2.0 * k / fdr) - 1.0));
    while (!reaches(m)) ++m;
    while (m > 1 && reaches(m - 1)) --m;
    return m;
}

std::optional<std::string> fdrWarning(const PairwiseResults& results, std::int64_t samples, double fdr) {
    if (results.testablePairs == 0 || smallestAdjustedP(samples) <= fdr) return std::nullopt;
    return "Warning: with " + std::to_string(samples) + " samples no pair can reach the false discovery rate " +
           formatted("%g", fdr) + ": no adjusted p can be below 2 / (samples + 1) = " +
           formatted("%.4g", smallestAdjustedP(samples)) + ". At least " + std::to_string(samplesToReach(fdr)) +
           " samples could make pairs significant; for a single pair among the " +
           std::to_string(results.testablePairs) + " to stand out, " +
           std::to_string(samplesToReach(fdr, results.testablePairs)) + ".";
}

std::string pairsMixingLine(const PairwiseResults& results) {
    const PairMixing& mixing = results.mixing;
    std::string line = "Mixing: R-hat " + rhatText(mixing.rhat) + ", ESS " + formatted("%.0f", std::floor(mixing.ess)) +
                       " (C-score)";
    if (mixing.monitoredPairs > 0) {
        line += ", worst pair R-hat " + rhatText(mixing.worstPairRhat) + " of " +
                std::to_string(mixing.monitoredPairs) + " pairs";
    }
    return line + " (" + std::string(samplerName(results.sampler)) + ", " + std::to_string(kPairChains) +
           " chains; " + lengthsText(results.lengths) + ").";
}

// The largest of up to 256 R-hats: each has its own sampling noise, so the maximum of
// well-mixed chains sits above 1.01 at a few hundred samples (1.014 on dune at 800 samples,
// 100 per chain); 1.01 is the bound for one quantity. Chains that have not met give far more.
constexpr double kWorstPairRhat = 1.05;

bool pairChainsMixed(const PairMixing& mixing) {
    return chainsMixed({mixing.rhat, mixing.ess}) && !(mixing.worstPairRhat > kWorstPairRhat);
}

std::optional<std::string> pairsMixingWarning(const PairwiseResults& results) {
    const PairMixing& mixing = results.mixing;
    if (results.testablePairs == 0) return std::nullopt;
    std::string text;
    if (!pairChainsMixed(mixing)) {
        text = "Warning: the eight chains have not mixed (R-hat " + rhatText(mixing.rhat) + ", ESS " +
               formatted("%.0f", std::floor(mixing.ess)) + ", worst pair R-hat " + rhatText(mixing.worstPairRhat) +
               "): the p-values are not reliable. Raise --thin and --burn-in, or use --sampler curveball.";
    }
    if (results.lengths.pilotLimitReached) {
        text += std::string(text.empty() ? "Warning:" : "") + " The pilot reached its step limit before it could " +
                "measure the chain's autocorrelation: the thinning and burn-in are too short, a floor only.";
    }
    if (text.empty()) return std::nullopt;
    return text;
}

std::vector<std::string> pairsWarnings(const PairwiseResults& results, std::int64_t samples, double fdr) {
    std::vector<std::string> warnings;
    for (const auto& warning : {pairsMixingWarning(results), fdrWarning(results, samples, fdr)})
        if (warning) warnings.push_back(*warning);
    return warnings;
}

}  // namespace kelpo
