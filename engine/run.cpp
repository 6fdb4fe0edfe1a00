#include "engine/run.h"

#include <string>

#include "core/error.h"
#include "core/variance_ratio.h"
#include "engine/hypothesis_test.h"
#include "engine/power_analysis.h"

namespace kelpo {

namespace {

// The simulated communities take the settings' size and the hypothesis test the
// matrix's own: a matrix file may hold cells beyond the sites its header names, and
// the test keeps them as the grid does.
void checkPreconditions(const AnalysisSettings& settings, const RunOptions& options) {
    if (settings.speciesCount < 0 || settings.siteCount < 0) {
        throw Error(ErrorKind::InvalidInput, "The numbers of species and sites cannot be negative.");
    }
    if (settings.iterations < 1) {
        throw Error(ErrorKind::InvalidInput,
                    "The number of iterations must be at least 1, not " + std::to_string(settings.iterations) + ".");
    }
    if (settings.matricesPerDistribution < 1) {
        throw Error(ErrorKind::InvalidInput, "The number of matrices per distribution must be at least 1, not " +
                                                 std::to_string(settings.matricesPerDistribution) + ".");
    }
    if (options.threads < 0) throw Error(ErrorKind::InvalidInput, "The number of threads cannot be negative.");
}

}  // namespace

AnalysisResults runAnalysis(const PresenceMatrix& matrix, const AnalysisSettings& settings,
                            const RunOptions& options, RunControl& control) {
    checkPreconditions(settings, options);
    AnalysisResults results;
    // A length the chains find for themselves is found first, on the user's matrix, and
    // the simulated communities then run as long.
    const bool testFirst = settings.autoIterations && options.powerAnalysis;
    if (!options.powerAnalysis) {
        // No simulations: the test is the run's only step, so the display shows 1 of 1.
        control.begin(0, stepTotal(0, settings.matricesPerDistribution));
    } else if (!testFirst) {
        results.powerTable = PowerAnalysis(settings, options.threads, control);
    } else {
        control.begin(TotalSteps(settings), stepTotal(TotalSteps(settings), settings.matricesPerDistribution));
    }
    const HypothesisTestOutcome test = HypothesisTest(matrix, settings, options.threads, control, options.cancellableTest);
    if (testFirst) {
        results.powerTable = PowerAnalysis(settings, options.threads, control,
                                           communityChainLength(settings, &test.result.mixing));
    }
    results.test = test.result;
    results.observed = test.observed;
    results.simulatedMean = test.simulatedMean;
    results.simulatedSd = test.simulatedSd;
    if (settings.statisticId == StatisticId::VRatio) results.varianceRatio = varianceRatio(matrix);
    return results;
}

}  // namespace kelpo
