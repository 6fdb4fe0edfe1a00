// The pairwise test for R: the matrix and the settings in, one data frame row per pair out.
#include "glue.h"

#include <optional>
#include <string_view>

#include "engine/pairs_text.h"
#include "engine/pairwise_test.h"
#include "engine/simulation_numbers.h"

namespace kelpo::r {

namespace {

double orNA(const std::optional<double>& value) { return value ? *value : NA_REAL; }

Rcpp::DataFrame pairsFrame(const PairwiseResults& results, const Rcpp::CharacterVector& names) {
    const std::size_t n = results.pairs.size();
    Rcpp::CharacterVector speciesA(n), speciesB(n), pairClass(n);
    std::vector<double> observed, units, expected, sd, ses, lower, upper, adjusted;
    for (std::size_t k = 0; k < n; ++k) {
        const PairResult& pair = results.pairs[k];
        speciesA[k] = names[pair.speciesA - 1];
        speciesB[k] = names[pair.speciesB - 1];
        pairClass[k] = std::string(pairClassText(pair.pairClass));
        observed.push_back(pair.sharedObserved);
        units.push_back(static_cast<double>(pair.checkerboardUnits));
        expected.push_back(pair.sharedMean);
        sd.push_back(pair.sharedSd);
        ses.push_back(orNA(pair.ses));
        lower.push_back(orNA(pair.pLower));
        upper.push_back(orNA(pair.pUpper));
        adjusted.push_back(orNA(pair.pAdjusted));
    }
    return Rcpp::DataFrame::create(
        Rcpp::_["species_a"] = speciesA, Rcpp::_["species_b"] = speciesB, Rcpp::_["shared_observed"] = observed,
        Rcpp::_["shared_expected"] = expected, Rcpp::_["ses"] = ses, Rcpp::_["p_lower"] = lower,
        Rcpp::_["p_upper"] = upper, Rcpp::_["p_adjusted"] = adjusted, Rcpp::_["class"] = pairClass,
        Rcpp::_["shared_sd"] = sd, Rcpp::_["checkerboard_units"] = units, Rcpp::_["stringsAsFactors"] = false);
}

// The run's figures beyond the table, as attributes: lengths, mixing and warnings.
void addPairsInfo(Rcpp::DataFrame& frame, const PairwiseResults& results, const PairwiseSettings& settings) {
    frame.attr("burn_in") = static_cast<double>(results.lengths.burnIn);
    frame.attr("thin") = results.lengths.thin;
    frame.attr("rhat") = results.mixing.rhat;
    frame.attr("ess") = results.mixing.ess;
    frame.attr("worst_pair_rhat") = results.mixing.worstPairRhat;
    frame.attr("warnings") = Rcpp::wrap(pairsWarnings(results, settings.samples, settings.fdr));
}

}  // namespace

}  // namespace kelpo::r

// [[Rcpp::export(name = ".kelpo_pairs")]]
Rcpp::DataFrame kelpo_pairs(Rcpp::List input, Rcpp::List options, int threads, bool progress) {
    using namespace kelpo;
    const auto [matrix, settings] = r::rethrowAsR([&] {
        auto text = [&](const char* name) { return Rcpp::as<std::string>(options[name]); };
        // An empty text: not given, measured by the test.
        const std::string burnIn = text("burn_in"), thin = text("thin");
        auto given = [](const std::string& t) { return t.empty() ? std::nullopt : std::optional<std::string_view>(t); };
        return std::pair{r::presenceMatrix(input),
                         checkPairwiseNumbers(text("samples"), given(burnIn), given(thin), text("fdr"),
                                              text("seed"), threads,
                                              PairNumberNames{"samples", "burn_in", "thin", "fdr", "seed"})};
    });
    r::ConsoleProgress display(progress, 0, "Species pairs");
    RunControl control(display.callback());
    const PairwiseResults results =
        r::runInterruptibly(control, display, [&] { return PairwiseTest(matrix, settings, control); });
    return r::rethrowAsR([&] {
        Rcpp::DataFrame frame = r::pairsFrame(results, Rcpp::CharacterVector(input["species"]));
        r::addPairsInfo(frame, results, settings);
        return frame;
    });
}
