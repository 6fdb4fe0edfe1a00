#include "cli/plot_files.h"

#include <QApplication>
#include <QChart>
#include <QString>
#include <system_error>

#include "charts/chart_files.h"
#include "charts/charts.h"
#include "core/error.h"

namespace kelpo {

void preparePlotFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        throw Error(ErrorKind::InputOutput, "The folder for the charts, " + folder.string() +
                                                ", could not be made" + (error ? ": " + error.message() : "."));
    }
}

void writePlots(const std::filesystem::path& folder, const AnalysisResults& results, const std::string& statistic) {
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

}  // namespace kelpo
