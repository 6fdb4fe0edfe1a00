// The advanced options' rules for the simulation sizes and the seed, applied to
// numbers given as text (kelpo-cli's options, the R package's arguments): the same
// refusals, warnings and rounding as the options dialog.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/pairwise_test.h"

namespace kelpo {

inline constexpr std::string_view kError10 = "Error 10: Number of iterations must be an integer greater than 0.";
inline constexpr std::string_view kWarning11 =
    "Warning: Simulating with fewer than 100 iterations may yield unreliable results. Continue? (Error 11)";
inline constexpr std::string_view kError12 = "Error 12: Random seed must be an integer greater than 0";
inline constexpr std::string_view kWarning13 =
    "Warning: Fewer than 25000 iterations for the hypothesis test may yield unreliable results. Continue? "
    "(Error 13)";

// The largest iteration total whose stored tenth, times ten, still fits 32 bits.
inline constexpr std::int32_t kMaxIterationTotal = 2147483640;

// What the settings receive: each number rounded half to even, the iterations
// stored as a tenth of the total (0 still means the run's default).
struct SimulationNumbers {
    std::int32_t matricesPerDistribution = 0;
    std::int32_t simulationSeed = 0;
    std::int32_t iterations = 0;
};

// The whole text as a finite decimal number ("25000", "2.5", "1e5"); nothing for
// "12abc", "", "inf" or a number beyond the range of a double.
std::optional<double> strictNumber(std::string_view text);

// How a front end spells the three numbers in a refusal: "(--seed: \"x\")".
struct NumberNames {
    std::string matrices = "--matrices";
    std::string seed = "--seed";
    std::string iterations = "--iterations";
};

// Checks in the options dialog's order (matrices, seed, iterations) and stops at
// the first refusal: kelpo::Error (InvalidInput) with the Error 10 or 12 text.
// A warning is handed to `warn` and the check goes on, as after a Yes.
SimulationNumbers checkSimulationNumbers(std::string_view matrices, std::string_view seed,
                                         std::string_view iterationTotal,
                                         const std::function<void(std::string_view)>& warn,
                                         const NumberNames& names = {});

// How a front end spells the pairwise test's numbers in a refusal.
struct PairNumberNames {
    std::string samples = "--samples";
    std::string burnIn = "--burn-in";
    std::string thin = "--thin";
    std::string fdr = "--fdr";
    std::string seed = "--seed";
};

// The pairwise test's numbers from their texts, strict as above and rounded the same way;
// kelpo::Error (InvalidInput) naming the option for a refused one. threads is copied.
// A burn-in or thinning not given (nullopt) is left to the test to measure.
PairwiseSettings checkPairwiseNumbers(std::string_view samples, std::optional<std::string_view> burnIn,
                                      std::optional<std::string_view> thin,
                                      std::string_view fdr, std::string_view seed, int threads,
                                      const PairNumberNames& names = {});

}  // namespace kelpo
