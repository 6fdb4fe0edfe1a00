// The plain-text results report: a pure function of the results, the settings and
// what the main window showed (captions, check states, texts).
#pragma once

#include <string>
#include <vector>

#include "engine/analysis_results.h"
#include "engine/analysis_settings.h"

namespace kelpo {

// The state of the main window's controls that the report prints.
struct ReportChoices {
    // Caption of the selected null-hypothesis option, empty when none is selected.
    std::string nullHypothesisCaption;
    bool interactionsChecked = false;          // chkAIn
    std::string interactionProportionCaption;  // "0%", "50%", "100%" or empty when none selected
    bool sitesEquivalentChecked = false;       // chkASiEq
    std::string sitesEquivalentCaption = "Sites Equivalent";
    bool speciesEquivalentChecked = false;     // chkASpEq
    std::string speciesEquivalentCaption = "Species Equivalent";
    std::string statisticText = "C-Score";     // text of the statistic list
    std::string rowsText = "20";               // txtRows
    std::string colsText = "20";               // txtCols
    // False for kelpo-cli --no-power: the error-rate sections then say no power
    // analysis was run instead of judging an empty power table.
    bool powerAnalysisRun = true;

    // The choices the CLI or a test would show for these settings.
    static ReportChoices fromSettings(const AnalysisSettings& settings);
};

// The whole report, lines ending CR LF, no line end after the last line.
// Throws kelpo::Error (Overflow) when ten times settings.iterations leaves 32 bits.
std::string buildReport(const AnalysisResults& results, const AnalysisSettings& settings,
                        const ReportChoices& choices);

// Figures that choose the report's warnings.
double actualSize(const PowerTable& table);
double powerExtreme(const PowerTable& table, int sign);

// The report's warnings about the test, as sentences without their asterisks: what the
// R and Python packages hand on as their own warnings.
std::vector<std::string> reportWarnings(const std::string& report);

}  // namespace kelpo
