#include "engine/simulation_numbers.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "core/error.h"
#include "core/numbers.h"

namespace kelpo {

namespace {

constexpr double kInt32Max = 2147483647.0;

[[noreturn]] void refuse(std::string_view message, std::string_view what, std::string_view text) {
    throw Error(ErrorKind::InvalidInput,
                std::string(message) + " (" + std::string(what) + ": \"" + std::string(text) + "\")");
}

// The number or the refusal: a command line is strict where the dialog reads 12abc as 12.
double numberOrRefuse(std::string_view text, std::string_view message, std::string_view what) {
    const std::optional<double> value = strictNumber(text);
    if (!value) refuse(message, what, text);
    return *value;
}

// Rounded half to even, refused when the result leaves [0, limit].
std::int32_t wholeWithin(double value, double limit, std::string_view message, std::string_view what,
                         std::string_view text) {
    if (std::nearbyint(value) > limit) refuse(message, what, text);
    return toWholeNumber(value);
}

std::int32_t checkedMatrices(std::string_view text, const std::function<void(std::string_view)>& warn,
                             std::string_view name) {
    const double value = numberOrRefuse(text, kError10, name);
    if (value <= 0) refuse(kError10, name, text);
    if (value < 100) warn(kWarning11);
    return wholeWithin(value, kInt32Max, kError10, name, text);
}

std::int32_t checkedSeed(std::string_view text, std::string_view name) {
    const double value = numberOrRefuse(text, kError12, name);
    if (value < 0) refuse(kError12, name, text);
    return wholeWithin(value, kInt32Max, kError12, name, text);
}

// The stored tenth: the whole total divided by ten, rounded half to even again
// (25005 gives 2500, 25015 gives 2502).
std::int32_t checkedIterations(std::string_view text, const std::function<void(std::string_view)>& warn,
                               std::string_view name) {
    const double value = numberOrRefuse(text, kError10, name);
    if (value <= 0) refuse(kError10, name, text);
    if (value < 25000) warn(kWarning13);
    const std::int32_t total = wholeWithin(value, kMaxIterationTotal, kError10, name, text);
    return toWholeNumber(static_cast<double>(total) / 10.0);
}

// A whole count of at least `least`: refused when no number, below, or beyond 32 bits.
std::int32_t checkedCount(std::string_view text, std::string_view what, std::int32_t least) {
    const std::string message = std::string(what) + " must be a whole number from " + std::to_string(least) +
                                " to 2147483647";
    const double value = numberOrRefuse(text, message, what);
    if (std::nearbyint(value) < least) refuse(message, what, text);
    return wholeWithin(value, kInt32Max, message, what, text);
}

}  // namespace

PairwiseSettings checkPairwiseNumbers(std::string_view samples, std::optional<std::string_view> burnIn,
                                      std::optional<std::string_view> thin,
                                      std::string_view fdr, std::string_view seed, int threads,
                                      const PairNumberNames& names) {
    PairwiseSettings settings;
    settings.samples = checkedCount(samples, names.samples, 1);
    if (burnIn) settings.burnIn = checkedCount(*burnIn, names.burnIn, 0);
    if (thin) settings.thin = checkedCount(*thin, names.thin, 1);
    const std::string fdrMessage = names.fdr + " must be a number greater than 0 and less than 1";
    settings.fdr = numberOrRefuse(fdr, fdrMessage, names.fdr);
    if (!(settings.fdr > 0.0 && settings.fdr < 1.0)) refuse(fdrMessage, names.fdr, fdr);
    settings.seed = checkedSeed(seed, names.seed);
    settings.threads = threads;
    return settings;
}

std::optional<double> strictNumber(std::string_view text) {
    double value = 0.0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (error != std::errc{} || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

SimulationNumbers checkSimulationNumbers(std::string_view matrices, std::string_view seed,
                                         std::string_view iterationTotal,
                                         const std::function<void(std::string_view)>& warn,
                                         const NumberNames& names) {
    SimulationNumbers numbers;
    numbers.matricesPerDistribution = checkedMatrices(matrices, warn, names.matrices);
    numbers.simulationSeed = checkedSeed(seed, names.seed);
    numbers.iterations = checkedIterations(iterationTotal, warn, names.iterations);
    return numbers;
}

}  // namespace kelpo
