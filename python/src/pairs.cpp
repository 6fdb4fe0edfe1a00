// The pairwise test for Python: a matrix and the numbers as text in, one column per field out.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "engine/pairs_text.h"
#include "engine/pairwise_test.h"
#include "engine/simulation_numbers.h"
#include "glue.h"

namespace kelpo::python {

namespace {

double orNaN(const std::optional<double>& value) {
    return value ? *value : std::numeric_limits<double>::quiet_NaN();
}

py::dict pairColumns(const PairwiseResults& results) {
    std::vector<std::int32_t> a, b, observed;
    std::vector<std::int64_t> units;
    std::vector<double> expected, sd, ses, lower, upper, adjusted;
    std::vector<std::string> pairClass;
    for (const PairResult& pair : results.pairs) {
        a.push_back(pair.speciesA - 1);
        b.push_back(pair.speciesB - 1);
        observed.push_back(pair.sharedObserved);
        units.push_back(pair.checkerboardUnits);
        expected.push_back(pair.sharedMean);
        sd.push_back(pair.sharedSd);
        ses.push_back(orNaN(pair.ses));
        lower.push_back(orNaN(pair.pLower));
        upper.push_back(orNaN(pair.pUpper));
        adjusted.push_back(orNaN(pair.pAdjusted));
        pairClass.emplace_back(pairClassText(pair.pairClass));
    }
    py::dict out;
    auto column = [&out](const char* name, const auto& values) { out[name] = py::array(py::cast(values)); };
    column("a", a);
    column("b", b);
    column("shared_observed", observed);
    column("shared_expected", expected);
    column("ses", ses);
    column("p_lower", lower);
    column("p_upper", upper);
    column("p_adjusted", adjusted);
    out["class"] = pairClass;
    column("shared_sd", sd);
    column("checkerboard_units", units);
    return out;
}

// The run's figures beyond the table: lengths, mixing and warnings.
py::dict pairsInfo(const PairwiseResults& results, const PairwiseSettings& settings) {
    py::dict info;
    info["burn_in"] = results.lengths.burnIn;
    info["thin"] = results.lengths.thin;
    info["rhat"] = results.mixing.rhat;
    info["ess"] = results.mixing.ess;
    info["worst_pair_rhat"] = results.mixing.worstPairRhat;
    info["warnings"] = pairsWarnings(results, settings.samples, settings.fdr);
    return info;
}

py::dict pairs(const PresenceMatrix& matrix, const py::dict& options, int threads, bool progress) {
    auto text = [&](const char* name) { return options[name].cast<std::string>(); };
    // An empty text: not given, measured by the test.
    const std::string burnIn = text("burn_in"), thin = text("thin");
    auto given = [](const std::string& t) { return t.empty() ? std::nullopt : std::optional<std::string_view>(t); };
    const PairwiseSettings settings =
        checkPairwiseNumbers(text("samples"), given(burnIn), given(thin), text("fdr"), text("seed"), threads,
                             PairNumberNames{"samples", "burn_in", "thin", "fdr", "seed"});
    ProgressLine line(progress, 0, "Pairwise test");
    RunControl control(line.callback());
    const PairwiseResults results =
        runInterruptibly(control, line, [&] { return PairwiseTest(matrix, settings, control); });
    py::dict out = pairColumns(results);
    out["info"] = pairsInfo(results, settings);
    return out;
}

}  // namespace

void registerPairs(py::module_& module) {
    module.def("pairs", &pairs, py::arg("matrix"), py::arg("options"), py::arg("threads"), py::arg("progress"));
}

}  // namespace kelpo::python
