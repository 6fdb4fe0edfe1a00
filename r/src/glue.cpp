#include "glue.h"

#include <R_ext/Print.h>
#include <R.h>
#include <Rinternals.h>

#include <algorithm>
#include <string_view>

#include "engine/analysis_choices.h"

namespace kelpo::r {

PresenceMatrix presenceMatrix(const Rcpp::IntegerMatrix& cells) {
    PresenceMatrix matrix(cells.nrow(), cells.ncol());
    for (int k = 0; k < cells.ncol(); ++k) {
        for (int i = 0; i < cells.nrow(); ++i) {
            matrix.set(i + 1, k + 1, static_cast<std::uint8_t>(cells(i, k)));
        }
    }
    return matrix;
}

namespace {

// R's names for the options, so that a refusal names what the user typed.
ChoiceNames rChoiceNames() {
    ChoiceNames names;
    names.null = "null =";
    names.assumeSites = "assume = \"sites\"";
    names.assumeSpecies = "assume = \"species\"";
    names.assumeInteractions = "assume = \"interactions\"";
    names.numbers = {"matrices", "seed", "iterations"};
    return names;
}

AnalysisChoices choicesOf(const Rcpp::List& options) {
    AnalysisChoices choices;
    choices.statistic = Rcpp::as<std::string>(options["statistic"]);
    choices.nullHypothesis = Rcpp::as<std::string>(options["null"]);
    const Rcpp::CharacterVector assume = options["assume"];
    for (const auto& item : assume) {
        const std::string name(item);
        if (name == "sites") choices.assumeSitesEquivalent = true;
        else if (name == "species") choices.assumeSpeciesEquivalent = true;
    }
    if (!Rf_isNull(options["interactions"])) choices.assumeInteractionsPercent = Rcpp::as<int>(options["interactions"]);
    // As text, so that the rules the CLI applies to its options read them the same way.
    choices.iterations = Rcpp::as<std::string>(options["iterations"]);
    choices.matrices = Rcpp::as<std::string>(options["matrices"]);
    choices.seed = Rcpp::as<std::string>(options["seed"]);
    return choices;
}

}  // namespace

AnalysisSettings analysisSettings(const Rcpp::List& options, std::vector<std::string>& warnings) {
    AnalysisSettings settings = settingsFromChoices(
        choicesOf(options), [&warnings](std::string_view text) { warnings.emplace_back(text); }, rChoiceNames());
    settings.fileName = Rcpp::as<std::string>(options["name"]);
    settings.speciesCount = Rcpp::as<int>(options["species"]);
    settings.siteCount = Rcpp::as<int>(options["sites"]);
    settings.applyRunDefaults();
    return settings;
}

RunControl::Callback ConsoleProgress::callback() {
    if (!shown_) return {};
    return [this](const ProgressState& state) {
        const std::lock_guard lock(mutex_);
        if (state.stepsDone >= latest_.stepsDone) latest_ = state;
    };
}

void ConsoleProgress::draw(const RunControl& control) {
    if (!shown_) return;
    ProgressState state;
    {
        const std::lock_guard lock(mutex_);
        state = latest_;
    }
    if (state.stepTotal <= 0) return;
    // The test is the last step of the run; its chains' steps fill that step in.
    const double testShare =
        testSteps_ > 0 ? std::min(1.0, static_cast<double>(control.testStepsDone()) / testSteps_) : 0.0;
    const bool testBegun = state.stepsDone == state.stepTotal;
    const double done = testBegun ? state.stepsDone - 1 + testShare : std::max(0, state.stepsDone - 1);
    const double share = done / state.stepTotal;
    std::string detail = testBegun ? std::string("Hypothesis test") : simulationLine(state.stepsDone, state.stepTotal);
    if (share > 0 && share < 1) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        detail += "  " + remainingTimeText(elapsed * (1 - share) / share);
    }
    std::string line = progressBarText(share, detail);
    const std::size_t width = line.size();
    if (width < lastWidth_) line.append(lastWidth_ - width, ' ');
    lastWidth_ = width;
    REprintf("\r%s", line.c_str());
    R_FlushConsole();
}

void ConsoleProgress::finish() {
    if (lastWidth_ > 0) REprintf("\n");
    lastWidth_ = 0;
}

namespace {

void checkInterrupt(void*) { R_CheckUserInterrupt(); }

}  // namespace

bool userInterrupted() { return R_ToplevelExec(checkInterrupt, nullptr) == FALSE; }

}  // namespace kelpo::r
