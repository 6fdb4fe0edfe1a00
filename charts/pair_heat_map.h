// The heat map of a pairwise test: SES over species x species, blue where a pair shares
// more sites than chance gives, red where fewer, significant pairs outlined.
#pragma once

#include <QColor>
#include <QRectF>
#include <QSize>
#include <string>
#include <vector>

#include "engine/pairwise_test.h"

class QPainter;

namespace kelpo::charts {

// SES at or beyond this many standard deviations takes the full colour.
inline constexpr double kFullColourSes = 3.0;

// A pair's cell: white at SES 0 shading to blue (SES > 0) or red (SES < 0); grey
// for an untestable pair, white when the SES does not exist.
QColor sesColour(const PairResult& pair);

// A picture size that leaves every species' row at least 14 pixels (960 x 600 at least).
QSize heatMapSize(std::size_t species);

// Draws the map into area: the species square with names along two sides (when the
// cells are large enough to carry them) and a legend on the right. names[i] names
// species i + 1; fdr is the rate the outlines stand for.
void drawPairHeatMap(QPainter& painter, const QRectF& area, const PairwiseResults& results,
                     const std::vector<std::string>& names, double fdr);

}  // namespace kelpo::charts
