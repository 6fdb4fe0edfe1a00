// The part of kelpo-cli that needs Qt, built as a module that kelpo-cli loads only when
// --plots asks for charts: without --plots, kelpo-cli runs where Qt is not installed.
#include <QApplication>
#include <QChart>
#include <QString>
#include <filesystem>
#include <string>

#include "charts/chart_files.h"
#include "charts/charts.h"
#include "core/error.h"
#include "engine/analysis_results.h"

namespace kelpo {
namespace {

void drawPlots(const std::filesystem::path& folder, const AnalysisResults& results, const std::string& statistic) {
    // A command-line program draws into files only: never ask for a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "kelpo-cli";
    char* argv[] = {name, nullptr};
    const QApplication application(argc, argv);
    for (const charts::ChartKind kind : charts::chartsOf(results)) {
        const auto chart = charts::buildChart(kind, results, QString::fromStdString(statistic));
        for (const char* suffix : {".svg", ".png"}) {
            const std::filesystem::path path = folder / (charts::fileStem(kind).toStdString() + suffix);
            charts::saveChart(*chart, QString::fromStdString(path.string()));
        }
    }
}

}  // namespace
}  // namespace kelpo

// Errors cross the module boundary as text, the kind being always input/output.
extern "C" __attribute__((visibility("default"))) void kelpoDrawPlots(const std::filesystem::path& folder,
                                                                    const kelpo::AnalysisResults& results,
                                                                    const std::string& statistic,
                                                                    std::string& error) {
    try {
        kelpo::drawPlots(folder, results, statistic);
    } catch (const std::exception& e) {
        error = e.what();
    }
}
