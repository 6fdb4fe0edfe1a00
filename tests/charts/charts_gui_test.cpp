// The charts: bars against the exact table, the files of kelpo-cli --plots read back,
// and the chart tabs of the results window.
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "charts/histogram.h"
#include "ui/results_window.h"
#include "widgets/message_box.h"

namespace kelpo {
namespace {

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Every value lands in one bar; the bars left of the observed value hold exactly the
// values below it, a one-value bar at it holds it alone, never more than maxBins bars.
TEST(ChartsTest, HistogramBarsSplitAtTheObservedValue) {
    std::mt19937 gen(13);
    auto draw = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(gen); };
    for (int round = 0; round < 300; ++round) {
        std::vector<ValueCount> table;
        std::int64_t value = draw(-60, 60), total = 0, less = 0, equal = 0, sum = 0, below = 0;
        for (int k = draw(1, 40); k > 0; --k, value += draw(1, round % 2 ? 2 : 40)) table.push_back({value, draw(1, 9)});
        const std::int64_t observed = draw(static_cast<int>(table.front().value) - 30, static_cast<int>(value) + 30);
        for (const ValueCount& e : table) (e.value < observed ? less : e.value == observed ? equal : total) += e.count;
        const std::int64_t maxBins = 2 + round % 59;
        const auto bins = charts::histogramBins(table, observed, maxBins);
        for (const auto& bin : bins) {
            sum += bin.count;
            below += bin.high < observed ? bin.count : 0;
            EXPECT_TRUE(bin.low != observed || bin.high != observed || bin.count == equal);
        }
        EXPECT_TRUE(sum == total + less + equal && below == less);
        EXPECT_LE((std::max(bins.back().low, observed) - std::min(bins.front().low, observed)) / (bins[0].high - bins[0].low + 1) + 1, maxBins);
    }
}

// The JSON's table matches the report's counts and the JSON's mean; the files parse, and
// the observed line sits at the observed value of the drawn axis (its grid and labels).
TEST(ChartsTest, PlotsAndJsonOfKelpoCli) {
    QTemporaryDir dir;
    const QString matrix = dir.filePath("m.txt"), json = dir.filePath("r.json"), plots = dir.filePath("new/plots");
    QFile file(matrix);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("Species 1 2 3 4 5 6 7 8\nS1 1 0 1 0 0 1 1 0\nS2 1 1 0 1 0 1 0 1\nS3 0 0 0 0 0 1 0 0\n"
               "S4 1 1 0 1 0 0 0 0\nS5 1 0 1 0 0 1 1 1\nS6 0 1 0 1 0 1 1 0\n") > 0);
    file.close();
    QProcess cli;
    cli.start(KELPO_BINARY_DIR "/cli/kelpo-cli", {matrix, "--matrices", "2", "--json", json, "--plots", plots});
    ASSERT_TRUE(cli.waitForFinished(300000) && cli.exitCode() == 0) << cli.readAllStandardError().toStdString();
    const QString report = QString::fromUtf8(cli.readAllStandardOutput());
    auto count = [&](const QString& label) { return QRegularExpression(label + ": (\\d+)").match(report).captured(1).toDouble(); };
    const QJsonObject results = QJsonDocument::fromJson(readAll(json).toUtf8()).object();
    const double observed = results["observed"].toDouble();
    double total = 0, less = 0, equal = 0, sum = 0;
    for (const auto& entry : results["null_distribution"].toArray()) {
        const double value = entry.toObject()["value"].toDouble(), n = entry.toObject()["count"].toDouble();
        total += n, sum += value * n, less += value < observed ? n : 0, equal += value == observed ? n : 0;
    }
    ASSERT_GT(less * equal, 0) << "the matrix should put the observed value inside the distribution";
    EXPECT_EQ(QList<double>({total, less, equal}), QList<double>({count("Total Number of Simulated Statistics"),
                                                                  count("Less than Observed Value"), count("Equal to Observed Value")}));
    EXPECT_NEAR(sum / total, results["simulated_mean"].toDouble(), 1e-9 * sum / total);
    for (const QString stem : {"null-distribution", "chain", "power"})
        EXPECT_TRUE(QSvgRenderer(plots + "/" + stem + ".svg").isValid() && QImage(plots + "/" + stem + ".png").size() == QSize(960, 600)) << stem.toStdString();
    const QString svg = readAll(plots + "/null-distribution.svg"), number = "(-?[\\d.]+)";
    const auto line = QRegularExpression("stroke=\"#d55e00\"[^>]*width=\"3\"[^>]*matrix\\(1,0,0,1," + number + ",[^<]*<polyline[^>]*points=\"" + number).match(svg);
    // Vertical grid lines (drawn untranslated; the axis line lies within a pixel of the
    // first), and the x axis' labels: the most numbers sharing one row.
    QList<double> grid, labels;
    for (const auto& m : QRegularExpression("matrix\\(1,0,0,1,0,0\\)\"[^<]*<polyline[^>]*points=\"" + number + "," + number + " \\1,").globalMatch(svg)) {
        if (const double x = m.captured(1).toDouble(); std::none_of(grid.begin(), grid.end(), [x](double g) { return std::abs(g - x) < 1; })) grid << x;
    }
    QMap<QString, QList<double>> rows;
    for (const auto& m : QRegularExpression(",(\\d+)\\)\"[^<]*<text[^>]*>\\s*(-?\\d+)</text>").globalMatch(svg)) rows[m.captured(1)] << m.captured(2).toDouble();
    for (const auto& row : rows) labels = row.size() > labels.size() ? row : labels;
    ASSERT_TRUE(grid.size() == labels.size() && grid.size() >= 2) << grid.size() << " " << labels.size();
    const double x = line.captured(1).toDouble() + line.captured(2).toDouble();
    const double atLine = labels.front() + (x - grid.front()) / (grid.back() - grid.front()) * (labels.back() - labels.front());
    EXPECT_NEAR(atLine, observed, 0.01 * (labels.back() - labels.front()));
}

// Two chart tabs, then three with a power table; a chart saved where it cannot be written
// gives a message naming the place and can still be saved elsewhere.
TEST(ChartsTest, ResultsWindowTabsAndSaveFailure) {
    AnalysisResults results;
    results.test.nullDistribution = {{3, 5}, {4, 10}};
    ui::ResultsWindow window(nullptr);
    window.setCharts(results, "C-Score");
    auto* tabs = window.findChild<QTabWidget*>("tabResults");
    EXPECT_EQ(tabs->count(), 3);
    results.powerTable = {PowerRow{1, 1, true, 0.05}};
    window.setCharts(results, "C-Score");
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(1) + tabs->tabText(2) + tabs->tabText(3), "Null distributionChainPower");
    QTemporaryDir dir;
    QStringList messages;
    ui::ScopedMessageResponder answer([&](const QString& text, bool) { messages << text; return ui::Answer::Ok; });
    window.SaveChart(charts::ChartKind::Power, dir.filePath("missing/power.png"));
    ASSERT_TRUE(messages.size() == 1 && messages[0].contains("could not be saved") && messages[0].contains("missing/power.png"));
    window.SaveChart(charts::ChartKind::Power, dir.filePath("power"));
    EXPECT_FALSE(QImage(dir.filePath("power.png")).isNull());
}

}  // namespace
}  // namespace kelpo
