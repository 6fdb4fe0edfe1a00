#include "charts/pair_heat_map.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kelpo::charts {

namespace {

// Colour-blind-safe ends of a diverging scale.
const QColor kAggregated(33, 102, 172);
const QColor kSegregated(178, 24, 43);
const QColor kUntestable(190, 190, 190);
constexpr double kLegendWidth = 170;
constexpr double kMaxLabelWidth = 140;
constexpr double kSmallestLabelledCell = 7;  // below this the names would overlap

QColor mix(const QColor& end, double share) {
    auto channel = [share](int to) { return static_cast<int>(std::lround(255 + (to - 255) * share)); };
    return {channel(end.red()), channel(end.green()), channel(end.blue())};
}

bool significant(const PairResult& pair) {
    return pair.pairClass == PairClass::Segregated || pair.pairClass == PairClass::Aggregated;
}

void drawLegend(QPainter& painter, const QRectF& area, double fdr) {
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.height();
    const QRectF bar(area.left(), area.top() + line, 18, std::min(200.0, area.height() / 2));
    QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
    gradient.setColorAt(0, kAggregated);
    gradient.setColorAt(0.5, Qt::white);
    gradient.setColorAt(1, kSegregated);
    painter.fillRect(bar, gradient);
    painter.setPen(Qt::black);
    painter.drawRect(bar);
    const double textX = bar.right() + 6;
    painter.drawText(QPointF(area.left(), area.top() + line * 0.8), QStringLiteral("SES"));
    painter.drawText(QPointF(textX, bar.top() + line * 0.8), QStringLiteral("+%1 aggregated").arg(kFullColourSes));
    painter.drawText(QPointF(textX, bar.center().y() + line * 0.3), QStringLiteral("0"));
    painter.drawText(QPointF(textX, bar.bottom()), QStringLiteral("\u2212%1 segregated").arg(kFullColourSes));
    const QRectF grey(area.left(), bar.bottom() + line, 18, 14);
    painter.fillRect(grey, kUntestable);
    painter.drawText(QPointF(textX, grey.bottom()), QStringLiteral("untestable"));
    const QRectF outlined = grey.translated(0, line * 1.5);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(outlined);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(textX, outlined.bottom()), QStringLiteral("adjusted p \u2264 %1").arg(fdr));
}

}  // namespace

QColor sesColour(const PairResult& pair) {
    if (pair.pairClass == PairClass::Untestable) return kUntestable;
    if (!pair.ses) return Qt::white;
    const double share = std::min(std::fabs(*pair.ses) / kFullColourSes, 1.0);
    return mix(*pair.ses > 0 ? kAggregated : kSegregated, share);
}

QSize heatMapSize(std::size_t species) {
    const int side = static_cast<int>(std::min<std::size_t>(species, 2000)) * 14;
    return {std::max(960, side + 340), std::max(600, side + 160)};
}

void drawPairHeatMap(QPainter& painter, const QRectF& area, const PairwiseResults& results,
                     const std::vector<std::string>& names, double fdr) {
    const auto n = static_cast<double>(names.size());
    if (n < 2) return;
    painter.save();
    const QFontMetricsF metrics(painter.font());
    double labelWidth = 0;
    for (const std::string& name : names)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(QString::fromStdString(name)));
    labelWidth = std::min(labelWidth + 6, kMaxLabelWidth);
    double cell = std::min(area.width() - labelWidth - kLegendWidth, area.height() - labelWidth) / n;
    const bool labelled = cell >= kSmallestLabelledCell;
    if (!labelled) cell = std::min(area.width() - kLegendWidth, area.height()) / n, labelWidth = 0;
    const QPointF origin(area.left() + labelWidth, area.top() + labelWidth);
    auto cellRect = [&](std::int32_t row, std::int32_t col) {  // 1-based species
        return QRectF(origin.x() + (col - 1) * cell, origin.y() + (row - 1) * cell, cell, cell);
    };

    // Both halves of the square, so a species' row reads across all its partners.
    for (const PairResult& pair : results.pairs) {
        const QColor colour = sesColour(pair);
        painter.fillRect(cellRect(pair.speciesA, pair.speciesB), colour);
        painter.fillRect(cellRect(pair.speciesB, pair.speciesA), colour);
    }
    painter.setPen(QPen(QColor(230, 230, 230), 0));
    for (std::int32_t i = 1; i <= static_cast<std::int32_t>(n); ++i) painter.fillRect(cellRect(i, i), QColor(90, 90, 90));
    painter.setPen(QPen(Qt::black, std::max(1.0, cell / 8)));
    painter.setBrush(Qt::NoBrush);
    for (const PairResult& pair : results.pairs) {
        if (!significant(pair)) continue;
        const double inset = painter.pen().widthF() / 2;
        for (const QRectF& r : {cellRect(pair.speciesA, pair.speciesB), cellRect(pair.speciesB, pair.speciesA)})
            painter.drawRect(r.adjusted(inset, inset, -inset, -inset));
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(QRectF(origin, QSizeF(cell * n, cell * n)));

    if (labelled) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            const QString name = metrics.elidedText(QString::fromStdString(names[i]), Qt::ElideRight, labelWidth - 6);
            const double middle = (static_cast<double>(i) + 0.5) * cell;
            painter.drawText(QRectF(area.left(), origin.y() + middle - cell / 2, labelWidth - 4, cell),
                             Qt::AlignRight | Qt::AlignVCenter, name);
            painter.save();
            painter.translate(origin.x() + middle, origin.y() - 4);
            painter.rotate(-90);
            painter.drawText(QRectF(0, -cell / 2, labelWidth - 6, cell), Qt::AlignLeft | Qt::AlignVCenter, name);
            painter.restore();
        }
    }
    drawLegend(painter, QRectF(origin.x() + cell * n + 16, origin.y(), kLegendWidth - 16, cell * n), fdr);
    painter.restore();
}

}  // namespace kelpo::charts
