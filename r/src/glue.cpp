#include "glue.h"

#include <R_ext/Print.h>
#include <R.h>
#include <Rinternals.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string_view>

#include "engine/analysis_choices.h"

namespace kelpo::r {

PresenceMatrix presenceMatrix(const Rcpp::List& input) {
    PresenceMatrix matrix(Rcpp::as<int>(input["rows"]), Rcpp::as<int>(input["cols"]));
    const Rcpp::IntegerVector starts = input["p"];
    const Rcpp::IntegerVector species = input["i"];
    for (int k = 0; k < matrix.cols(); ++k) {
        for (int entry = starts[k]; entry < starts[k + 1]; ++entry) matrix.set(species[entry] + 1, k + 1, 1);
    }
    return matrix;
}

std::string withoutCode(std::string message) {
    static const std::regex code(R"(^Error [0-9]+: | ?\(Error [0-9]+\))");
    return std::regex_replace(message, code, "");
}

namespace {

// R's names for the options, so that a refusal names what the user typed.
ChoiceNames rChoiceNames() {
    ChoiceNames names;
    names.null = "null =";
    names.assumeSites = "assume = \"sites\"";
    names.assumeSpecies = "assume = \"species\"";
    names.assumeInteractions = "assume = \"interactions\"";
    names.maxSeconds = "max_seconds";
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
    choices.maxSeconds = Rcpp::as<std::string>(options["max_seconds"]);
    choices.sampler = Rcpp::as<std::string>(options["sampler"]);
    return choices;
}

}  // namespace

AnalysisSettings analysisSettings(const Rcpp::List& options, const PresenceMatrix& matrix) {
    // The R side has warned about small numbers in its own words.
    AnalysisSettings settings = settingsFromChoices(choicesOf(options), [](std::string_view) {}, rChoiceNames());
    settings.fileName = Rcpp::as<std::string>(options["name"]);
    settings.speciesCount = matrix.rows();
    settings.siteCount = matrix.cols();
    settings.applyRunDefaults();
    return settings;
}

RunControl::Callback ConsoleProgress::callback() {
    if (!shown_) return {};
    return [this](const ProgressState& state) {
        const std::lock_guard lock(mutex_);
        ++calls_;
        if (state.stepsDone >= latest_.stepsDone || autoSeconds_ > 0.0) latest_ = state;
    };
}

void ConsoleProgress::draw(const RunControl& control) {
    if (!shown_) return;
    ProgressState state;
    int calls = 0;
    {
        const std::lock_guard lock(mutex_);
        state = latest_;
        calls = calls_;
    }
    if (state.stepTotal <= 0) return;
    if (autoSeconds_ > 0.0) {
        drawAutoLength(control, calls);
        return;
    }
    double share = static_cast<double>(state.stepsDone) / state.stepTotal;
    std::string detail = caption_;
    if (caption_.empty()) {
        // The test is the last step of the run; its chains' steps fill that step in.
        const double testShare =
            testSteps_ > 0 ? std::min(1.0, static_cast<double>(control.testStepsDone()) / testSteps_) : 0.0;
        const bool testBegun = state.stepsDone == state.stepTotal;
        const double done = testBegun ? state.stepsDone - 1 + testShare : std::max(0, state.stepsDone - 1);
        share = done / state.stepTotal;
        detail = testBegun ? std::string("Hypothesis test") : simulationLine(state.stepsDone, state.stepTotal);
    }
    if (share > 0 && share < 1) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        detail += "  " + remainingTimeText(elapsed * (1 - share) / share);
    }
    show(progressBarText(share, detail));
}

// The test first, its length unknown: how far its chains have run and the time limit;
// then the simulated communities, which run as long as the test needed.
void ConsoleProgress::drawAutoLength(const RunControl& control, int calls) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (calls <= 1) {
        show(autoLengthLine(control.testStepsDone(), elapsed, autoSeconds_));
        return;
    }
    ProgressState state;
    {
        const std::lock_guard lock(mutex_);
        state = latest_;
    }
    const double share = static_cast<double>(state.stepsDone) / state.stepTotal;
    show(progressBarText(share, simulationLine(state.stepsDone, state.stepTotal)));
}

void ConsoleProgress::show(std::string line) {
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
