#include "cli/pairs_command.h"

#include <cmath>
#include <iostream>
#include <optional>
#include <string_view>

#include "cli/interrupt_watch.h"
#include "cli/output_file.h"
#include "cli/progress_bar.h"
#include "core/error.h"
#include "engine/pairs_text.h"
#include "engine/sampler_choice.h"
#include "engine/simulation_numbers.h"
#include "matrix/matrix_check.h"
#include "matrix/table_file.h"
#include "matrix/species_names.h"
#include "results/pairs_csv.h"

namespace kelpo {

namespace {

nlohmann::ordered_json optionalNumber(const std::optional<double>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

// Non-finite figures (an R-hat of chains that never moved) have no JSON number: null.
nlohmann::ordered_json finiteOrNull(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

// auto: the sampler chosen for the matrix, from the run's seed.
Sampler pairsSampler(const std::string& name, const PresenceMatrix& matrix, std::int32_t seed) {
    if (name == "auto") return chooseSampler(matrix, seed);
    return name == "curveball" ? Sampler::Curveball : Sampler::Swap;
}

PairwiseResults runWithProgress(const PresenceMatrix& matrix, const PairwiseSettings& settings, bool progress) {
    std::optional<ProgressBar> bar;
    if (progress) bar.emplace();
    RunControl control(bar ? RunControl::Callback([&bar](const ProgressState& state) { bar->update(state); })
                           : RunControl::Callback{});
    const InterruptWatch interrupts(control);
    PairwiseResults results = PairwiseTest(matrix, settings, control);
    if (bar) bar->finish();
    return results;
}

}  // namespace

std::string pairsJson(const PairwiseResults& results, const PairwiseSettings& settings,
                      const std::vector<std::string>& names) {
    const PairLengths& lengths = results.lengths;
    nlohmann::ordered_json json;
    json["settings"] = {{"samples", settings.samples},
                        {"burn_in", lengths.burnIn},
                        {"thin", lengths.thin},
                        {"fdr", settings.fdr},
                        {"seed", settings.seed},
                        {"chains", kPairChains},
                        {"sampler", std::string(samplerName(results.sampler))},
                        {"burn_in_measured", lengths.burnInMeasured},
                        {"thin_measured", lengths.thinMeasured},
                        {"autocorrelation_steps", finiteOrNull(lengths.autocorrelationSteps)},
                        {"pilot_steps", lengths.pilotSteps},
                        {"pilot_limit_reached", lengths.pilotLimitReached}};
    json["rhat"] = finiteOrNull(results.mixing.rhat);
    json["ess"] = results.mixing.ess;
    json["worst_pair_rhat"] = finiteOrNull(results.mixing.worstPairRhat);
    json["monitored_pairs"] = results.mixing.monitoredPairs;
    json["mixed"] = pairChainsMixed(results.mixing);
    json["testable_pairs"] = results.testablePairs;
    json["samples_needed"] = smallestAdjustedP(settings.samples) > settings.fdr
                                 ? nlohmann::ordered_json(samplesToReach(settings.fdr))
                                 : nlohmann::ordered_json(nullptr);
    json["warnings"] = pairsWarnings(results, settings.samples, settings.fdr);
    // The figures as a tree, the pairs written one at a time into the text: a tree of half a
    // million pairs would take several hundred MB, far more than the test's own tables.
    json["pairs"] = nlohmann::ordered_json::array();
    std::string text = json.dump(2);
    text.resize(text.size() - std::string_view("[]\n}").size());
    text += '[';
    for (const PairResult& pair : results.pairs) {
        const nlohmann::ordered_json row({{"species_a", names[static_cast<std::size_t>(pair.speciesA - 1)]},
                         {"species_b", names[static_cast<std::size_t>(pair.speciesB - 1)]},
                         {"shared_observed", pair.sharedObserved},
                         {"checkerboard_units", pair.checkerboardUnits},
                         {"shared_expected", pair.sharedMean},
                         {"shared_sd", pair.sharedSd},
                         {"ses", optionalNumber(pair.ses)},
                         {"p_lower", optionalNumber(pair.pLower)},
                         {"p_upper", optionalNumber(pair.pUpper)},
                         {"p_adjusted", optionalNumber(pair.pAdjusted)},
                         {"class", pairClassText(pair.pairClass)}});
        // Indented as the whole tree's dump(2) would indent it; a raw line end occurs
        // only between fields (JSON escapes those in names).
        text += &pair == &results.pairs.front() ? "\n    " : ",\n    ";
        for (const char c : row.dump(2)) {
            text += c;
            if (c == '\n') text += "    ";
        }
    }
    text += results.pairs.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return text;
}

int runPairs(const CommandLine& line) {
    auto given = [](const std::optional<std::string>& text) {
        return text ? std::optional<std::string_view>(*text) : std::nullopt;
    };
    PairwiseSettings settings = checkPairwiseNumbers(line.samples, given(line.burnIn), given(line.thin), line.fdr,
                                                     line.choices.seed, line.threads);
    if (line.output) checkOutputPath(*line.output);
    if (line.json) checkOutputPath(*line.json);

    const MatrixFileContents contents = readTableFile(line.matrixFile, line.tableOptions());
    SparseArray copy = contents.cells;
    validateMatrix(copy);
    const PresenceMatrix matrix = buildMatrix(copy, contents.rows, contents.cols);
    const std::vector<std::string> names = speciesNames(copy, matrix.rows());
    settings.sampler = pairsSampler(line.choices.sampler, matrix, settings.seed);

    const PairwiseResults results = runWithProgress(matrix, settings, line.progress);
    if (results.testablePairs > 0) std::cerr << pairsMixingLine(results) << '\n';
    for (const std::string& warning : pairsWarnings(results, settings.samples, settings.fdr)) std::cerr << warning << '\n';
    const std::string csv = pairsCsv(results, names);
    if (line.json) writeOutputFile(*line.json, pairsJson(results, settings, names));
    if (line.output) {
        writeOutputFile(*line.output, csv);
        return 0;
    }
    std::cout << csv << std::flush;
    if (!std::cout) throw Error(ErrorKind::InputOutput, "The table could not be written to standard output.");
    return 0;
}

}  // namespace kelpo
