#include "charts/charts.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>

#include "charts/histogram.h"
#include "engine/mixing_text.h"

namespace kelpo::charts {

namespace {

// Colour-blind-safe (Okabe-Ito): the proportions of interacting species, the chains.
const std::array<QColor, 3> kProportionColours = {QColor("#0072b2"), QColor("#e69f00"), QColor("#009e73")};
const std::array<QColor, 10> kReplicateColours = {
    QColor("#0072b2"), QColor("#e69f00"), QColor("#009e73"), QColor("#cc79a7"), QColor("#56b4e9"),
    QColor("#f0e442"), QColor("#000000"), QColor("#999999"), QColor("#882255"), QColor("#44aa99")};

std::unique_ptr<QChart> emptyChart(const QString& title) {
    auto chart = std::make_unique<QChart>();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QValueAxis* valueAxis(QChart& chart, Qt::Alignment side, const QString& title, double low, double high) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setRange(low, high);
    chart.addAxis(axis, side);
    return axis;
}

void attach(QChart& chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

QLineSeries* line(const QString& name, QColor colour, double width, Qt::PenStyle style = Qt::SolidLine) {
    auto* series = new QLineSeries;
    series->setName(name);
    QPen pen(colour, width, style);
    series->setPen(pen);
    return series;
}

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

QString caption(const AnalysisResults& results) {
    const std::optional<double> effect = ses(results);
    return QStringLiteral("Observed %1 · simulated mean %2 · SD %3 · SES %4 · p-value %5")
        .arg(results.observed)
        .arg(number(results.simulatedMean, 2), number(results.simulatedSd, 2),
             effect ? number(*effect, 2) : QStringLiteral("none (SD 0)"), QString::number(results.test.pValue, 'g', 4));
}

QString titled(const QString& title, const QString& subtitle) {
    return QStringLiteral("<b>%1</b><br>%2").arg(title.toHtmlEscaped(), subtitle.toHtmlEscaped());
}

}  // namespace

std::vector<ChartKind> chartsOf(const AnalysisResults& results) {
    std::vector<ChartKind> kinds{ChartKind::NullDistribution, ChartKind::Chain};
    if (!results.powerTable.empty()) kinds.push_back(ChartKind::Power);
    return kinds;
}

QString tabTitle(ChartKind kind) {
    switch (kind) {
        case ChartKind::NullDistribution: return QStringLiteral("Null distribution");
        case ChartKind::Chain: return QStringLiteral("Chain");
        case ChartKind::Power: return QStringLiteral("Power");
    }
    return {};
}

QString fileStem(ChartKind kind) {
    switch (kind) {
        case ChartKind::NullDistribution: return QStringLiteral("null-distribution");
        case ChartKind::Chain: return QStringLiteral("chain");
        case ChartKind::Power: return QStringLiteral("power");
    }
    return {};
}

std::unique_ptr<QChart> buildChart(ChartKind kind, const AnalysisResults& results, const QString& statistic) {
    switch (kind) {
        case ChartKind::NullDistribution: return nullDistributionChart(results, statistic);
        case ChartKind::Chain: return chainChart(results, statistic);
        case ChartKind::Power: return powerChart(results.powerTable);
    }
    return emptyChart(QString());
}

// Bars drawn as one stepped area over a value axis (not a bar series over categories),
// so the observed value and the 95 % band sit at their true place on the same axis.
std::unique_ptr<QChart> nullDistributionChart(const AnalysisResults& results, const QString& statistic) {
    auto chart = emptyChart(titled(QStringLiteral("Null distribution of the ") + statistic, caption(results)));
    const auto& table = results.test.nullDistribution;
    const std::vector<HistogramBin> bins = histogramBins(table, results.observed);
    if (bins.empty()) {
        chart->setTitle(titled(QStringLiteral("No null distribution"),
                               QStringLiteral("The ") + statistic + QStringLiteral(" simulates no matrices.")));
        return chart;
    }
    std::int64_t tallest = 0;
    for (const HistogramBin& bin : bins) tallest = std::max(tallest, bin.count);
    double top = static_cast<double>(tallest) * 1.08;
    const double left = static_cast<double>(std::min(bins.front().low, std::int64_t{results.observed})) - 0.5;
    const double right = static_cast<double>(std::max(bins.back().high, std::int64_t{results.observed})) + 0.5;
    const double pad = std::max(1.0, (right - left) * 0.03);
    auto* x = valueAxis(*chart, Qt::AlignBottom, statistic, left - pad, right + pad);
    auto* y = valueAxis(*chart, Qt::AlignLeft, QStringLiteral("Simulated matrices"), 0.0, top);
    x->applyNiceNumbers();
    y->applyNiceNumbers();
    x->setLabelFormat(QStringLiteral("%.0f"));
    y->setLabelFormat(QStringLiteral("%.0f"));
    top = y->max();  // the band and the observed line reach the rounded top

    const auto low = quantileLow(results), high = quantileHigh(results);
    if (low && high) {
        auto* upper = line(QString(), Qt::transparent, 0);
        upper->append(static_cast<double>(*low) - 0.5, top);
        upper->append(static_cast<double>(*high) + 0.5, top);
        auto* band = new QAreaSeries(upper);
        upper->setParent(band);
        band->setName(QStringLiteral("Central 95 % of simulated values (%1 to %2)").arg(*low).arg(*high));
        band->setColor(QColor(86, 180, 233, 70));
        band->setBorderColor(Qt::transparent);
        attach(*chart, band, x, y);
    }

    auto* outline = line(QString(), QColor("#33526e"), 1);
    for (const HistogramBin& bin : bins) {
        const double a = static_cast<double>(bin.low) - 0.5, b = static_cast<double>(bin.high) + 0.5;
        const double h = static_cast<double>(bin.count);
        *outline << QPointF(a, 0) << QPointF(a, h) << QPointF(b, h) << QPointF(b, 0);
    }
    auto* bars = new QAreaSeries(outline);
    outline->setParent(bars);
    const std::int64_t width = bins.front().high - bins.front().low + 1;
    bars->setName(width == 1 ? QStringLiteral("Simulated values")
                             : QStringLiteral("Simulated values (bars %1 values wide)").arg(width));
    bars->setColor(QColor("#7f9fbf"));
    bars->setBorderColor(QColor("#33526e"));
    attach(*chart, bars, x, y);

    auto* observed = line(QStringLiteral("Observed value (%1)").arg(results.observed), QColor(kObservedColour), 3);
    observed->append(results.observed, 0);
    observed->append(results.observed, top);
    attach(*chart, observed, x, y);
    return chart;
}

std::unique_ptr<QChart> chainChart(const AnalysisResults& results, const QString& statistic) {
    const auto& traces = results.test.traces;
    const Mixing& mixing = results.test.mixing;
    QString figures = QStringLiteral("; R-hat %1, ESS %2")
                          .arg(QString::fromStdString(rhatText(mixing.rhat)))
                          .arg(std::floor(mixing.ess), 0, 'f', 0);
    if (!testMixed(results.test)) figures += QStringLiteral(": the chains have not mixed, the p-value is not reliable");
    auto chart = emptyChart(titled(QStringLiteral("Chains of the ten replicates"),
                                   QStringLiteral("The ") + statistic +
                                       QStringLiteral(" of each random matrix along its chain of swaps") + figures));
    const bool anyPoint = std::any_of(traces.begin(), traces.end(), [](const auto& t) { return !t.empty(); });
    if (!anyPoint) {  // V-Ratio: no chain was walked
        chart->setTitle(titled(QStringLiteral("No chain"),
                               QStringLiteral("The ") + statistic + QStringLiteral(" simulates no matrices.")));
        return chart;
    }
    double lowest = results.observed, highest = results.observed, last = 1;
    for (const auto& trace : traces) {
        for (const TracePoint& point : trace) {
            lowest = std::min(lowest, static_cast<double>(point.value));
            highest = std::max(highest, static_cast<double>(point.value));
            last = std::max(last, static_cast<double>(point.iteration));
        }
    }
    const double pad = std::max(2.0, (highest - lowest) * 0.05);  // whole-number ticks for a flat chain
    auto* x = valueAxis(*chart, Qt::AlignBottom, QStringLiteral("Iteration"), 0, last);
    auto* y = valueAxis(*chart, Qt::AlignLeft, statistic, lowest - pad, highest + pad);
    x->applyNiceNumbers();
    y->applyNiceNumbers();
    // Eleven entries: a column at the side keeps every name whole.
    chart->legend()->setAlignment(Qt::AlignRight);
    x->setLabelFormat(QStringLiteral("%.0f"));
    y->setLabelFormat(QStringLiteral("%.0f"));
    for (std::size_t r = 0; r < traces.size(); ++r) {
        auto* chain = line(QStringLiteral("Replicate %1").arg(r + 1), kReplicateColours[r % kReplicateColours.size()], 1);
        for (const TracePoint& point : traces[r]) {
            chain->append(static_cast<double>(point.iteration), static_cast<double>(point.value));
        }
        attach(*chart, chain, x, y);
    }
    auto* observed =
        line(QStringLiteral("Observed value (%1)").arg(results.observed), QColor(kObservedColour), 2.5, Qt::DashLine);
    observed->append(1, results.observed);
    observed->append(last, results.observed);
    attach(*chart, observed, x, y);
    return chart;
}

// Grouped bars: one group per distribution, one bar per proportion of interacting
// species. The cases that belong to the null hypothesis get a marker on their bar.
std::unique_ptr<QChart> powerChart(const PowerTable& table) {
    auto chart = emptyChart(titled(QStringLiteral("Power of the test"),
                                   QStringLiteral("How often the test rejected the null hypothesis, per kind of "
                                                  "simulated community")));
    constexpr int kDistributions = 12;
    constexpr double kBarWidth = 0.8;
    const std::array<QString, 3> names = {QStringLiteral("No species interacting"),
                                          QStringLiteral("Half of the species interacting"),
                                          QStringLiteral("All species interacting")};
    std::array<bool, 3> present{};
    for (const PowerRow& row : table) present[static_cast<std::size_t>(std::clamp(row.proportion, 1, 3) - 1)] = true;
    std::vector<int> shown;  // proportion indexes 0..2 that have a bar set, in order
    for (int k = 0; k < 3; ++k) {
        if (present[static_cast<std::size_t>(k)]) shown.push_back(k);
    }

    auto* bars = new QBarSeries;
    bars->setBarWidth(kBarWidth);
    std::vector<QBarSet*> sets;
    for (int k : shown) {
        auto* set = new QBarSet(names[static_cast<std::size_t>(k)]);
        set->setColor(kProportionColours[static_cast<std::size_t>(k)]);
        set->setBorderColor(kProportionColours[static_cast<std::size_t>(k)]);
        for (int d = 0; d < kDistributions; ++d) set->append(0.0);
        bars->append(set);
        sets.push_back(set);
    }
    auto* nullCases = new QScatterSeries;
    nullCases->setName(QStringLiteral("Null hypothesis true"));
    nullCases->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    nullCases->setMarkerSize(9);
    nullCases->setColor(Qt::white);
    nullCases->setBorderColor(Qt::black);
    for (const PowerRow& row : table) {
        const auto slot = std::find(shown.begin(), shown.end(), std::clamp(row.proportion, 1, 3) - 1) - shown.begin();
        const int d = std::clamp(row.distribution, 1, kDistributions) - 1;
        sets[static_cast<std::size_t>(slot)]->replace(d, row.rejectionRate);
        if (!row.inNullHypothesis) continue;
        // Where the bar series puts this bar: its slot within the group of the category.
        const double share = kBarWidth / static_cast<double>(shown.size());
        nullCases->append(d - kBarWidth / 2 + (static_cast<double>(slot) + 0.5) * share, row.rejectionRate);
    }

    QStringList categories;
    for (int d = 1; d <= kDistributions; ++d) categories << QString::number(d);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setTitleText(QStringLiteral("Distribution of species over sites (see Help)"));
    chart->addAxis(x, Qt::AlignBottom);
    auto* y = valueAxis(*chart, Qt::AlignLeft, QStringLiteral("Rejection rate"), 0.0, 1.0);
    y->setTickCount(11);
    y->setLabelFormat(QStringLiteral("%.1f"));
    attach(*chart, bars, x, y);
    if (nullCases->count() > 0) attach(*chart, nullCases, x, y);
    else delete nullCases;

    auto* nominal = line(QStringLiteral("Nominal size 0.05"), QColor(kObservedColour), 2, Qt::DashLine);
    nominal->append(-0.5, 0.05);
    nominal->append(kDistributions - 0.5, 0.05);
    attach(*chart, nominal, x, y);
    return chart;
}

}  // namespace kelpo::charts
