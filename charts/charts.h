// The charts of a run, built from its results: the null distribution of the statistic,
// the chains of the ten replicates, and the power table. One builder for the results
// window and for kelpo-cli --plots, so both show the same picture.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "engine/analysis_results.h"

class QChart;

namespace kelpo::charts {

enum class ChartKind { NullDistribution, Chain, Power };

// The charts a run has: the power chart only when a power analysis ran.
std::vector<ChartKind> chartsOf(const AnalysisResults& results);

QString tabTitle(ChartKind kind);  // "Null distribution", "Chain", "Power"
QString fileStem(ChartKind kind);  // "null-distribution", "chain", "power"

// statistic is the statistic's name as the report prints it ("C-Score"); it titles
// the value axes.
std::unique_ptr<QChart> buildChart(ChartKind kind, const AnalysisResults& results, const QString& statistic);

std::unique_ptr<QChart> nullDistributionChart(const AnalysisResults& results, const QString& statistic);
std::unique_ptr<QChart> chainChart(const AnalysisResults& results, const QString& statistic);
std::unique_ptr<QChart> powerChart(const PowerTable& table);

// Colours the tests and the help refer to: the observed value's line.
inline constexpr const char* kObservedColour = "#d55e00";

}  // namespace kelpo::charts
