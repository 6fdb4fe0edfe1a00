// The results window: shows a run's report and its charts, saves the report to a text
// file and a chart to PNG or SVG, brings the main window back when it closes.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>

#include "charts/charts.h"
#include "engine/analysis_results.h"

class QPlainTextEdit;
class QPushButton;
class QLabel;
class QTabWidget;

namespace kelpo::ui {

// frmResults: a top-level window without owner that deletes itself when closed.
class ResultsWindow : public QWidget {
    Q_OBJECT

public:
    // mainWindow is shown again when this window closes (nothing happens if it is gone).
    explicit ResultsWindow(QWidget* mainWindow);

    // Replaces the whole text; reportText() gives it back byte for byte (CR LF kept).
    void setReport(const std::string& report);
    const std::string& reportText() const { return report_; }

    // Adds a tab per chart of the run after the report's tab (no power tab without a
    // power analysis). statistic names the statistic as the report does.
    void setCharts(const AnalysisResults& results, const QString& statistic);

    // The path chosen in the chart's save dialog, trimmed; empty when cancelled.
    QString SaveChartDialog(charts::ChartKind kind);
    // Writes the chart as SVG (path ending .svg) or PNG (.png, added when neither);
    // a failure shows why and leaves any existing file untouched.
    void SaveChart(charts::ChartKind kind, const QString& path);
    void CopyChart(charts::ChartKind kind);

    // The path chosen in the save dialog, trimmed; empty when the user cancels.
    QString SaveResultsDialog();
    // Writes the report under the normalised path; "Error 09: invalid file name" on failure.
    void SaveResults(const QString& path);

    static constexpr int kDesignedWidth = 936;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdSave_Click();
    void cmdHelp_Click();
    QWidget* chartTab(charts::ChartKind kind);

    QPointer<QWidget> mainWindow_;
    std::string report_;
    std::optional<AnalysisResults> results_;  // what the chart tabs draw, kept to redraw for saving
    QString statistic_;
    QTabWidget* tabs_;
    QLabel* mixingWarning_;  // shown when the test's chains have not mixed
    QPlainTextEdit* txt1_;
    QPushButton* cmdSave_;
    QPushButton* cmdClose_;
    QPushButton* cmdHelp_;
};

}  // namespace kelpo::ui
